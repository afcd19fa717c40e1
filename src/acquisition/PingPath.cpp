#include "acquisition/PingPath.h"

#include "acquisition/Links.h"
#include "acquisition/SondrelDoc.h"

namespace sondrel {

void acceptValidPing(CSondrelDoc& doc, PingRecorder* recorder) {
    doc.noNewData = 0;
    doc.pingOnScreen = true;
    if (doc.recordingActive == 1 && recorder) recorder->recordPing(doc);
    ++doc.pingCount;
}

void showPing(CSondrelDoc& doc) {
    doc.views().updateViews(ViewHint::Repaint);
}

}  // namespace sondrel
