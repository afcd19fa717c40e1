#pragma once
// The desktop program run as an operator would start it, under a virtual X
// server (xvfb-run), against the simulated head, until it has taken its own
// screenshot and closed.

#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <string>

namespace sondrel::test {

struct ScreenshotRun {
    bool finished = false;  // closed by itself within the time allowed
    bool normalExit = false;
    int exitCode = -1;
    std::string output;  // standard output and error together
    QImage picture;      // null when none was written
};

inline QString xvfbRunPath() {
    return QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
}

// `folder` is the run's home (the recent-file profile stays there) and holds
// the picture; `extra` follows the options, e.g. a data file to play back.
inline ScreenshotRun runForScreenshot(const QString& folder, const QString& settings,
                                      int afterSeconds, const QStringList& extra = {}) {
    ScreenshotRun run;
    const QString shot = folder + QStringLiteral("/window.png");
    QProcess program;
    program.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));  // a real X server this time
    env.insert(QStringLiteral("HOME"), folder);
    program.setProcessEnvironment(env);
    QStringList arguments = {QStringLiteral("-a"),
                             QStringLiteral("-s"),
                             QStringLiteral("-screen 0 1280x1024x24"),
                             QStringLiteral(SONDREL_BIN_DIR "/sondrel"),
                             QStringLiteral("--simulate"),
                             QStringLiteral("--settings"),
                             settings,
                             QStringLiteral("--screenshot"),
                             shot,
                             QStringLiteral("--screenshot-after"),
                             QString::number(afterSeconds)};
    arguments += extra;
    program.start(xvfbRunPath(), arguments);
    run.finished = program.waitForFinished(60000);
    if (!run.finished) {
        program.kill();
        program.waitForFinished(5000);
    }
    run.output = QString::fromLocal8Bit(program.readAll()).toStdString();
    run.normalExit = program.exitStatus() == QProcess::NormalExit;
    run.exitCode = program.exitCode();
    run.picture.load(shot);
    return run;
}

}  // namespace sondrel::test
