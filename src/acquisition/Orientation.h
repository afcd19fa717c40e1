#pragma once
// The orientation instrument on the second serial port: pitch, roll and the
// distance paid out, in one of four sentence formats. The parsers are plain
// functions over the bytes of one read, so they can be fed anything; the input
// class drives the port around them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace sondrel {

class CSondrelDoc;
class CycleObserver;
class OrientationLink;
class TimerHost;

enum SentenceType : int {
    kSentenceInuktun = 0,
    kSentenceCableDollar = 1,  // "$ x.x,meter" CR LF
    kSentenceCableHash = 2,    // ",#CABLE, xxx.x, " (millimetres)
    kSentenceReach = 3,        // "R" and a 4-byte float
};

inline constexpr std::size_t kOrientationBufferSize = 1024;
inline constexpr std::size_t kOrientationReadMax = 1000;
// While no sonar data arrive the port is read at this period.
inline constexpr int kOrientationPollMs = 200;
// Consecutive bad readings of one crawler field that are bridged with the last value.
inline constexpr int kMaxOrientationErrors = 20;
// A read of fewer bytes than this is not parsed.
inline constexpr std::size_t kMinOrientationSentence = 4;

// Whether a pitch, roll or distance can stand as a reading: a finite number
// that a record's single-precision field holds. Anything else is no reading,
// so that neither a screen nor a file ever shows "nan" or "inf".
bool isRecordableReading(double value);

// Each parser updates the document's orientation fields from the bytes of one
// read and returns whether it took a new value. Bytes outside the span are never
// touched.
bool parseInuktun(CSondrelDoc& doc, std::span<const std::uint8_t> bytes);
bool parseCableCounterDollar(CSondrelDoc& doc, std::span<const std::uint8_t> bytes);
bool parseCableCounterHash(CSondrelDoc& doc, std::span<const std::uint8_t> bytes);
bool parseReach(CSondrelDoc& doc, std::span<const std::uint8_t> bytes);
// By sentence type; unknown types read as the crawler's format.
bool parseOrientation(CSondrelDoc& doc, int sentenceType, std::span<const std::uint8_t> bytes);

// The orientation port as the cycle uses it. All calls run on the main thread.
class OrientationInput {
  public:
    OrientationInput(CSondrelDoc& doc, TimerHost& timers);

    void setLink(OrientationLink* link) { link_ = link; }
    OrientationLink* link() const { return link_; }
    // Told after every read so the status bar shows the new values.
    void setObserver(CycleObserver* observer) { observer_ = observer; }

    // Opens prdComPort at prdBaud; while no sonar data arrive the orientation
    // timer then reads it every 200 ms. Returns whether the port opened.
    bool openOrientationPort();
    // One read of what the instrument has sent, parsed by sentenceType.
    void readOrientation();
    // Sends the closing bytes "L", "D" and closes.
    void closeOrientationPort();
    bool isOpen() const;

    void resetByteCount() { byteCount_ = 0; }
    std::span<const std::uint8_t> lastRead() const { return {buffer_.data(), byteCount_}; }

  private:
    void writeByte(char c);

    CSondrelDoc& doc_;
    TimerHost& timers_;
    OrientationLink* link_ = nullptr;
    CycleObserver* observer_ = nullptr;
    std::array<std::uint8_t, kOrientationBufferSize> buffer_{};
    std::size_t byteCount_ = 0;
};

}  // namespace sondrel
