// The simulated head must speak the protocol exactly as the program reads it:
// its blocks go through the program's own sizing, header decoding and profile
// pass here, and the points must land where the model pipe's wall is.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "acquisition/Orientation.h"
#include "acquisition/ReturnBlock.h"
#include "acquisition/SondrelDoc.h"
#include "display/ProfilePass.h"
#include "simulation/SimulatedHead.h"
#include "simulation/SimulatedInstruments.h"
#include "support/ReceivedBlock.h"

using namespace sondrel;
using sondrel::test::receiveBlock;

namespace {

struct Point {
    double pixels;
    double angle;
};

class Collect : public ProfileExport {
  public:
    void point(double d, double a) override { points.push_back({d, a}); }
    void endOfPing() override { ++ends; }
    std::vector<Point> points;
    int ends = 0;
};

PipeModel stillPipe() {
    PipeModel p;
    p.wander = 0.0;
    return p;
}

// The pixels at zoom 1 where the program should draw the wall seen along the
// look direction `angle` (degrees clockwise from up, as the pass computes it).
double modelPixels(const PipeModel& pipe, double angle, double rangeMetres,
                   double programVelocity) {
    const auto wall = wallDistance(pipe, angle, 0.0);
    return *wall * programVelocity / pipe.soundVelocity * 500.0 / rangeMetres;
}

// One count of a value, in pixels: the resolution the head can encode at.
double countPixels(int format, int rangeCode, double rangeMetres, double velocity, int pulse) {
    const ProfileConversion c{format, rangeCode, rangeMetres, velocity, pulse};
    return c.distancePixels(1001) - c.distancePixels(1000);
}

}  // namespace

TEST(SimulatedHead, ReplyHeaderDecodesToTheCommandedStateForEveryRangeTypeAndFormat) {
    for (BlockType type : {BlockType::QSZ, BlockType::QMZ, BlockType::QGZ}) {
        for (int format = 0; format < 4; ++format) {
            HeadConfig config;
            config.blockType = type;
            config.formatCode = format;
            SimulatedHead head(config, stillPipe());
            for (int index = 0; index < kRangeCount; ++index) {
                CSondrelDoc doc;
                doc.head.setRangeIndex(index);
                // Start from another index so the decode visibly sets it.
                doc.head.rangeIndex = (index + 4) % kRangeCount;
                const auto block = head.buildBlock(doc.head.command, 0.0);
                SCOPED_TRACE(std::string(blockLetters(type)) + " format " + std::to_string(format) +
                             " range index " + std::to_string(index));
                ASSERT_EQ(static_cast<int>(block.size()), blockLengthOf(type));
                ASSERT_TRUE(receiveBlock(doc, block));
                EXPECT_EQ(doc.ping.blockLength, blockLengthOf(type));
                EXPECT_EQ(doc.ping.headerText, blockLetters(type));
                EXPECT_EQ(doc.ping.dataPointCount, sampleCountOf(type));
                EXPECT_EQ(doc.ping.dataBytes, sampleCountOf(type));
                EXPECT_EQ(doc.ping.headId, 0x10);
                EXPECT_EQ(doc.ping.headStatusLow, format);
                EXPECT_EQ(doc.ping.returnHeader[7], kRangeCodes[index]);
                EXPECT_EQ(doc.head.rangeIndex, index);
            }
        }
    }
}

TEST(SimulatedHead, ReverseRequestFlipsTheReportedDirectionAndThePositionFollowsIt) {
    SimulatedHead head(HeadConfig{}, stillPipe());
    CSondrelDoc doc;
    doc.head.setStepSize(4);
    ASSERT_EQ(doc.head.command[cmd::kStepSize], 4);

    ASSERT_TRUE(receiveBlock(doc, head.buildBlock(doc.head.command, 0.0)));
    const int direction = doc.ping.stepDirection;
    const int first = doc.ping.headPosition;

    doc.requestStepReverse();
    ASSERT_TRUE(receiveBlock(doc, head.buildBlock(doc.head.command, 0.0)));
    doc.head.clearOneShotBits();
    EXPECT_EQ(doc.ping.stepDirection, 1 - direction);
    const int afterReverse = doc.ping.headPosition;

    // The request is one-shot: the direction holds on the following pings.
    ASSERT_TRUE(receiveBlock(doc, head.buildBlock(doc.head.command, 0.0)));
    EXPECT_EQ(doc.ping.stepDirection, 1 - direction);
    const int step = (afterReverse - first + kHeadStepsPerTurn) % kHeadStepsPerTurn;
    const int next = (doc.ping.headPosition - afterReverse + kHeadStepsPerTurn) % kHeadStepsPerTurn;
    EXPECT_EQ(step, next);
    EXPECT_EQ(step, direction ? kHeadStepsPerTurn - 4 : 4);

    // Walking backwards past position 0 wraps within the 13-bit position field.
    for (int i = 0; i < kHeadStepsPerTurn; ++i) head.buildBlock(doc.head.command, 0.0);
    EXPECT_GE(head.headPosition(), 0);
    EXPECT_LT(head.headPosition(), kHeadStepsPerTurn);
    EXPECT_LT(kHeadStepsPerTurn, 8192);
}

TEST(SimulatedHead, ProfileRoundTripsThroughTheProfilePassForEveryFormatRangeAndPulse) {
    PipeModel pipe = stillPipe();
    pipe.diameter = 0.6;
    pipe.offsetX = 0.12;  // distances from 0.18 m to 0.42 m: some beyond the shortest ranges
    pipe.offsetY = -0.05;
    for (int format = 0; format < 4; ++format) {
        HeadConfig config;
        config.formatCode = format;
        SimulatedHead head(config, pipe);
        for (int index = 0; index < kRangeCount; ++index) {
            for (int pulse : {1, 10, 40}) {
                CSondrelDoc doc;
                doc.head.setRangeIndex(index);
                doc.head.setPulseLengthCode(pulse);
                ASSERT_TRUE(receiveBlock(doc, head.buildBlock(doc.head.command, 0.0)));
                Collect out;
                ProfilePath path;
                runProfilePass(doc, path, &out);

                const int code = doc.head.command[cmd::kRange];
                SCOPED_TRACE("format " + std::to_string(format) + " range code " +
                             std::to_string(code) + " pulse " + std::to_string(pulse));
                const double tolerance =
                    countPixels(format, code, doc.head.rangeMetres, doc.head.soundVelocity, pulse) +
                    1e-6;
                // Echoes nearer than the smallest value reads (a long pulse at a
                // short range) cannot be sent; all others inside the range must be.
                const ProfileConversion conversion{format, code, doc.head.rangeMetres, 1500.0,
                                                   pulse};
                const double nearest = conversion.distancePixels(1);
                int inside = 0;
                for (int i = 0; i < kProfileSampleCount; ++i) {
                    const double px = modelPixels(pipe, 180.0 - kProfileAngleStep * i,
                                                  doc.head.rangeMetres, 1500.0);
                    if (px < 500.0 - tolerance && px > nearest + tolerance) ++inside;
                }
                for (const Point& p : out.points) {
                    const double expected =
                        modelPixels(pipe, p.angle, doc.head.rangeMetres, 1500.0);
                    ASSERT_NEAR(p.pixels, expected, tolerance) << "at " << p.angle << " degrees";
                    ASSERT_LE(expected, 500.0 + tolerance);
                }
                // Every wall echo inside the range is drawn; those beyond it are not sent.
                EXPECT_GE(static_cast<int>(out.points.size()), inside);
                EXPECT_LE(static_cast<int>(out.points.size()), kProfileSampleCount);
                EXPECT_EQ(out.ends, 1);
                if (doc.head.rangeMetres >= 0.5 && nearest < 0.17 * 500 / doc.head.rangeMetres) {
                    EXPECT_EQ(out.points.size(), 400u);
                }
                if (doc.head.rangeMetres < 0.18) {
                    EXPECT_TRUE(out.points.empty());
                }
            }
        }
    }
}

TEST(SimulatedHead, DefaultSettingsShowThePipeTheRightWayUp) {
    PipeModel pipe = stillPipe();
    pipe.diameter = 0.6;
    pipe.sediment = 0.1;  // flat bottom 0.2 m below the head
    pipe.offsetX = 0.05;  // wall 0.25 m to the right, 0.35 m to the left
    SimulatedHead head(HeadConfig{}, pipe);
    CSondrelDoc doc;  // zero Up, transducer Aft, 1 m range
    ASSERT_TRUE(receiveBlock(doc, head.buildBlock(doc.head.command, 0.0)));
    Collect out;
    ProfilePath path;
    runProfilePass(doc, path, &out);
    ASSERT_EQ(path.ellipses.size(), 400u);

    // Screen pixels (y down) of the samples looking down, right, up and left.
    const auto& down = path.ellipses[0];
    const auto& right = path.ellipses[100];
    const auto& up = path.ellipses[200];
    const auto& left = path.ellipses[300];
    EXPECT_NEAR(down.y - 500, 0.2 * 500, 1.5);
    EXPECT_NEAR(down.x - 500, 0, 1.5);
    EXPECT_NEAR(up.y - 500, -std::sqrt(0.3 * 0.3 - 0.05 * 0.05) * 500, 1.5);
    EXPECT_NEAR(right.x - 500, 0.25 * 500, 1.5);
    EXPECT_NEAR(left.x - 500, -0.35 * 500, 1.5);

    // The sediment is a straight chord: the bottom points share one height.
    int flat = 0;
    for (const auto& e : path.ellipses) {
        if (std::abs(e.y - down.y) <= 1) ++flat;
    }
    EXPECT_GT(flat, 40);
}

TEST(SimulatedHead, ProgramDrawsTrueSizeOnlyWithTheWatersSoundVelocity) {
    PipeModel pipe = stillPipe();
    pipe.soundVelocity = 1450.0;
    for (int format : {1, 2}) {
        HeadConfig config;
        config.formatCode = format;
        SimulatedHead head(config, pipe);
        for (double programVelocity : {1450.0, 1500.0}) {
            CSondrelDoc doc;
            doc.head.soundVelocity = programVelocity;
            ASSERT_TRUE(receiveBlock(doc, head.buildBlock(doc.head.command, 0.0)));
            Collect out;
            ProfilePath path;
            runProfilePass(doc, path, &out);
            ASSERT_EQ(out.points.size(), 400u);
            const double tolerance =
                countPixels(format, doc.head.command[cmd::kRange], doc.head.rangeMetres,
                            programVelocity, doc.head.pulseLengthCode) +
                1e-6;
            for (const Point& p : out.points) {
                ASSERT_NEAR(p.pixels,
                            modelPixels(pipe, p.angle, doc.head.rangeMetres, programVelocity),
                            tolerance);
            }
            // 0.3 m radius at 1 m range: 150 pixels with the right velocity.
            const double mean =
                std::accumulate(out.points.begin(), out.points.end(), 0.0,
                                [](double s, const Point& p) { return s + p.pixels; }) /
                out.points.size();
            if (programVelocity == 1450.0) {
                EXPECT_NEAR(mean, 150.0, 1.0);
            } else {
                EXPECT_GT(mean, 154.0);
            }
        }
    }
}

TEST(SimulatedHead, EchoesInsideTheCommandedMinimumRangeAreNotReported) {
    PipeModel pipe = stillPipe();
    pipe.offsetX = 0.2;  // wall between 0.1 m and 0.5 m away
    SimulatedHead head(HeadConfig{}, pipe);
    CSondrelDoc doc;
    doc.head.command[cmd::kProfileMinRange] = 25;
    ASSERT_TRUE(receiveBlock(doc, head.buildBlock(doc.head.command, 0.0)));
    int zeros = 0;
    for (int i = 0; i < kProfileSampleCount; ++i) {
        const double wall = *wallDistance(pipe, 180.0 - kProfileAngleStep * i, 0.0);
        const int value = profileValue(doc.ping.echoLong.data(), i);
        if (wall < 0.25) {
            EXPECT_EQ(value, 0) << "sample " << i;
        }
        if (wall > 0.26) {
            EXPECT_NE(value, 0) << "sample " << i;
        }
        zeros += value == 0;
    }
    EXPECT_GT(zeros, 0);
}

TEST(SimulatedHead, NoiseAndDropoutsAreOfTheRequestedSize) {
    PipeModel clean = stillPipe();
    PipeModel rough = clean;
    rough.noise = 0.01;
    rough.dropouts = 0.25;
    HeadConfig config;
    config.formatCode = 0;  // one count per pixel: 2 mm at 1 m range
    SimulatedHead a(config, clean), b(config, rough);
    CSondrelDoc doc;
    double sumSquares = 0;
    int compared = 0, dropped = 0, total = 0;
    for (int ping = 0; ping < 20; ++ping) {
        const auto x = a.buildBlock(doc.head.command, 0.0);
        const auto y = b.buildBlock(doc.head.command, 0.0);
        for (int i = 0; i < kProfileSampleCount; ++i) {
            const int vx = profileValue(x.data() + 12, i);
            const int vy = profileValue(y.data() + 12, i);
            ++total;
            if (vy == 0) {
                ++dropped;
                continue;
            }
            const double metres = (vy - vx) * 1.0 / 500.0;
            sumSquares += metres * metres;
            ++compared;
        }
    }
    EXPECT_NEAR(static_cast<double>(dropped) / total, 0.25, 0.03);
    EXPECT_NEAR(std::sqrt(sumSquares / compared), 0.01, 0.0015);
}

TEST(SimulatedHead, DebrisEchoesFallShortOfTheWall) {
    PipeModel clean = stillPipe();
    PipeModel dirty = clean;
    dirty.debris = 0.2;
    HeadConfig config;
    config.formatCode = 0;
    SimulatedHead a(config, clean), b(config, dirty);
    CSondrelDoc doc;
    int shortOnes = 0, total = 0;
    for (int ping = 0; ping < 20; ++ping) {
        const auto x = a.buildBlock(doc.head.command, 0.0);
        const auto y = b.buildBlock(doc.head.command, 0.0);
        for (int i = 0; i < kProfileSampleCount; ++i) {
            const int vx = profileValue(x.data() + 12, i);
            const int vy = profileValue(y.data() + 12, i);
            ++total;
            ASSERT_GE(vy, vx / 3 - 1);
            ASSERT_LE(vy, vx);
            shortOnes += vy < vx - 2;
        }
    }
    EXPECT_NEAR(static_cast<double>(shortOnes) / total, 0.2, 0.03);
}

TEST(SimulatedHead, WanderMovesThePictureSlowly) {
    PipeModel pipe;  // default wander
    const double now = *wallDistance(pipe, 90.0, 3.0);
    const double soon = *wallDistance(pipe, 90.0, 3.05);
    const double later = *wallDistance(pipe, 90.0, 7.0);
    EXPECT_NE(now, later);
    EXPECT_LT(std::abs(now - soon), 0.001);
    EXPECT_LE(std::abs(now - 0.3), pipe.wander + 1e-12);
}

TEST(PipeGeometry, WallDistancesOfOffsetOvalAndSilted) {
    PipeModel p = stillPipe();
    p.diameter = 1.0;
    for (double a : {0.0, 37.0, 90.0, 200.0, 359.1})
        EXPECT_NEAR(*wallDistance(p, a, 0), 0.5, 1e-12);

    p.offsetX = 0.1;
    p.offsetY = 0.2;
    EXPECT_NEAR(*wallDistance(p, 0.0, 0), std::sqrt(0.25 - 0.01) - 0.2, 1e-12);
    EXPECT_NEAR(*wallDistance(p, 180.0, 0), std::sqrt(0.25 - 0.01) + 0.2, 1e-12);
    EXPECT_NEAR(*wallDistance(p, 90.0, 0), std::sqrt(0.25 - 0.04) - 0.1, 1e-12);

    p = stillPipe();
    p.diameter = 1.0;
    p.ovality = 0.1;  // 1.05 m across, 0.95 m high
    EXPECT_NEAR(*wallDistance(p, 90.0, 0) + *wallDistance(p, 270.0, 0), 1.05, 1e-12);
    EXPECT_NEAR(*wallDistance(p, 0.0, 0) + *wallDistance(p, 180.0, 0), 0.95, 1e-12);

    p = stillPipe();
    p.diameter = 1.0;
    p.sediment = 0.2;
    EXPECT_NEAR(*wallDistance(p, 180.0, 0), 0.3, 1e-12);
    EXPECT_NEAR(*wallDistance(p, 135.0, 0), 0.3 * std::sqrt(2.0), 1e-9);
    EXPECT_NEAR(*wallDistance(p, 0.0, 0), 0.5, 1e-12);

    // The ellipse turned: its largest diameter lies along the turn, and the
    // floor stays level above the lowest point of the turned wall.
    p = stillPipe();
    p.diameter = 1.0;
    p.ovality = 0.1;
    p.ovalityAngle = 30.0;  // anticlockwise from the right: the look at 60 degrees
    EXPECT_NEAR(*wallDistance(p, 60.0, 0) + *wallDistance(p, 240.0, 0), 1.05, 1e-12);
    EXPECT_NEAR(*wallDistance(p, 150.0, 0) + *wallDistance(p, 330.0, 0), 0.95, 1e-12);
    p.sediment = 0.1;
    const double lowest = std::hypot(0.525 * 0.5, 0.475 * std::sqrt(0.75));
    EXPECT_NEAR(*wallDistance(p, 180.0, 0), lowest - 0.1, 1e-12);

    p = stillPipe();
    p.diameter = 1.0;
    p.sediment = 0.2;
    p.offsetY = -0.35;  // below the sediment surface
    EXPECT_FALSE(wallDistance(p, 0.0, 0));
    p = stillPipe();
    p.offsetX = 0.4;  // outside a 0.6 m pipe
    EXPECT_FALSE(wallDistance(p, 0.0, 0));
}

TEST(ProfileEncoder, ValuesBeyondTheRangeOrTooCloseToEncodeAreNoReturn) {
    for (int format = 0; format < 4; ++format) {
        for (int code : kRangeCodes) {
            const ProfileEncoder e(format, code, 1);
            const double range = rangeMetresForIndex(rangeIndexForCode(code));
            SCOPED_TRACE("format " + std::to_string(format) + " code " + std::to_string(code));
            EXPECT_EQ(e.encode(range * 1.01), 0);
            EXPECT_EQ(e.encode(0.0), 0);
            EXPECT_EQ(e.encode(-0.1), 0);
            EXPECT_NE(e.encode(range * 0.9), 0);
        }
    }
    // Time of flight starts after the pulse: an echo from within it cannot be sent.
    EXPECT_EQ(ProfileEncoder(2, 10, 100).encode(0.01), 0);
}

TEST(ProfileEncoder, ShortRangeCorrectionIsInvertedWithinOneCount) {
    // Format 1 at range code 4 adds up to 30 by the low byte; a dense sweep
    // crosses every band of the correction.
    const ProfileEncoder e(1, 4, 1);
    const ProfileConversion c{1, 4, 0.25, 1500.0, 1};
    const double count = c.distancePixels(1000) - c.distancePixels(999);
    for (double m = 0.002; m < 0.25; m += 0.00007) {
        const int v = e.encode(m);
        ASSERT_NE(v, 0) << m;
        ASSERT_NEAR(c.distancePixels(v), m * 500 / 0.25, count + 1e-9) << m;
    }
}

TEST(SimulatedHead, FaultPlanShapesTheReplies) {
    CSondrelDoc doc;
    FaultPlan f;
    f.splitSegments = 3;
    f.splitDelayMs = 7;
    f.delayMs = 11;
    f.silentEvery = 4;
    f.invalidEvery = 5;
    f.shortEvery = 6;
    f.shortLength = 300;
    f.garbageEvery = 7;
    f.garbageLength = 9;
    SimulatedHead head(HeadConfig{}, stillPipe(), f);
    for (int n = 1; n <= 14; ++n) {
        SCOPED_TRACE("command " + std::to_string(n));
        const Reply r = head.answer(doc.head.command, 0.0);
        if (n % 4 == 0) {
            EXPECT_TRUE(r.silent);
            EXPECT_TRUE(r.bytes.empty());
            continue;
        }
        ASSERT_FALSE(r.silent);
        EXPECT_EQ(r.delayMs, 11);
        EXPECT_EQ(r.segmentDelayMs, 7);
        ASSERT_EQ(r.segments.size(), 3u);
        EXPECT_EQ(std::accumulate(r.segments.begin(), r.segments.end(), std::size_t{0}),
                  r.bytes.size());
        const std::size_t garbage = n % 7 == 0 ? 9 : 0;
        const std::size_t length = n % 6 == 0 ? 300 : 813;
        EXPECT_EQ(r.bytes.size(), garbage + length);
        const std::vector<std::uint8_t> block(r.bytes.begin() + garbage, r.bytes.end());
        CSondrelDoc d;
        const bool valid = receiveBlock(d, block);
        if (n % 5 == 0) {
            EXPECT_FALSE(valid);
            EXPECT_EQ(blockLengthFor(block), 813);  // still read as a full block
        } else if (length == 813) {
            EXPECT_TRUE(valid);
        }
        EXPECT_FALSE(r.closeAfter);
    }
    EXPECT_EQ(head.commandCount(), 14u);
    EXPECT_EQ(head.replyCount(), 11u);

    head.faults() = FaultPlan{};
    head.faults().silentFrom = 16;
    EXPECT_FALSE(head.answer(doc.head.command, 0.0).silent);  // 15
    EXPECT_TRUE(head.answer(doc.head.command, 0.0).silent);   // 16
    EXPECT_TRUE(head.answer(doc.head.command, 0.0).silent);   // 17
    const Reply plain = (head.faults() = FaultPlan{}, head.answer(doc.head.command, 0.0));
    EXPECT_EQ(plain.segments, std::vector<std::size_t>{813});
    EXPECT_EQ(plain.delayMs, 0);
}

TEST(SimulatedHead, CloseAfterCountsRepliesOnEachLink) {
    CSondrelDoc doc;
    FaultPlan f;
    f.closeAfter = 2;
    f.silentEvery = 3;  // a silent command is no reply and does not count
    SimulatedHead head(HeadConfig{}, stillPipe(), f);
    head.linkOpened();
    EXPECT_FALSE(head.answer(doc.head.command, 0.0).closeAfter);  // 1
    EXPECT_TRUE(head.answer(doc.head.command, 0.0).closeAfter);   // 2
    head.linkOpened();
    EXPECT_TRUE(head.answer(doc.head.command, 0.0).silent);       // 3
    EXPECT_FALSE(head.answer(doc.head.command, 0.0).closeAfter);  // 4
    EXPECT_TRUE(head.answer(doc.head.command, 0.0).closeAfter);   // 5
}

TEST(SimulatedHead, SplitNeverMakesEmptyPieces) {
    CSondrelDoc doc;
    FaultPlan f;
    f.splitSegments = 813;
    f.shortEvery = 1;
    f.shortLength = 5;
    SimulatedHead head(HeadConfig{}, stillPipe(), f);
    const Reply r = head.answer(doc.head.command, 0.0);
    EXPECT_EQ(r.segments, std::vector<std::size_t>(5, 1));
}

TEST(CommandValidation, RejectsEveryMalformedShape) {
    const CommandBuffer good = CSondrelDoc().head.command;
    EXPECT_EQ(validateCommand(good, 0x10), CommandFault::None);
    EXPECT_EQ(validateCommand(std::span(good).first(26), 0x10), CommandFault::BadLength);
    auto c = good;
    c[0] = 0xFC;
    EXPECT_EQ(validateCommand(c, 0x10), CommandFault::BadStart);
    c = good;
    c[26] = 0;
    EXPECT_EQ(validateCommand(c, 0x10), CommandFault::BadEnd);
    c = good;
    c[10] = 0xFD;
    EXPECT_EQ(validateCommand(c, 0x10), CommandFault::TerminatorInside);
    c = good;
    c[1] = 0x45;
    EXPECT_EQ(validateCommand(c, 0x10), CommandFault::BadIdentifier);
    EXPECT_EQ(validateCommand(good, 0x11), CommandFault::BadIdentifier);
    c = good;
    c[cmd::kAbsorption] = 0xFE;  // absorption 254 is legal and looks like a start byte
    EXPECT_EQ(validateCommand(c, 0x10), CommandFault::None);
}

TEST(CommandFramer, FindsCommandsInAStreamAndCountsWhatItDrops) {
    CSondrelDoc doc;
    doc.head.command[cmd::kAbsorption] = 0xFE;
    const CommandBuffer good = doc.head.command;
    std::vector<std::uint8_t> stream = {0x00, 0x41, 0xFD};  // stray bytes
    stream.insert(stream.end(), good.begin(), good.end());
    stream.insert(stream.end(), {0xFE, 0x44, 0x10, 0x0A, 0xFD});   // cut short
    stream.insert(stream.end(), good.begin(), good.begin() + 12);  // lost its tail...
    stream.insert(stream.end(), good.begin(), good.end());         // ...before this one
    auto wrongHead = good;
    wrongHead[2] = 0x11;
    stream.insert(stream.end(), wrongHead.begin(), wrongHead.end());
    stream.insert(stream.end(), good.begin(), good.end());

    // Fed whole, and fed one byte at a time, the result is the same.
    for (std::size_t chunk : {stream.size(), std::size_t{1}, std::size_t{7}}) {
        SCOPED_TRACE("chunk " + std::to_string(chunk));
        CommandFramer framer;
        std::vector<CommandBuffer> commands;
        std::vector<CommandFault> faults;
        for (std::size_t i = 0; i < stream.size(); i += chunk) {
            const std::size_t n = std::min(chunk, stream.size() - i);
            framer.feed(
                std::span(stream).subspan(i, n),
                [&](const CommandBuffer& c) { commands.push_back(c); },
                [&](const CommandFramer::Malformed& m) { faults.push_back(m.fault); });
        }
        ASSERT_EQ(commands.size(), 3u);
        for (const auto& c : commands) EXPECT_EQ(c, good);
        EXPECT_EQ(faults, (std::vector<CommandFault>{CommandFault::BadLength, CommandFault::BadEnd,
                                                     CommandFault::BadIdentifier}));
        EXPECT_EQ(framer.malformedCount(), 3u);
        EXPECT_GE(framer.skippedBytes(), 3u);
    }
}

TEST(SimulatedInstruments, EverySentenceTypeReadsBackThroughTheProgramsParsers) {
    const CrawlerMotion motion{4.0, 8.0, 0.05, 12.0};
    for (double t : {0.0, 3.3, 61.7}) {
        const CrawlerReading r = crawlerAt(motion, t);
        SCOPED_TRACE("t " + std::to_string(t));
        {
            CSondrelDoc doc;
            ASSERT_TRUE(parseOrientation(doc, 0, orientationSentence(0, r)));
            EXPECT_NEAR(doc.orientation.pitchDeg, r.pitchDeg, 0.05 + 1e-9);
            EXPECT_NEAR(doc.orientation.rollDeg, r.rollDeg, 0.05 + 1e-9);
            EXPECT_NEAR(doc.orientation.distanceM, r.distanceM, 0.005 + 1e-9);
            EXPECT_EQ(doc.orientation.pitchValid + doc.orientation.rollValid +
                          doc.orientation.distanceValid,
                      3);
        }
        {
            CSondrelDoc doc;
            ASSERT_TRUE(parseOrientation(doc, 1, orientationSentence(1, r)));
            EXPECT_NEAR(doc.orientation.distanceM, r.distanceM, 0.05 + 1e-9);
            EXPECT_EQ(doc.orientation.distanceValid, 1);
        }
        {
            CSondrelDoc doc;
            ASSERT_TRUE(parseOrientation(doc, 2, orientationSentence(2, r)));
            EXPECT_NEAR(doc.orientation.distanceM, r.distanceM, 0.00005 + 1e-9);
        }
        {
            CSondrelDoc doc;
            ASSERT_TRUE(parseOrientation(doc, 3, orientationSentence(3, r)));
            EXPECT_FLOAT_EQ(static_cast<float>(doc.orientation.distanceM),
                            static_cast<float>(r.distanceM));
            EXPECT_EQ(doc.orientation.reachValueReceived, 1);
        }
    }
    // Readings beyond what the fixed columns hold are limited, not garbled.
    CSondrelDoc doc;
    ASSERT_TRUE(parseOrientation(doc, 0, orientationSentence(0, {-150.0, 1234.5, 20000.0})));
    EXPECT_DOUBLE_EQ(doc.orientation.pitchDeg, -99.9);
    EXPECT_DOUBLE_EQ(doc.orientation.rollDeg, 999.9);
    EXPECT_DOUBLE_EQ(doc.orientation.distanceM, 9999.99);
}

TEST(SimulatedInstruments, CrawlerMovesSmoothly) {
    const CrawlerMotion motion;
    const CrawlerReading a = crawlerAt(motion, 10.0);
    const CrawlerReading b = crawlerAt(motion, 10.2);
    const CrawlerReading c = crawlerAt(motion, 20.0);
    EXPECT_LT(std::abs(a.pitchDeg - b.pitchDeg), 1.0);
    EXPECT_LT(std::abs(a.rollDeg - b.rollDeg), 2.0);
    EXPECT_NE(a.pitchDeg, c.pitchDeg);
    EXPECT_GT(c.distanceM, a.distanceM);
    EXPECT_LE(std::abs(a.pitchDeg), motion.pitchAmplitude);
}

TEST(SimulatedInstruments, ReachAnswersMeasurementRequestsAndStreamsOnlyWhenEnabled) {
    SimulatedReach reach;
    const std::uint8_t s[] = {'S'}, m[] = {'M'}, le[] = {'L', 'E'}, ld[] = {'L', 'D'};
    EXPECT_FALSE(reach.receive(s));
    EXPECT_TRUE(reach.receive(m));  // "SM" split over two writes, as the program sends it
    EXPECT_FALSE(reach.streaming());
    EXPECT_TRUE(reach.receive(le));
    EXPECT_TRUE(reach.streaming());
    EXPECT_FALSE(reach.receive(ld));
    EXPECT_FALSE(reach.streaming());
    const std::uint8_t noise[] = {'X', 'M', 'E', 'D'};
    EXPECT_FALSE(reach.receive(noise));
    EXPECT_FALSE(reach.streaming());
}

// A mechanically scanned head answers what it sweeps: the whole turn, a
// sector about its train, or the one direction a still beam looks along.
TEST(SimulatedHead, AnswersOnlyTheStepsItsScanSweeps) {
    const struct {
        int width, train, step;
        int firstLit, lastLit;  // profile samples with an echo; the rest are 0
    } cases[] = {
        {120, 60, 3, 0, 399},  // Polar, the default command
        {30, 60, 3, 350, 50},  // Sector of 90 degrees about 0 (sample 0), wrapping round
        {20, 90, 1, 67, 133},  // Sector of 60 degrees about 90 (sample 100)
        {0, 80, 0, 66, 67},    // SideScan: a still beam at 60 degrees (sample 66.7)
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        CommandBuffer command = initialCommand();
        command[cmd::kSectorWidth] = static_cast<std::uint8_t>(c.width);
        command[cmd::kTrain] = static_cast<std::uint8_t>(c.train);
        command[cmd::kStepSize] = static_cast<std::uint8_t>(c.step);
        SimulatedHead head({}, stillPipe());
        const std::vector<std::uint8_t> block = head.buildBlock(command, 0.0);
        for (int i = 0; i < kProfileSampleCount; ++i) {
            const bool lit = block[12 + 2 * i] != 0 || block[13 + 2 * i] != 0;
            const bool inside = c.firstLit <= c.lastLit ? i >= c.firstLit && i <= c.lastLit
                                                        : i >= c.firstLit || i <= c.lastLit;
            EXPECT_EQ(lit, inside) << "sample " << i;
        }
    }
}

TEST(SimulatedHead, ASectorHeadSweepsBackAndForthWithinItsSector) {
    CommandBuffer command = initialCommand();
    command[cmd::kSectorWidth] = 2;  // 6 degrees: 107 steps
    command[cmd::kTrain] = 60;       // about position 0
    command[cmd::kStepSize] = 16;
    SimulatedHead head({}, stillPipe());
    int lowest = 0, highest = 0, turns = 0, previousDirection = head.stepDirection();
    for (int i = 0; i < 100; ++i) {
        head.buildBlock(command, 0.0);
        int p = head.headPosition();
        if (p > kHeadStepsPerTurn / 2) p -= kHeadStepsPerTurn;
        lowest = std::min(lowest, p);
        highest = std::max(highest, p);
        turns += head.stepDirection() != previousDirection;
        previousDirection = head.stepDirection();
    }
    // Within 53 steps either side, and near each edge before it turns.
    EXPECT_LE(highest, 53);
    EXPECT_GT(highest, 53 - 16);
    EXPECT_GE(lowest, -53);
    EXPECT_LT(lowest, -53 + 16);
    EXPECT_GT(turns, 10);
}

TEST(SimulatedHead, CommandByte20ChoosesTheBlockKindUnlessOneIsSet) {
    const struct {
        std::uint8_t byte20;
        std::optional<BlockType> fixed;
        int length;
    } cases[] = {{4, {}, 265}, {8, {}, 513}, {16, {}, 813}, {0, {}, 813}, {4, BlockType::QSZ, 813}};
    for (const auto& c : cases) {
        CommandBuffer command = initialCommand();
        command[cmd::kDataFormat] = c.byte20;
        HeadConfig config;
        config.blockType = c.fixed;
        SimulatedHead head(config, stillPipe());
        EXPECT_EQ(head.buildBlock(command, 0.0).size(), static_cast<std::size_t>(c.length))
            << int(c.byte20);
    }
}
