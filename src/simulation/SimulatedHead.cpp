#include "simulation/SimulatedHead.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "acquisition/SonarTables.h"
#include "display/ProfilePass.h"

namespace sondrel {

namespace {

constexpr std::uint8_t kCommandIdentifier = 0x44;
constexpr int kMaxProfileValue = 32767;
// The largest amount a low-byte correction adds to a value.
constexpr int kWidestCorrection = 32;

// Periods of the slow wander, chosen not to share a beat the eye would notice.
constexpr double kWanderPeriodXS = 17.0;
constexpr double kWanderPeriodYS = 23.0;
constexpr double kSedimentPeriodS = 29.0;

double rangeMetresForCode(int rangeCode) {
    return rangeMetresForIndex(rangeIndexForCode(rangeCode));
}

std::uint16_t representable(long v) {
    if (v < 1 || v > kMaxProfileValue) return 0;
    return static_cast<std::uint16_t>(v);
}

}  // namespace

void headPlaceAt(const PipeModel& pipe, double timeS, double& x, double& y) {
    x = pipe.offsetX + pipe.wander * std::sin(2.0 * std::numbers::pi * timeS / kWanderPeriodXS);
    y = pipe.offsetY +
        pipe.wander * std::sin(2.0 * std::numbers::pi * timeS / kWanderPeriodYS + 1.0);
}

namespace {

CrossSection sectionOf(const PipeModel& pipe, double timeS) {
    CrossSection s;
    const double radius = pipe.diameter / 2.0;
    s.semiMajor = radius * (1.0 + pipe.ovality / 2.0);
    s.semiMinor = radius * (1.0 - pipe.ovality / 2.0);
    s.majorAngleDeg = pipe.ovalityAngle;
    if (pipe.sediment > 0.0) {
        // The surface wanders with the head, so a still picture still moves.
        s.sedimentDepth = std::max(
            0.0, pipe.sediment +
                     pipe.wander * std::sin(2.0 * std::numbers::pi * timeS / kSedimentPeriodS));
    }
    return s;
}

double headX(const PipeModel& pipe, double timeS) {
    double x = 0.0, y = 0.0;
    headPlaceAt(pipe, timeS, x, y);
    return x;
}
double headY(const PipeModel& pipe, double timeS) {
    double x = 0.0, y = 0.0;
    headPlaceAt(pipe, timeS, x, y);
    return y;
}

}  // namespace

PipeSnapshot::PipeSnapshot(const PipeModel& pipe, double timeS)
    : SectionSnapshot(sectionOf(pipe, timeS), headX(pipe, timeS), headY(pipe, timeS)) {}

std::optional<double> wallDistance(const PipeModel& pipe, double angleDegrees, double timeS) {
    const double alpha = angleDegrees * std::numbers::pi / 180.0;
    return PipeSnapshot(pipe, timeS).distanceAlong(std::sin(alpha), std::cos(alpha));
}

ProfileEncoder::ProfileEncoder(int formatCode, int rangeCode, int pulseLengthCode)
    : conversion_{formatCode & 3, rangeCode, rangeMetresForCode(rangeCode),
                  kHeadReferenceSoundVelocity, pulseLengthCode} {
    // Every conversion is affine in the value, except for the corrections some
    // formats add by the value's low byte; two values whose low bytes get the
    // same correction give the line.
    constexpr int kLow = 250, kHigh = kLow + 256;
    slope_ =
        (conversion_.distancePixels(kHigh) - conversion_.distancePixels(kLow)) / (kHigh - kLow);
    intercept_ = conversion_.distancePixels(kLow) - slope_ * kLow;
}

std::uint16_t ProfileEncoder::encode(double apparentMetres) const {
    const double pixels = apparentMetres * 500.0 / conversion_.rangeMetres;
    if (!(pixels > 0.0) || pixels > 500.0 || !(slope_ > 0.0)) return 0;
    const long guess = std::lround((pixels - intercept_) / slope_);
    const auto error = [&](long v) {
        return std::fabs(conversion_.distancePixels(static_cast<int>(v)) - pixels);
    };
    if (guess >= 1 && error(guess) <= 0.5 * slope_ + 1e-9) return representable(guess);
    // Where a correction applies, the sent value that reads closest to the
    // distance lies up to one correction step below the straight-line guess.
    const long lowest = std::max(1L, guess - kWidestCorrection - 1);
    long best = 0;
    double bestError = 1e300;
    for (long v = lowest; v <= guess + 1 && v <= kMaxProfileValue; ++v) {
        const double e = error(v);
        if (e < bestError) {
            bestError = e;
            best = v;
        }
    }
    // Nearer than the smallest value reads (a long pulse at a short range): no return.
    if (bestError > slope_ + 1e-9) return 0;
    return representable(best);
}

std::uint16_t encodeProfileValue(double apparentMetres, int formatCode, int rangeCode,
                                 int pulseLengthCode) {
    return ProfileEncoder(formatCode, rangeCode, pulseLengthCode).encode(apparentMetres);
}

int blockLengthOf(BlockType type) {
    switch (type) {
        case BlockType::QMZ:
            return 265;
        case BlockType::QGZ:
            return 513;
        case BlockType::QSZ:
            break;
    }
    return 813;
}

int sampleCountOf(BlockType type) {
    switch (type) {
        case BlockType::QMZ:
            return 250;
        case BlockType::QGZ:
            return 500;
        case BlockType::QSZ:
            break;
    }
    return 800;
}

const char* blockLetters(BlockType type) {
    switch (type) {
        case BlockType::QMZ:
            return "QMZ";
        case BlockType::QGZ:
            return "QGZ";
        case BlockType::QSZ:
            break;
    }
    return "QSZ";
}

std::optional<BlockType> blockTypeFromName(std::string_view name) {
    if (name == "QSZ") return BlockType::QSZ;
    if (name == "QMZ") return BlockType::QMZ;
    if (name == "QGZ") return BlockType::QGZ;
    return std::nullopt;
}

BlockType blockTypeForDataFormat(std::uint8_t byte20) {
    switch (byte20) {
        case 4:
            return BlockType::QMZ;
        case 8:
            return BlockType::QGZ;
        default:
            return BlockType::QSZ;
    }
}

ScanPlan scanPlanOf(const CommandBuffer& command) {
    // A turn is not a whole number of steps per degree.
    const auto steps = [](int degrees) { return degrees * kHeadStepsPerTurn / 360; };
    ScanPlan plan;
    const int widthDegrees = 3 * command[cmd::kSectorWidth];
    plan.trainSteps = steps(trainDegreesFor(command[cmd::kTrain], false));
    if (widthDegrees >= 360) {
        plan.kind = ScanPlan::Kind::Polar;
    } else if (widthDegrees == 0 || command[cmd::kStepSize] == 0) {
        plan.kind = ScanPlan::Kind::FixedBeam;
    } else {
        plan.kind = ScanPlan::Kind::Sector;
        plan.halfWidthSteps = steps(widthDegrees) / 2;
    }
    return plan;
}

bool scansSample(const ScanPlan& plan, int sample) {
    if (plan.kind == ScanPlan::Kind::Polar) return true;
    constexpr int kStepsPerSample = kHeadStepsPerTurn / kProfileSampleCount;
    // A still beam is about as wide as one sample either side.
    const int half = plan.kind == ScanPlan::Kind::FixedBeam ? kStepsPerSample : plan.halfWidthSteps;
    int off = (sample * kStepsPerSample - plan.trainSteps) % kHeadStepsPerTurn;
    if (off > kHeadStepsPerTurn / 2) off -= kHeadStepsPerTurn;
    if (off < -kHeadStepsPerTurn / 2) off += kHeadStepsPerTurn;
    return off >= -half && off <= half;
}

bool FaultPlan::any() const {
    return splitSegments > 1 || delayMs > 0 || shortEvery > 0 || invalidEvery > 0 ||
           garbageEvery > 0 || silentEvery > 0 || silentFrom > 0 || closeAfter > 0;
}

const char* commandFaultName(CommandFault fault) {
    switch (fault) {
        case CommandFault::None:
            return "ok";
        case CommandFault::BadLength:
            return "length";
        case CommandFault::BadStart:
            return "start";
        case CommandFault::BadEnd:
            return "end";
        case CommandFault::TerminatorInside:
            return "terminator-inside";
        case CommandFault::BadIdentifier:
            return "identifier";
    }
    return "?";
}

CommandFault validateCommand(std::span<const std::uint8_t> bytes, std::uint8_t headId) {
    if (bytes.size() != kCommandLength) return CommandFault::BadLength;
    if (bytes[cmd::kStart] != cmd::kStartByte) return CommandFault::BadStart;
    if (bytes[cmd::kEnd] != cmd::kEndByte) return CommandFault::BadEnd;
    if (std::find(bytes.begin() + 1, bytes.begin() + cmd::kEnd, cmd::kEndByte) !=
        bytes.begin() + cmd::kEnd) {
        return CommandFault::TerminatorInside;
    }
    if (bytes[1] != kCommandIdentifier || bytes[2] != headId) return CommandFault::BadIdentifier;
    return CommandFault::None;
}

void CommandFramer::feed(std::span<const std::uint8_t> bytes, const CommandSink& onCommand,
                         const MalformedSink& onMalformed) {
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    const auto at = [this](std::size_t i) {
        return pending_.begin() + static_cast<std::ptrdiff_t>(i);
    };
    const auto report = [&](std::size_t from, std::size_t to, CommandFault fault) {
        ++malformed_;
        if (onMalformed) onMalformed({std::vector<std::uint8_t>(at(from), at(to)), fault});
    };
    std::size_t pos = 0;
    const std::size_t size = pending_.size();
    while (true) {
        while (pos < size && pending_[pos] != cmd::kStartByte) {
            ++pos;
            ++skipped_;
        }
        if (pos >= size) break;
        const std::size_t windowEnd = pos + std::min(size - pos, kCommandLength);
        const std::size_t terminator = static_cast<std::size_t>(
            std::find(at(pos + 1), at(windowEnd), cmd::kEndByte) - pending_.begin());
        const bool early = terminator < windowEnd && terminator - pos < cmd::kEnd;
        const std::size_t searchEnd = early ? terminator : windowEnd;
        const std::size_t nextStart = static_cast<std::size_t>(
            std::find(at(pos + 1), at(searchEnd), cmd::kStartByte) - pending_.begin());
        const bool sizable = early || windowEnd - pos == kCommandLength;

        if (early && nextStart == searchEnd) {
            // A command cut short: drop it whole, terminator included.
            report(pos, terminator + 1, CommandFault::BadLength);
            resyncing_ = false;
            pos = terminator + 1;
            continue;
        }
        if (!sizable) break;  // wait for the rest of the frame
        const std::span<const std::uint8_t> frame(pending_.data() + pos, kCommandLength);
        const CommandFault fault = early ? CommandFault::BadEnd : validateCommand(frame, headId_);
        if (fault == CommandFault::None) {
            CommandBuffer command;
            std::copy(frame.begin(), frame.end(), command.begin());
            if (onCommand) onCommand(command);
            resyncing_ = false;
            pos += kCommandLength;
        } else if (fault == CommandFault::BadEnd) {
            // The start byte was a stray one, or a data byte of a command whose
            // head was lost: resume at the next start byte, which may begin a good
            // command, and count the lost stretch once however often it resumes.
            if (!resyncing_) report(pos, nextStart, fault);
            resyncing_ = true;
            pos = nextStart;
        } else {
            report(pos, pos + kCommandLength, fault);
            resyncing_ = false;
            pos += kCommandLength;
        }
    }
    pending_.erase(pending_.begin(), at(pos));
}

SimulatedHead::SimulatedHead(HeadConfig config, PipeModel pipe, FaultPlan faults)
    : config_(config), pipe_(pipe), faults_(faults), random_(config.seed) {}

double SimulatedHead::noisy(double metres) {
    if (pipe_.noise <= 0.0) return metres;
    return metres + pipe_.noise * gauss_(random_);
}

namespace {

// Unit vectors (x right, y up) of the head's 400 look directions.
struct LookDirections {
    LookDirections() {
        for (int i = 0; i < kProfileSampleCount; ++i) {
            const double alpha = (180.0 - kProfileAngleStep * i) * std::numbers::pi / 180.0;
            dx[i] = std::sin(alpha);
            dy[i] = std::cos(alpha);
        }
    }
    std::array<double, kProfileSampleCount> dx{}, dy{};
};

const LookDirections& lookDirections() {
    static const LookDirections directions;
    return directions;
}

}  // namespace

void SimulatedHead::encodeProfile(std::uint8_t* out, const CommandBuffer& command, double timeS) {
    const int rangeCode = command[cmd::kRange];
    const int pulse = command[cmd::kPulseLength];
    const double minimumMetres = command[cmd::kProfileMinRange] / 100.0;
    const double toApparent = kHeadReferenceSoundVelocity / pipe_.soundVelocity;
    const ProfileEncoder encoder(config_.formatCode, rangeCode, pulse);
    const SectionSnapshot snapshot = snapshotAt(timeS);
    const ScanPlan plan = scanPlanOf(command);
    const LookDirections& look = lookDirections();
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    for (int i = 0; i < kProfileSampleCount; ++i) {
        std::uint16_t value = 0;
        if (!scansSample(plan, i)) {
            out[2 * i] = out[2 * i + 1] = 0;
            continue;
        }
        const std::optional<double> wall = snapshot.distanceAlong(look.dx[i], look.dy[i]);
        const bool dropped = pipe_.dropouts > 0.0 && uniform(random_) < pipe_.dropouts;
        if (wall && !dropped) {
            double metres = noisy(*wall);
            if (pipe_.debris > 0.0 && uniform(random_) < pipe_.debris) {
                metres = *wall * (1.0 / 3.0 + 0.6 * uniform(random_));
            }
            // The head ignores echoes inside the profile minimum range it was sent.
            if (metres >= minimumMetres) value = encoder.encode(metres * toApparent);
        }
        out[2 * i] = static_cast<std::uint8_t>(value & 0x7F);
        out[2 * i + 1] = static_cast<std::uint8_t>(value >> 7);
    }
}

void SimulatedHead::encodeEchoTrace(std::uint8_t* out, int samples, const CommandBuffer& command,
                                    double timeS) {
    // The shorter blocks carry the echo strength along the beam at the head's
    // present position: a floor of noise and a peak at the wall, scaled by gain.
    const double rangeMetres = rangeMetresForCode(command[cmd::kRange]);
    const int look = (position_ * kProfileSampleCount / kHeadStepsPerTurn) % kProfileSampleCount;
    const std::optional<double> wall =
        snapshotAt(timeS).distanceAlong(lookDirections().dx[look], lookDirections().dy[look]);
    const double gain = std::pow(10.0, (command[cmd::kGain] - 6) / 20.0);
    const double width = 2.0 * rangeMetres / samples;
    std::uniform_real_distribution<double> floorNoise(0.0, 6.0);
    for (int k = 0; k < samples; ++k) {
        const double r = (k + 0.5) * rangeMetres / samples;
        double level = 8.0 + floorNoise(random_);
        if (wall) {
            const double apparent = *wall * kHeadReferenceSoundVelocity / pipe_.soundVelocity;
            const double z = (r - apparent) / width;
            level += 170.0 * std::exp(-z * z);
        }
        out[k] = static_cast<std::uint8_t>(std::clamp(level * gain, 0.0, 255.0));
    }
}

SectionSnapshot SimulatedHead::snapshotAt(double timeS) const {
    if (!section_) return PipeSnapshot(pipe_, timeS);
    double x = 0.0, y = 0.0;
    headPlaceAt(pipe_, timeS, x, y);
    return SectionSnapshot(*section_, x, y);
}

void SimulatedHead::move(const CommandBuffer& command, const ScanPlan& plan) {
    if (command[cmd::kControl] & cmd::kReverseStepBit) direction_ ^= 1;
    const int step = command[cmd::kStepSize];
    const auto wrapped = [](int p) {
        return (p % kHeadStepsPerTurn + kHeadStepsPerTurn) % kHeadStepsPerTurn;
    };
    switch (plan.kind) {
        case ScanPlan::Kind::Polar:
            position_ = wrapped(position_ + (direction_ ? step : -step));
            return;
        case ScanPlan::Kind::FixedBeam:
            sweep_ = 0;
            position_ = wrapped(plan.trainSteps);
            return;
        case ScanPlan::Kind::Sector:
            break;
    }
    // Back and forth between the sector's edges, turning where it meets one.
    const int half = plan.halfWidthSteps;
    sweep_ = std::clamp(sweep_, -half, half) + (direction_ ? step : -step);
    if (sweep_ > half) {
        sweep_ = 2 * half - sweep_;
        direction_ = 0;
    } else if (sweep_ < -half) {
        sweep_ = -2 * half - sweep_;
        direction_ = 1;
    }
    sweep_ = std::clamp(sweep_, -half, half);
    position_ = wrapped(plan.trainSteps + sweep_);
}

std::vector<std::uint8_t> SimulatedHead::buildBlock(const CommandBuffer& command, double timeS) {
    move(command, scanPlanOf(command));
    ++replies_;

    const BlockType type =
        config_.blockType ? *config_.blockType : blockTypeForDataFormat(command[cmd::kDataFormat]);
    std::vector<std::uint8_t> block(static_cast<std::size_t>(blockLengthOf(type)), 0);
    const char* letters = blockLetters(type);
    std::copy(letters, letters + 3, block.begin());
    const int dataBytes = sampleCountOf(type);
    block[3] = config_.headId;
    block[4] = static_cast<std::uint8_t>(config_.formatCode & 3);
    block[5] = static_cast<std::uint8_t>(position_ & 0x7F);
    block[6] = static_cast<std::uint8_t>(((position_ >> 7) & 0x3F) | (direction_ << 6));
    block[7] = command[cmd::kRange];
    block[8] = static_cast<std::uint8_t>(dataBytes & 0x7F);
    block[9] = static_cast<std::uint8_t>(dataBytes >> 7);
    block[10] = static_cast<std::uint8_t>(replies_ & 0x7F);
    block[11] = static_cast<std::uint8_t>((replies_ >> 7) & 0x7F);
    if (type == BlockType::QSZ) {
        encodeProfile(block.data() + 12, command, timeS);
    } else {
        encodeEchoTrace(block.data() + 12, sampleCountOf(type), command, timeS);
    }
    return block;
}

Reply SimulatedHead::answer(const CommandBuffer& command, double timeS) {
    const std::uint64_t n = ++commands_;
    const auto due = [n](int every) { return every > 0 && n % static_cast<unsigned>(every) == 0; };
    Reply reply;
    if ((faults_.silentFrom > 0 && n >= static_cast<unsigned>(faults_.silentFrom)) ||
        due(faults_.silentEvery)) {
        reply.silent = true;
        return reply;
    }

    std::vector<std::uint8_t> block = buildBlock(command, timeS);
    reply.number = replies_;
    if (due(faults_.invalidEvery)) {
        block[0] = 'Q';
        block[1] = 'X';
        block[2] = 'Z';
        reply.invalidLetters = true;
    }
    if (due(faults_.shortEvery)) {
        const std::size_t length =
            std::min(block.size(), static_cast<std::size_t>(std::max(0, faults_.shortLength)));
        reply.cutShort = length < block.size();
        block.resize(length);
    }
    if (due(faults_.garbageEvery)) {
        std::uniform_int_distribution<int> byte(0, 255);
        for (int i = 0; i < faults_.garbageLength; ++i) {
            reply.bytes.push_back(static_cast<std::uint8_t>(byte(random_)));
        }
    }
    reply.strayBytes = reply.bytes.size();
    reply.bytes.insert(reply.bytes.end(), block.begin(), block.end());

    const std::size_t total = reply.bytes.size();
    const std::size_t pieces =
        std::clamp<std::size_t>(static_cast<std::size_t>(std::max(1, faults_.splitSegments)), 1,
                                std::max<std::size_t>(1, total));
    for (std::size_t i = 0; i < pieces; ++i) {
        reply.segments.push_back(total * (i + 1) / pieces - total * i / pieces);
    }
    reply.delayMs = std::max(0, faults_.delayMs);
    reply.segmentDelayMs = std::max(0, faults_.splitDelayMs);
    ++repliesOnLink_;
    reply.closeAfter =
        faults_.closeAfter > 0 && repliesOnLink_ >= static_cast<unsigned>(faults_.closeAfter);
    return reply;
}

}  // namespace sondrel
