#pragma once
// How a ping becomes the ping on show, and what follows it, the same whether
// the head has just sent it or a data file held it. Live acquisition and
// playback both take this path, so a played ping is recorded, counted and
// shown exactly as a live one is.

#include "acquisition/Ping.h"

namespace sondrel {

class CSondrelDoc;
class PingRecorder;

// The settings the live head is being driven with, as a ping taken now
// carries them.
PingSettings liveSettings(const CSondrelDoc& doc);

// A block from the live head becomes the ping on show: its bytes and echo
// always (an invalid header is shown as received); its decoded header, the
// orientation readings and the live settings only when the header is valid,
// and then the head's reported range is the range in force. The time stamp
// is the poll's, already on the ping on show. Returns whether it was valid.
bool takeLivePing(CSondrelDoc& doc, const Ping& received);
// The block a link left in the receive buffer, sized, copied and decoded.
bool sizeCopyAndDecode(CSondrelDoc& doc);

// A played record's ping becomes the ping on show: its time and settings
// always; its header, samples and readings only when its header is valid.
// What a damaged record leaves unknown (a scan mode beyond the three, a
// velocity beyond belief, a data format or sample count it has no code for)
// stays as the ping before had it. Returns whether it was valid.
bool takePlayedPing(CSondrelDoc& doc, const Ping& played);

// A ping decoded whole: it is the current data, it goes into the recording
// under way, and it is counted. The recorder may be absent (nothing records).
void acceptValidPing(CSondrelDoc& doc, PingRecorder* recorder);

// After every ping taken in, valid or not: the views show the document as it now is.
void showPing(CSondrelDoc& doc);

}  // namespace sondrel
