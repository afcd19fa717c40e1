// The desktop program given a data file on its command line, under a real X
// server (Xvfb): it connects as usual (to the simulated head, on loopback),
// then plays the file, and its screenshot shows the recorded pipe, not the live
// one.

#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "acquisition/SondrelDoc.h"
#include "recording/BinaryFile.h"
#include "recording/RecordFormat.h"
#include "simulation/SimulatedHead.h"
#include "support/ReceivedBlock.h"
#include "support/RingCheck.h"
#include "support/ScreenshotRun.h"

namespace {

using namespace sondrel;

// A survey of a pipe twice as wide as the simulated head's, at a range of 1 m.
bool writeSurvey(const std::string& path, int records) {
    PipeModel pipe;
    pipe.diameter = 1.2;
    pipe.wander = 0.0;
    SimulatedHead head(HeadConfig{}, pipe);
    CSondrelDoc doc;
    doc.head.setRangeIndex(3);
    doc.ping.dateText = "08-DEC-2026";
    doc.ping.timeText = "14:03:07";
    doc.ping.hundredthsText = ".45";
    BinaryFile file;
    if (!file.create(path)) return false;
    for (int i = 0; i < records; ++i) {
        const std::vector<std::uint8_t> block = head.buildBlock(doc.head.command, i * 0.1);
        std::copy_n(block.begin(), kReturnHeaderSize, doc.ping.returnHeader.begin());
        std::copy(block.begin() + kReturnHeaderSize, block.end(), doc.ping.echoLong.begin());
        if (!writeRecord(test::stampedPing(doc), file)) return false;
    }
    return file.close();
}

TEST(PlaybackProgram, ADataFileOnTheCommandLineIsPlayedBack) {
    if (sondrel::test::xvfbRunPath().isEmpty()) GTEST_SKIP() << "xvfb-run is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString survey = dir.filePath(QStringLiteral("wide pipe.qzr"));
    ASSERT_TRUE(writeSurvey(survey.toStdString(), 200));
    const QString settings = dir.filePath(QStringLiteral("Sondrel.INI"));

    const sondrel::test::ScreenshotRun run =
        sondrel::test::runForScreenshot(dir.path(), settings, 3, {survey});
    ASSERT_TRUE(run.finished) << "the program did not close by itself";
    ASSERT_TRUE(run.normalExit) << run.output;
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const QImage& picture = run.picture;
    ASSERT_FALSE(picture.isNull()) << run.output;
    const QRect view = sondrel::test::darkArea(picture);
    ASSERT_FALSE(view.isEmpty()) << "no dark view area in the screenshot";
    const sondrel::test::RingReport ring = sondrel::test::findRing(picture, view);
    ASSERT_TRUE(ring.found) << ring.why;
    // The live head's pipe (0.6 m) would be drawn at about 150 pixels; the
    // recorded one is twice as wide.
    EXPECT_GT(ring.medianRadius, 250.0) << "the live pipe is on screen, not the recorded one";
}

}  // namespace
