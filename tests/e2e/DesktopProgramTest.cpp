// The desktop program as an operator starts it for a demonstration: under a
// real X server (Xvfb), against the simulated head, it must paint the model
// pipe's ring of profile points. The program takes its own screenshot; this
// test looks for the ring in it.

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/RingCheck.h"

namespace {

TEST(DesktopProgramTest, SimulatedRunPaintsTheRingOfProfilePoints) {
    const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (xvfbRun.isEmpty()) GTEST_SKIP() << "xvfb-run is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString settings = dir.filePath(QStringLiteral("Sondrel.INI"));
    const QString shot = dir.filePath(QStringLiteral("window.png"));

    QProcess program;
    program.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));   // a real X server this time
    env.insert(QStringLiteral("HOME"), dir.path());  // the recent-file profile stays here
    program.setProcessEnvironment(env);
    program.start(
        xvfbRun,
        {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 1280x1024x24"),
         QStringLiteral(SONDREL_BIN_DIR "/sondrel"), QStringLiteral("--simulate"),
         QStringLiteral("--settings"), settings, QStringLiteral("--screenshot"), shot,
         QStringLiteral("--screenshot-after"), QStringLiteral("4")});
    ASSERT_TRUE(program.waitForFinished(60000)) << "the program did not close by itself";
    const QString output = QString::fromLocal8Bit(program.readAll());
    ASSERT_EQ(program.exitStatus(), QProcess::NormalExit) << output.toStdString();
    ASSERT_EQ(program.exitCode(), 0) << output.toStdString();

    QImage picture;
    ASSERT_TRUE(picture.load(shot)) << output.toStdString();
    EXPECT_GE(picture.width(), 640);
    EXPECT_GE(picture.height(), 480);
    const QRect view = sondrel::test::darkArea(picture);
    ASSERT_FALSE(view.isEmpty()) << "no dark view area in the screenshot";
    EXPECT_GE(view.width(), picture.width() / 2);
    const sondrel::test::RingReport ring = sondrel::test::findRing(picture, view);
    EXPECT_TRUE(ring.found) << ring.why;

    // The run left the operator's settings file complete, without the simulator.
    QFile file(settings);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("[System Settings]"));
    EXPECT_FALSE(text.contains("127.0.0.1"));
}

}  // namespace

namespace {

TEST(DesktopProgramTest, ANumberOptionThatIsNoNumberStopsTheStartWithAMessage) {
    for (const char* value : {"abc", "5s", "-1", "nan", "1e7"}) {
        QProcess program;
        program.setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(SONDREL_BIN_DIR "/sondrel"),
                      {QStringLiteral("--screenshot-after"), QString::fromLatin1(value)});
        ASSERT_TRUE(program.waitForFinished(30000)) << value;
        const std::string output = QString::fromLocal8Bit(program.readAll()).toStdString();
        EXPECT_EQ(program.exitCode(), 2) << value << ": " << output;
        EXPECT_NE(output.find("--screenshot-after"), std::string::npos) << output;
    }
}

}  // namespace
