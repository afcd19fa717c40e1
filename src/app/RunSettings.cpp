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

std::array<int, 4> orientationOf(const CSondrelDoc& doc) {
    return {doc.link.prdEnable, doc.link.prdComPort, doc.link.prdBaud, doc.link.sentenceType};
}

void putOrientation(CSondrelDoc& doc, const std::array<int, 4>& o) {
    doc.link.prdEnable = o[0];
    doc.link.prdComPort = o[1];
    doc.link.prdBaud = o[2];
    doc.link.sentenceType = o[3];
}

}  // namespace

void RunSettings::putRuns(CSondrelDoc& doc) const {
    if (override_) putHead(doc, *override_);
    if (orientationOverride_) {
        const OrientationChoice& o = *orientationOverride_;
        putOrientation(doc, {1, o.comPort, o.baud, o.sentenceType});
    }
}

void RunSettings::load(CSondrelDoc& doc) {
    loadSettings(doc, path_);
    if (!override_ && !orientationOverride_) return;
    // During playback the head settings are not read, so the document's head
    // is still this run's own and there is nothing new to remember.
    if (!doc.flags.playbackActive || !operatorsHeadKnown_) {
        operatorsHead_ = headOf(doc);
        operatorsOrientation_ = orientationOf(doc);
        operatorsHeadKnown_ = true;
    }
    putRuns(doc);
}

void RunSettings::save(CSondrelDoc& doc) {
    lastSaveFailure_.clear();
    if (!override_ && !orientationOverride_) {
        lastSaveOk_ = saveSettings(doc, path_, &lastSaveFailure_);
        return;
    }
    if (!operatorsHeadKnown_) {
        auto scratch = std::make_unique<CSondrelDoc>();
        loadSettings(*scratch, path_);
        operatorsHead_ = headOf(*scratch);
        operatorsOrientation_ = orientationOf(*scratch);
        operatorsHeadKnown_ = true;
    }
    const HeadChoice runsHead = headOf(doc);
    const std::array<int, 4> runsOrientation = orientationOf(doc);
    if (override_) putHead(doc, operatorsHead_);
    if (orientationOverride_) putOrientation(doc, operatorsOrientation_);
    lastSaveOk_ = saveSettings(doc, path_, &lastSaveFailure_);
    putHead(doc, runsHead);
    putOrientation(doc, runsOrientation);
}

ComPortResolver RunSettings::portNames() const {
    ComPortResolver fromFile = comPortResolverFor(path_);
    if (!orientationOverride_) return fromFile;
    return [fromFile, run = *orientationOverride_](int n) {
        return n == run.comPort ? run.device : fromFile(n);
    };
}

}  // namespace sondrel
