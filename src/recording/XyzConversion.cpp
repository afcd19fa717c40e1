#include "recording/XyzConversion.h"

#include "acquisition/SondrelDoc.h"
#include "common/IniFile.h"
#include "common/JobProgress.h"
#include "common/OperatorPort.h"
#include "recording/FileMessages.h"
#include "recording/Player.h"
#include "recording/SettingsFile.h"

namespace sondrel {

namespace {

constexpr const char* kCreateFailedMessage = "Error Creating XYZ File!";
constexpr const char* kCompleteMessage = "Conversion Complete!";

// A document as sondrel-convert makes one for a file, from the settings the
// window would write to the settings file now: the same settings then give
// the same points, whatever earlier playback left in the window's document.
std::unique_ptr<CSondrelDoc> conversionDocument(const CSondrelDoc& shown) {
    IniFile settings;
    saveSettings(shown, settings);
    auto doc = std::make_unique<CSondrelDoc>();
    doc->flags.playbackActive = true;
    loadSettings(*doc, settings);
    return doc;
}

// What became of the part written, after "Error Writing File!".
const char* stoppedConversionText(PartialFile partial) {
    switch (partial) {
        case PartialFile::Removed:
            return "The conversion has stopped and the incomplete XYZ file was removed.";
        case PartialFile::Kept:
            return "The conversion has stopped; the incomplete XYZ file could not be removed.";
        case PartialFile::NoFile:
            break;
    }
    return "The conversion has stopped.";
}

}  // namespace

XyzConversion::XyzConversion(CSondrelDoc& doc, OperatorPort& operatorPort)
    : doc_(doc), operator_(operatorPort) {}

XyzConversion::~XyzConversion() = default;

bool XyzConversion::start(Player& player) {
    // A second conversion would write beside the first one's file while the
    // operator still watches the first.
    if (running()) return false;
    doc_.flags.holdActive = false;
    // Only a file opened now is converted: cancelling the dialog during
    // playback leaves the file on screen playing as before.
    if (!player.openPlayback() || !doc_.flags.playbackActive) return false;

    jobDoc_ = conversionDocument(doc_);
    auto job =
        std::make_unique<DataFileConversion>(*jobDoc_, doc_.files.playbackPath, doc_.files.xyzPath);
    if (!job->open()) {
        last_ = job->result();
        if (job->createError() != 0) {
            operator_.showMessage(fileOpenFailureText(doc_.files.xyzPath, job->createError()),
                                  MessageKind::Error);
            operator_.showMessage(kCreateFailedMessage, MessageKind::Error);
        } else {
            operator_.showMessage(last_.message, MessageKind::Error);
        }
        jobDoc_.reset();
        // The file simply plays.
        return false;
    }
    job_ = std::move(job);
    doc_.flags.xyzConversionActive = true;
    return true;
}

void XyzConversion::run(JobProgress& progress) {
    if (!job_) return;
    DataFileConversion& job = *job_;
    job.run(
        [&](std::int64_t done, std::int64_t total) {
            const ConversionSummary& s = job.result().summary;
            progress.report(done, total, s.recordsRead + s.recordsSkipped);
        },
        [&] { return progress.cancelled(); });
}

void XyzConversion::finish() {
    if (!job_) return;
    last_ = job_->result();
    const std::string output = job_->output();
    const std::string reason = job_->writeError();
    const PartialFile partial = job_->partialOutput();
    job_.reset();
    jobDoc_.reset();
    doc_.flags.xyzConversionActive = false;

    const ConversionSummary& s = last_.summary;
    switch (last_.error) {
        case ConversionError::None:
            if (s.stoppedAtUnsizableRecord) {
                operator_.showMessage(std::string(kCompleteMessage) +
                                          "\n\nThe file holds a record of unknown size at byte " +
                                          std::to_string(s.stopPosition) +
                                          ": the records after it were not converted.",
                                      MessageKind::Warning);
            } else {
                operator_.showMessage(kCompleteMessage, MessageKind::Information);
            }
            break;
        case ConversionError::Cancelled:
            // The operator asked for it; the part written is gone.
            break;
        case ConversionError::OutputUnwritable:
            operator_.showMessage(
                fileWriteFailureText(output, reason, stoppedConversionText(partial)),
                MessageKind::Error);
            break;
        default:
            operator_.showMessage(last_.message, MessageKind::Error);
            break;
    }
}

}  // namespace sondrel
