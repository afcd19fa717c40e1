#pragma once
// Simulated orientation instruments: a crawler that pitches, rolls and pays out
// cable, and the sentences the four kinds of instrument send about it. Plain
// C++ so the parsers can be tested against exactly what the simulator sends.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace sondrel {

struct CrawlerMotion {
    double pitchAmplitude = 4.0;  // degrees
    double rollAmplitude = 8.0;   // degrees
    double speed = 0.05;          // metres per second, cable paid out
    double startDistance = 0.0;   // metres
};

struct CrawlerReading {
    double pitchDeg = 0.0;
    double rollDeg = 0.0;
    double distanceM = 0.0;
};

// The crawler's attitude and travelled distance at time t (seconds), varying
// smoothly so that a live display visibly moves.
CrawlerReading crawlerAt(const CrawlerMotion& motion, double timeS);

// One sentence of the given instrument type, as sent on its serial line:
// 0 the crawler's fixed-column pitch/roll/distance line, 1 the "$" cable
// counter (metres), 2 the "#CABLE" cable counter (millimetres), 3 the Reach
// instrument's "R" and a big-endian single-precision distance in metres.
// Values are limited to what each format's columns can show.
std::vector<std::uint8_t> orientationSentence(int sentenceType, const CrawlerReading& reading);

// The Reach instrument's side of its little command set. "SM" asks for one
// measurement, answered at once; "LE" starts sending a measurement at every
// tick of the instrument (and one at once); "LD" stops that.
class SimulatedReach {
  public:
    // Bytes received from the program; returns whether a measurement is due now.
    bool receive(std::span<const std::uint8_t> bytes);
    bool streaming() const { return streaming_; }
    void reset() {
        streaming_ = false;
        previous_ = 0;
    }

  private:
    bool streaming_ = false;
    std::uint8_t previous_ = 0;
};

}  // namespace sondrel
