// Status bar pane texts and window titles.
#include <string>

#include <gtest/gtest.h>

#include "acquisition/SonarTables.h"
#include "acquisition/SondrelDoc.h"
#include "display/StatusTexts.h"
#include "display/Utf8Text.h"
#include "display/ViewState.h"

namespace sondrel {
namespace {

TEST(StatusPanes, OrientationValuesOrNotAvailable) {
    CSondrelDoc doc;
    StatusPaneTexts t = statusPaneTexts(doc, {});
    EXPECT_EQ(t.pitch, "n/a");
    EXPECT_EQ(t.roll, "n/a");
    EXPECT_EQ(t.distance, "n/a");

    doc.orientation.pitchValid = doc.orientation.rollValid = doc.orientation.distanceValid = 1;
    doc.orientation.pitchDeg = -3.25;
    doc.orientation.rollDeg = 179.96;
    doc.orientation.distanceM = 1.0;
    t = statusPaneTexts(doc, {});
    EXPECT_EQ(t.pitch, "-3.2 deg.");  // %.1f rounds the binary value 3.25 to even
    EXPECT_EQ(t.roll, "180.0 deg.");
    EXPECT_EQ(t.distance, "1.00 m");
    doc.display.unitsFeet = 1;
    EXPECT_EQ(distancePaneText(doc), "3.28 ft");
    doc.link.sentenceType = 2;
    EXPECT_EQ(distancePaneText(doc), "3.281 ft");
    doc.display.unitsFeet = 0;
    EXPECT_EQ(distancePaneText(doc), "1.000 m");
}

TEST(StatusPanes, CursorReadoutAndBearing) {
    CSondrelDoc doc;
    CursorReadout cursor;
    cursor.cursorHorizontal = 0.1234;
    cursor.cursorVertical = -0.5;
    cursor.cursorRange = 0.3048;
    cursor.cursorBearing = 271.04;
    doc.head.scanMode = kPolar;
    StatusPaneTexts t = statusPaneTexts(doc, cursor);
    EXPECT_EQ(t.horizontal, "0.123 m");
    EXPECT_EQ(t.vertical, "-0.500 m");
    EXPECT_EQ(t.range, "0.305 m");
    EXPECT_EQ(t.bearing, "271.0 deg.");
    doc.display.unitsFeet = 1;
    t = statusPaneTexts(doc, cursor);
    EXPECT_EQ(t.range, "1.000 ft");
    EXPECT_EQ(cursorLengthPaneText(-0.3048 * 2, true), "-2.000 ft");
    doc.head.scanMode = kSideScan;
    EXPECT_EQ(bearingPaneText(doc, cursor), "n/a");
}

TEST(StatusPanes, PingDateAndTime) {
    CSondrelDoc doc;
    doc.ping.dateText = "08-DEC-2026";
    doc.ping.timeText = "14:03:07";
    EXPECT_EQ(statusPaneTexts(doc, {}).dateTime, "08-DEC-2026   14:03:07");
    // Played records may hold anything in these fields.
    doc.ping.dateText = "08\tDEC-2026";
    doc.ping.timeText = "1\n\x7f";
    EXPECT_EQ(statusPaneTexts(doc, {}).dateTime, "08?DEC-2026   1??");
}

TEST(WindowTitle, ControlCharactersInFileNamesShowAsQuestionMarks) {
    CSondrelDoc doc;
    doc.flags.playbackActive = true;
    doc.files.playbackPath = "/data/run\n1\t.qzr";
    EXPECT_EQ(windowTitle(doc, TitleOccasion::PlaybackOpened),
              "Sondrel - Playback File [/data/run?1?.qzr] ");
    doc.flags.recordingActive = true;
    doc.files.recordPath = "/data/Sondrel 08\x1b-DEC 140307.qzr";
    EXPECT_EQ(windowTitle(doc, TitleOccasion::RecordingStarted),
              "Sondrel - Copy to File [/data/Sondrel 08?-DEC 140307.qzr] ");
}

TEST(WindowTitle, ForEachOccasion) {
    CSondrelDoc doc;
    EXPECT_EQ(windowTitle(doc, TitleOccasion::StartUp), "Sondrel - Real Time ");
    EXPECT_EQ(windowTitle(doc, TitleOccasion::Resize), "Sondrel -- Real Time ");
    EXPECT_EQ(windowTitle(doc, TitleOccasion::RecordingStopped), "Sondrel - Real Time ");

    doc.flags.recordingActive = true;
    doc.files.recordPath = "/data/Sondrel 08-DEC-2026 140307.qzr";
    EXPECT_EQ(windowTitle(doc, TitleOccasion::RecordingStarted),
              "Sondrel - Record to File [/data/Sondrel 08-DEC-2026 140307.qzr] ");
    // A resize while recording keeps naming the file being written.
    EXPECT_EQ(windowTitle(doc, TitleOccasion::Resize),
              "Sondrel - Record to File [/data/Sondrel 08-DEC-2026 140307.qzr] ");

    doc.flags.playbackActive = true;
    doc.files.playbackPath = "/data/run 1.qzr";
    doc.files.recordPath = "copy.qzr";
    EXPECT_EQ(windowTitle(doc, TitleOccasion::RecordingStarted),
              "Sondrel - Copy to File [copy.qzr] ");
    doc.flags.recordingActive = false;
    EXPECT_EQ(windowTitle(doc, TitleOccasion::RecordingStopped),
              "Sondrel - Playback File [/data/run 1.qzr] ");
    EXPECT_EQ(windowTitle(doc, TitleOccasion::Resize),
              "Sondrel - Playback File [/data/run 1.qzr] ");
    EXPECT_EQ(windowTitle(doc, TitleOccasion::PlaybackOpened),
              "Sondrel - Playback File [/data/run 1.qzr] ");
}

// A playback title of exactly `length` characters ending in `name`.
std::string playbackTitleOfLength(std::size_t length, const std::string& name) {
    const std::size_t fixed = playbackTitle("").size() + 1 + name.size();
    return playbackTitle("/" + std::string(length - fixed - 1, 'd') + "/" + name);
}

TEST(WindowTitle, LongTitlesKeepTheirStartAndTheWholeFileName) {
    const std::string title = playbackTitleOfLength(300, "pipe survey 7.qzr");
    ASSERT_EQ(title.size(), 300u);
    const std::string name = "pipe survey 7.qzr] ";
    const std::string shortened = shortenTitle(title, false);
    EXPECT_EQ(shortened, title.substr(0, 251 - name.size()) + " ~~\\ " + name);
    EXPECT_EQ(shortenTitle(title, true), title.substr(0, 251 - name.size()) + " ~~\\" + name);

    CSondrelDoc doc;
    doc.flags.playbackActive = true;
    doc.files.playbackPath = title.substr(playbackTitle("").size() - 2, 300 - 27);
    ASSERT_EQ(playbackTitle(doc.files.playbackPath), title);
    EXPECT_EQ(windowTitle(doc, TitleOccasion::PlaybackOpened), shortened);
}

TEST(WindowTitle, ShorteningStartsAt256Characters) {
    const std::string justShort = playbackTitleOfLength(255, "a.qzr");
    EXPECT_EQ(shortenTitle(justShort, false), justShort);
    const std::string justLong = playbackTitleOfLength(256, "a.qzr");
    EXPECT_NE(shortenTitle(justLong, false), justLong);
    EXPECT_EQ(shortenTitle(justLong, false).substr(251 - 7), " ~~\\ a.qzr] ");
}

TEST(WindowTitle, BackslashesAlsoSeparateNames) {
    const std::string title = "Sondrel - Copy to File [E:\\" + std::string(260, 'x') + "\\b.qzr] ";
    EXPECT_EQ(shortenTitle(title, true), title.substr(0, 251 - 7) + " ~~\\b.qzr] ");
}

TEST(WindowTitle, NamesTooLongToFitKeepTheirEnd) {
    const std::string title = "Sondrel - Playback File [/" + std::string(400, 'n') + ".qzr] ";
    const std::string shortened = shortenTitle(title, false);
    EXPECT_EQ(shortened.size(), 5u + 251u);
    EXPECT_EQ(shortened.substr(0, 5), " ~~\\ ");
    EXPECT_EQ(shortened.substr(shortened.size() - 10), "nnnn.qzr] ");
    // No separator at all: the title is its own final component.
    EXPECT_EQ(shortenTitle(std::string(600, 't'), true), " ~~\\" + std::string(251, 't'));
}

TEST(WindowTitle, LengthsCountCharactersNotBytes) {
    std::string folder;
    for (int i = 0; i < 200; ++i) folder += "\xC3\xB8";  // ø: two bytes, one character
    const std::string title = playbackTitle("/" + folder + "/r.qzr");
    ASSERT_LT(utf8Length(title), 256u);
    EXPECT_EQ(shortenTitle(title, false), title);

    std::string longFolder = folder + folder;
    const std::string longTitle = playbackTitle("/" + longFolder + "/r.qzr");
    const std::string shortened = shortenTitle(longTitle, false);
    EXPECT_EQ(utf8Length(shortened), 251u + 5u);
    // The cut falls between characters.
    EXPECT_EQ(utf8Length(shortened.substr(0, shortened.find(" ~~"))), 251u - 7u);
    EXPECT_EQ(shortened.substr(shortened.size() - 12), " ~~\\ r.qzr] ");
}

}  // namespace
}  // namespace sondrel
