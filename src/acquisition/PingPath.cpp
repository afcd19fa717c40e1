#include "acquisition/PingPath.h"

#include "acquisition/Links.h"
#include "acquisition/SondrelDoc.h"

namespace sondrel {

void acceptValidPing(CSondrelDoc& doc, PingRecorder* recorder) {
    doc.link.noNewData = 0;
    doc.pings.pingOnScreen = true;
    if (doc.flags.recordingActive && recorder) recorder->recordPing(doc);
    ++doc.pings.pingCount;
}

void showPing(CSondrelDoc& doc) {
    doc.views().updateViews(ViewHint::Repaint);
}

}  // namespace sondrel
