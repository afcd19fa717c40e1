// The first run on a machine without a display: scripts/first-run.sh leaves a
// picture of the window with the ring of profile points, a recording of whole
// records (with the crawler's distance) and its XYZ text.

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "recording/RecordFormat.h"
#include "support/RingCheck.h"

namespace {

TEST(FirstRunTest, LeavesAPictureARecordingAndItsPoints) {
    if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty())
        GTEST_SKIP() << "xvfb-run is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    QProcess script;
    script.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("HOME"), dir.path());
    script.setProcessEnvironment(env);
    script.start(QStringLiteral(SONDREL_SOURCE_DIR "/scripts/first-run.sh"),
                 {QStringLiteral(SONDREL_BIN_DIR), dir.path(), QStringLiteral("3")});
    ASSERT_TRUE(script.waitForFinished(60000));
    const std::string output = script.readAll().toStdString();
    ASSERT_EQ(script.exitStatus(), QProcess::NormalExit) << output;
    ASSERT_EQ(script.exitCode(), 0) << output;

    QImage picture;
    ASSERT_TRUE(picture.load(dir.filePath(QStringLiteral("sondrel.png")))) << output;
    const QRect view = sondrel::test::darkArea(picture);
    ASSERT_FALSE(view.isEmpty());
    const sondrel::test::RingReport ring = sondrel::test::findRing(picture, view);
    EXPECT_TRUE(ring.found) << ring.why;

    QFile recording(dir.filePath(QStringLiteral("first-run.qzr")));
    ASSERT_TRUE(recording.open(QIODevice::ReadOnly));
    const QByteArray records = recording.readAll();
    ASSERT_GT(records.size(), 0);
    // The survey carries the crawler's distance: every record has its
    // orientation extension.
    const auto size = qsizetype(sondrel::kRecordSizeWithOrientation);
    ASSERT_EQ(records.size() % size, 0);
    for (qsizetype at = 0; at < records.size(); at += size) {
        ASSERT_EQ(records.mid(at, 3), "QZR") << "record at " << at;
        ASSERT_EQ(quint8(records[at + qsizetype(sondrel::kRecordTrailerOffset)]),
                  sondrel::kRecordTrailerByte);
    }

    QFile points(dir.filePath(QStringLiteral("first-run.xyz")));
    ASSERT_TRUE(points.open(QIODevice::ReadOnly));
    int lines = 0;
    for (const QByteArray& line : points.readAll().split('\n')) {
        const QByteArray text = line.trimmed();
        if (text.isEmpty()) continue;
        ++lines;
        ASSERT_EQ(text.count('\t'), 4) << text.toStdString();
    }
    EXPECT_GT(lines, 100);
}

}  // namespace
