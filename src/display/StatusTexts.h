#pragma once
// Texts of the main window that are rules of the document rather than of the
// window system: the status bar's value panes and the window title.

#include <string>
#include <string_view>

namespace sondrel {

class CSondrelDoc;
struct CursorReadout;

// ---- status bar value panes
std::string pitchPaneText(const CSondrelDoc& doc);
std::string rollPaneText(const CSondrelDoc& doc);
std::string distancePaneText(const CSondrelDoc& doc);
// The cursor readout's horizontal, vertical and range panes.
std::string cursorLengthPaneText(double metres, bool feet);
std::string bearingPaneText(const CSondrelDoc& doc, const CursorReadout& cursor);
std::string dateTimePaneText(const CSondrelDoc& doc);

// A live recording waiting for its head, in the view's recording status place
// and in the status bar's message pane.
inline constexpr std::string_view kRecordingPausedText = "Link lost - recording paused";
// A live recording whose survey has no header yet, in the recording status place.
inline constexpr const char* kRecordingWithoutHeaderText = "Recording (no survey header)";
// The message pane's own text: empty unless a recording is paused.
std::string messagePaneText(const CSondrelDoc& doc);

struct StatusPaneTexts {
    std::string pitch, roll, distance;
    std::string horizontal, vertical, range, bearing;
    std::string dateTime;
    std::string message;
};
// The cursor panes show the view's readout.
StatusPaneTexts statusPaneTexts(const CSondrelDoc& doc, const CursorReadout& cursor);

// ---- window title
inline constexpr std::string_view kRealTimeTitle = "Sondrel - Real Time ";
inline constexpr std::string_view kResizedRealTimeTitle = "Sondrel -- Real Time ";

// Titles of 256 characters or more are shortened (see shortenTitle).
inline constexpr std::size_t kLongTitleLength = 256;

// When the title is set: at start-up, by the window's size handler, and when
// recording or playback starts or stops. The title follows from the document:
// recording or copying names the file written, playback the file played,
// otherwise real time (the size handler's form has two hyphens).
enum class TitleOccasion { StartUp, Resize, RecordingStarted, RecordingStopped, PlaybackOpened };
std::string windowTitle(const CSondrelDoc& doc, TitleOccasion occasion);

std::string playbackTitle(std::string_view playbackPath);
std::string recordingTitle(std::string_view recordName, bool copying);

// Keeps a long title readable: the final path component (the file name with
// the closing "] ") stays whole, preceded by as much of the title's beginning
// as fits in 251 characters with it and the marker " ~~\" (while recording) or
// " ~~\ ". Both '/' and '\' end a path component; the marker keeps its
// backslash on every platform, so the shortened form reads the same
// everywhere. Lengths count characters of UTF-8 text, and a file name too long
// to fit keeps its end. Titles under 256 characters are returned unchanged.
std::string shortenTitle(std::string_view title, bool recording);

}  // namespace sondrel
