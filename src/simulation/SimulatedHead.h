#pragma once
// A simulated profiling head: it answers switch data commands with return blocks
// built from a model pipe, the way a real head on the bench would, and can be
// told to misbehave. The transports live in the sondrel-headsim tool; this part
// is plain C++ so tests and benchmarks can run the head in-process.
//
// The head's own conventions (ours to choose, the program only sees the bytes):
// - profile sample i looks 180 - 0.9 i degrees clockwise from straight up, i.e.
//   sample 0 looks straight down and the samples turn anticlockwise as seen on
//   the screen; with the program's default zero position (Up) and transducer
//   direction (Aft) the pipe is drawn the right way up;
// - a full turn of the head is kHeadStepsPerTurn positions; each ping advances
//   the position by the commanded step size in the current step direction;
// - header bytes 10 and 11 carry the reply's sequence number (7 bits each), so
//   a recorded block can be matched to the reply that produced it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "acquisition/SwitchCommand.h"
#include "display/ProfilePass.h"
#include "simulation/Scenario.h"

namespace sondrel {

inline constexpr int kHeadStepsPerTurn = 6400;
inline constexpr std::uint8_t kSimulatedHeadId = 0x10;
// Time of flight is turned into a distance at this speed by every format the
// head sends; the program rescales by its own sound velocity.
inline constexpr double kHeadReferenceSoundVelocity = 1500.0;

// The pipe around the head. Lengths in metres.
struct PipeModel {
    double diameter = 0.6;
    // (largest - smallest diameter) / nominal diameter; the pipe is squashed
    // vertically, as buried pipes deform.
    double ovality = 0.0;
    // Direction of the largest diameter in degrees anticlockwise from the
    // horizontal; 0 keeps the squash vertical.
    double ovalityAngle = 0.0;
    // The head's position relative to the pipe axis (x to the right, y up).
    double offsetX = 0.0;
    double offsetY = 0.0;
    // Depth of a flat layer of sediment at the bottom of the pipe.
    double sediment = 0.0;
    // Standard deviation of the range noise.
    double noise = 0.0;
    // Fraction of look directions that return nothing.
    double dropouts = 0.0;
    // Fraction of look directions that hit debris in the water before the
    // wall: an echo between a third of the way and nearly at the wall.
    double debris = 0.0;
    // Amplitude of the slow wander of the head (and of the sediment surface)
    // that keeps a live picture moving a little; 0 holds it still.
    double wander = 0.004;
    // The speed of sound in the water of the model; a program set to another
    // velocity draws the pipe correspondingly too large or too small.
    double soundVelocity = 1500.0;
};

// Distance from the head to the pipe wall (or the sediment surface) along a
// look direction given in degrees clockwise from straight up, at model time t
// in seconds; nullopt when the head is outside the pipe.
std::optional<double> wallDistance(const PipeModel& pipe, double angleDegrees, double timeS);

// Where the head is about the pipe's axis at model time t: its offset and the
// slow wander.
void headPlaceAt(const PipeModel& pipe, double timeS, double& x, double& y);

// The model pipe and the head's place in it at one moment, for many look
// directions: along a unit vector (x to the right, y up) the distance is
// nullopt when the head is outside the pipe or buried in the sediment.
class PipeSnapshot : public SectionSnapshot {
  public:
    PipeSnapshot(const PipeModel& pipe, double timeS);
};

// The value a head sends for one profile range, for a status format code, a
// range code and a pulse length: the inverse of the program's conversion, so
// the program draws the echo where it is. `apparentMetres` is the echo's time
// of flight times half the reference sound velocity. 0 (no return) when the
// echo lies beyond the range or cannot be represented in the format.
class ProfileEncoder {
  public:
    ProfileEncoder(int formatCode, int rangeCode, int pulseLengthCode);
    std::uint16_t encode(double apparentMetres) const;

  private:
    ProfileConversion conversion_;
    double slope_ = 0.0;
    double intercept_ = 0.0;
};
std::uint16_t encodeProfileValue(double apparentMetres, int formatCode, int rangeCode,
                                 int pulseLengthCode);

enum class BlockType { QSZ, QMZ, QGZ };
int blockLengthOf(BlockType type);
int sampleCountOf(BlockType type);
const char* blockLetters(BlockType type);
std::optional<BlockType> blockTypeFromName(std::string_view name);

// The block kind command byte 20 asks for: 4 QMZ, 8 QGZ, anything else QSZ.
BlockType blockTypeForDataFormat(std::uint8_t byte20);

// What a mechanically scanned head sweeps for one command: the whole turn
// (sector width 360 degrees), a sector about the train angle it sweeps back
// and forth, or a beam held still at the train angle (no step, or no width:
// side scan).
struct ScanPlan {
    enum class Kind { Polar, Sector, FixedBeam } kind = Kind::Polar;
    int trainSteps = 0;      // head position of the train angle
    int halfWidthSteps = 0;  // of the sector
};
ScanPlan scanPlanOf(const CommandBuffer& command);
// Whether profile sample i lies in what the plan scans.
bool scansSample(const ScanPlan& plan, int sample);

struct HeadConfig {
    // A kind fixed by the operator of the simulator; none follows command byte 20.
    std::optional<BlockType> blockType;
    // Low two bits of the status byte: selects how the program converts the
    // profile ranges. Format 2 (time of flight) is the default because the
    // program's sound velocity and pulse length then apply as on real water.
    int formatCode = 2;
    std::uint8_t headId = kSimulatedHeadId;
    std::uint32_t seed = 1;
};

// Misbehaviour on request. "Every N" counts valid commands from 1 and applies
// to commands N, 2N, ...; 0 switches a fault off.
struct FaultPlan {
    int splitSegments = 1;  // send each block in this many pieces
    int splitDelayMs = 0;   // pause between the pieces
    int delayMs = 0;        // pause before a reply starts
    int shortEvery = 0;     // send only the first shortLength bytes
    int shortLength = 500;
    int invalidEvery = 0;  // wrong type letters, full length
    int garbageEvery = 0;  // garbageLength stray bytes before the block
    int garbageLength = 16;
    int silentEvery = 0;  // no reply at all
    int silentFrom = 0;   // no reply to this command and all later ones
    int closeAfter = 0;   // drop the connection after this many replies on it

    bool any() const;
};

// What the transport is to do with one command.
struct Reply {
    bool silent = false;
    // What was sent, for a log that can be held against what the program kept:
    // the reply's number (as bytes 10 and 11 carry it, 14 bits), the stray
    // bytes before the block, and whether the block lost its letters or its tail.
    std::uint64_t number = 0;
    std::size_t strayBytes = 0;
    bool invalidLetters = false;
    bool cutShort = false;
    std::vector<std::uint8_t> bytes;
    // Sizes of the pieces to send, in order; they add up to bytes.size().
    std::vector<std::size_t> segments;
    int delayMs = 0;
    int segmentDelayMs = 0;
    bool closeAfter = false;
};

enum class CommandFault { None, BadLength, BadStart, BadEnd, TerminatorInside, BadIdentifier };
const char* commandFaultName(CommandFault fault);
// Why a 27-byte candidate is not a switch data command for this head.
CommandFault validateCommand(std::span<const std::uint8_t> bytes, std::uint8_t headId);

// Cuts a byte stream into switch data commands. Bytes before a start byte are
// skipped; a frame that does not validate is reported once and skipped, and
// the search resumes at the next start byte, so a command that lost bytes
// never takes the following good command with it.
class CommandFramer {
  public:
    struct Malformed {
        std::vector<std::uint8_t> bytes;
        CommandFault fault;
    };
    using CommandSink = std::function<void(const CommandBuffer&)>;
    using MalformedSink = std::function<void(const Malformed&)>;

    explicit CommandFramer(std::uint8_t headId = kSimulatedHeadId) : headId_(headId) {}
    void feed(std::span<const std::uint8_t> bytes, const CommandSink& onCommand,
              const MalformedSink& onMalformed);
    void reset() {
        pending_.clear();
        resyncing_ = false;
    }

    std::uint64_t skippedBytes() const { return skipped_; }
    std::uint64_t malformedCount() const { return malformed_; }

  private:
    std::uint8_t headId_;
    std::vector<std::uint8_t> pending_;
    bool resyncing_ = false;
    std::uint64_t skipped_ = 0;
    std::uint64_t malformed_ = 0;
};

class SimulatedHead {
  public:
    SimulatedHead(HeadConfig config, PipeModel pipe, FaultPlan faults = {});

    // One well-formed block answering `command` at model time t, advancing the
    // head by one ping. No faults are applied.
    std::vector<std::uint8_t> buildBlock(const CommandBuffer& command, double timeS);
    // The full answer to a validated command, faults included.
    Reply answer(const CommandBuffer& command, double timeS);
    // A new link replaced the old one: the per-link reply count restarts.
    void linkOpened() { repliesOnLink_ = 0; }
    // A scenario's pipe at the crawler's place replaces the model's shape
    // (diameter, ovality, sediment) until cleared; the model's noise,
    // drop-outs, debris, offset, wander and water still apply.
    void setSection(const CrossSection& section) { section_ = section; }
    void clearSection() { section_.reset(); }

    HeadConfig& config() { return config_; }
    PipeModel& pipe() { return pipe_; }
    FaultPlan& faults() { return faults_; }
    const HeadConfig& config() const { return config_; }
    const PipeModel& pipe() const { return pipe_; }
    const FaultPlan& faults() const { return faults_; }

    int headPosition() const { return position_; }
    int stepDirection() const { return direction_; }
    std::uint64_t commandCount() const { return commands_; }
    std::uint64_t replyCount() const { return replies_; }

  private:
    void encodeProfile(std::uint8_t* out, const CommandBuffer& command, double timeS);
    void encodeEchoTrace(std::uint8_t* out, int samples, const CommandBuffer& command,
                         double timeS);
    double noisy(double metres);
    void move(const CommandBuffer& command, const ScanPlan& plan);
    SectionSnapshot snapshotAt(double timeS) const;

    HeadConfig config_;
    PipeModel pipe_;
    FaultPlan faults_;
    std::mt19937_64 random_;
    std::normal_distribution<double> gauss_{0.0, 1.0};
    std::optional<CrossSection> section_;
    int position_ = 0;
    int direction_ = 1;
    int sweep_ = 0;  // a sector head's place about its train, in steps
    std::uint64_t commands_ = 0;
    std::uint64_t replies_ = 0;
    std::uint64_t repliesOnLink_ = 0;
};

}  // namespace sondrel
