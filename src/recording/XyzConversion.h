#pragma once
// "Convert .QZR file to .xyz...": the chosen data file is played through once
// and every record read with a valid return header adds its accepted profile
// points to a text file beside it. The conversion runs its own profile pass for
// each record as playback reads it, so a record is written exactly once however
// often the window repaints; records already written are not written again when
// the operator steps back. At the end of the file it reports "Conversion
// Complete!" and playback stops on the last record.

#include <cstdint>

#include "display/ProfilePass.h"
#include "recording/XyzExport.h"

namespace sondrel {

class CSondrelDoc;
class OperatorPort;
class Player;
class TimerHost;

class XyzConversion {
  public:
    XyzConversion(CSondrelDoc& doc, TimerHost& timers, OperatorPort& operatorPort);
    XyzConversion(const XyzConversion&) = delete;
    XyzConversion& operator=(const XyzConversion&) = delete;

    // The command: `player` asks for the file and plays it through this
    // conversion. Refused while a conversion runs (the command is greyed then
    // too). Returns whether a conversion is now running.
    bool start(Player& player);
    // A conversion is writing its file.
    bool running() const;

    // Playback has read the record starting at `position`, with a valid return header.
    void recordRead(std::int64_t position);
    // Playback reached the end of the file.
    void finish();
    // The played file was closed (connect, shutdown): what is written stays.
    void abandon();

    std::int64_t pointsWritten() const { return writer_.pointsWritten(); }
    std::int64_t recordsWritten() const { return writer_.recordsWritten(); }

  private:
    void endAfterWriteError();

    CSondrelDoc& doc_;
    TimerHost& timers_;
    OperatorPort& operator_;
    XyzWriter writer_;
    ProfilePath path_;
    // Start of the first record not yet written.
    std::int64_t writtenUpTo_ = 0;
};

}  // namespace sondrel
