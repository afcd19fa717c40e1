#include "display/StatusTexts.h"

#include "acquisition/SonarTables.h"
#include "acquisition/SondrelDoc.h"
#include "common/PrintableText.h"
#include "display/Overlays.h"
#include "display/TextFormat.h"
#include "display/Utf8Text.h"
#include "display/ViewState.h"

namespace sondrel {

namespace {

constexpr std::size_t kShortTitleRoom = 251;
constexpr std::string_view kRecordingMarker = " ~~\\";
constexpr std::string_view kMarker = " ~~\\ ";

std::string lengthText(double metres, bool feet, bool threeDecimals) {
    if (feet) return formatted(threeDecimals ? "%.3f ft" : "%.2f ft", metres / kMetresPerFoot);
    return formatted(threeDecimals ? "%.3f m" : "%.2f m", metres);
}

}  // namespace

std::string pitchPaneText(const CSondrelDoc& doc) {
    return doc.orientationOnShow().pitchValid
               ? formatted("%.1f deg.", doc.orientationOnShow().pitchDeg)
               : std::string("n/a");
}

std::string rollPaneText(const CSondrelDoc& doc) {
    return doc.orientationOnShow().rollValid
               ? formatted("%.1f deg.", doc.orientationOnShow().rollDeg)
               : std::string("n/a");
}

std::string distancePaneText(const CSondrelDoc& doc) {
    if (!doc.orientationOnShow().distanceValid) return "n/a";
    // Sentences of type 2 carry the distance in millimetres; show them.
    return lengthText(doc.orientationOnShow().distanceM, doc.display.unitsFeet == 1,
                      doc.link.sentenceType == 2);
}

std::string cursorLengthPaneText(double metres, bool feet) {
    return lengthText(metres, feet, true);
}

std::string bearingPaneText(const CSondrelDoc& doc, const CursorReadout& cursor) {
    if (doc.headOnShow().scanMode == kSideScan) return "n/a";
    return formatted("%.1f deg.", cursor.cursorBearing);
}

std::string dateTimePaneText(const CSondrelDoc& doc) {
    // Before the first ping, and after a file was opened, there is no time to show.
    if (doc.ping.dateText.empty() && doc.ping.timeText.empty()) return {};
    return printableText(doc.ping.dateText) + "   " + printableText(doc.ping.timeText);
}

std::string messagePaneText(const CSondrelDoc& doc) {
    return doc.recordingPaused() ? std::string(kRecordingPausedText) : std::string();
}

StatusPaneTexts statusPaneTexts(const CSondrelDoc& doc, const CursorReadout& cursor) {
    const bool feet = doc.display.unitsFeet == 1;
    StatusPaneTexts t;
    t.pitch = pitchPaneText(doc);
    t.roll = rollPaneText(doc);
    t.distance = distancePaneText(doc);
    t.horizontal = cursorLengthPaneText(cursor.cursorHorizontal, feet);
    t.vertical = cursorLengthPaneText(cursor.cursorVertical, feet);
    t.range = cursorLengthPaneText(cursor.cursorRange, feet);
    t.bearing = bearingPaneText(doc, cursor);
    t.dateTime = dateTimePaneText(doc);
    t.message = messagePaneText(doc);
    return t;
}

std::string playbackTitle(std::string_view playbackPath) {
    std::string t = "Sondrel - Playback File [";
    t += printableText(playbackPath);
    t += "] ";
    return t;
}

std::string recordingTitle(std::string_view recordName, bool copying) {
    std::string t = copying ? "Sondrel - Copy to File [" : "Sondrel - Record to File [";
    t += printableText(recordName);
    t += "] ";
    return t;
}

std::string windowTitle(const CSondrelDoc& doc, TitleOccasion occasion) {
    const bool playing = doc.flags.playbackActive;
    const bool recording = doc.flags.recordingActive;
    std::string title;
    switch (occasion) {
        case TitleOccasion::StartUp:
            title = kRealTimeTitle;
            break;
        case TitleOccasion::RecordingStarted:
            title = recordingTitle(doc.files.recordPath, playing);
            break;
        case TitleOccasion::PlaybackOpened:
            title = playbackTitle(doc.files.playbackPath);
            break;
        case TitleOccasion::RecordingStopped:
            title = playing ? playbackTitle(doc.files.playbackPath) : std::string(kRealTimeTitle);
            break;
        case TitleOccasion::Resize:
            // Resizing the window must not hide which file is being written.
            if (recording) {
                title = recordingTitle(doc.files.recordPath, playing);
            } else {
                title = playing ? playbackTitle(doc.files.playbackPath)
                                : std::string(kResizedRealTimeTitle);
            }
            break;
    }
    return shortenTitle(title, recording);
}

std::string shortenTitle(std::string_view title, bool recording) {
    if (utf8Length(title) < kLongTitleLength) return std::string(title);
    const std::size_t separator = title.find_last_of("/\\");
    std::string_view name =
        separator == std::string_view::npos ? title : title.substr(separator + 1);
    const std::size_t nameLength = utf8Length(name);
    std::string_view head;
    if (nameLength >= kShortTitleRoom) {
        name = utf8Suffix(name, kShortTitleRoom);
    } else {
        head = utf8Prefix(title, kShortTitleRoom - nameLength);
    }
    std::string t(head);
    t += recording ? kRecordingMarker : kMarker;
    t += name;
    return t;
}

}  // namespace sondrel
