#include "app/RunSettings.h"

#include <memory>
#include <utility>

#include "acquisition/SondrelDoc.h"
#include "recording/SettingsFile.h"

namespace sondrel {

namespace {

HeadChoice headOf(const CSondrelDoc& doc) {
    return {doc.head.sonarType, doc.link.ipAddress, doc.link.ipPort};
}

void putHead(CSondrelDoc& doc, const HeadChoice& head) {
    doc.head.sonarType = head.sonarType;
    doc.link.ipAddress = head.ipAddress;
    doc.link.ipPort = head.ipPort;
}

}  // namespace

void RunSettings::load(CSondrelDoc& doc) {
    loadSettings(doc, path_);
    if (!override_) return;
    // During playback the head settings are not read, so the document's head
    // is still this run's own and there is nothing new to remember.
    if (!doc.flags.playbackActive || !operatorsHeadKnown_) {
        operatorsHead_ = headOf(doc);
        operatorsHeadKnown_ = true;
    }
    putHead(doc, *override_);
}

void RunSettings::save(CSondrelDoc& doc) {
    lastSaveFailure_.clear();
    if (!override_) {
        lastSaveOk_ = saveSettings(doc, path_, &lastSaveFailure_);
        return;
    }
    if (!operatorsHeadKnown_) {
        auto scratch = std::make_unique<CSondrelDoc>();
        loadSettings(*scratch, path_);
        operatorsHead_ = headOf(*scratch);
        operatorsHeadKnown_ = true;
    }
    const HeadChoice runs = headOf(doc);
    putHead(doc, operatorsHead_);
    lastSaveOk_ = saveSettings(doc, path_, &lastSaveFailure_);
    putHead(doc, runs);
}

}  // namespace sondrel
