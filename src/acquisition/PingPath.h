#pragma once
// What follows a ping once it is in the document, the same whether the head has
// just sent it or a data file held it. Live acquisition and playback both take
// this path, so a played ping is recorded, counted and shown exactly as a live
// one is.

namespace sondrel {

class CSondrelDoc;
class PingRecorder;

// A ping decoded whole: it is the current data, it goes into the recording
// under way, and it is counted. The recorder may be absent (nothing records).
void acceptValidPing(CSondrelDoc& doc, PingRecorder* recorder);

// After every ping taken in, valid or not: the views show the document as it now is.
void showPing(CSondrelDoc& doc);

}  // namespace sondrel
