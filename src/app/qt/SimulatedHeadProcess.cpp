#include "app/qt/SimulatedHeadProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <csignal>

#include <sys/prctl.h>
#include <unistd.h>

namespace sondrel {

namespace {
constexpr int kStartTimeoutMs = 10000;
constexpr int kQuitTimeoutMs = 3000;
const QByteArray kListeningPrefix = "listening tcp 127.0.0.1 ";
const QByteArray kOrientationPrefix = "orientation-pty ";
const QByteArray kReady = "ready";
}  // namespace

QString SimulatedHeadProcess::defaultScenario() {
    const QString path = QDir(QCoreApplication::applicationDirPath())
                             .filePath(QStringLiteral("../share/sondrel/scenarios/sewer-600.scn"));
    return QFileInfo(path).isReadable() ? QDir::cleanPath(path) : QString();
}

QString SimulatedHeadProcess::defaultProgram() {
    const QString name = QStringLiteral("sondrel-headsim");
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(name);
    if (QFileInfo(beside).isExecutable()) return beside;
    const QString onPath = QStandardPaths::findExecutable(name);
    return onPath.isEmpty() ? beside : onPath;
}

bool SimulatedHeadProcess::start(const QString& program, const QStringList& extraArguments,
                                 QString* error) {
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        stop();
        return false;
    };
    if (!QFileInfo(program).isExecutable())
        return fail(QStringLiteral("%1 was not found or cannot be run").arg(program));

    QStringList arguments{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--quiet")};
    arguments << extraArguments;
    process_.setProgram(program);
    process_.setArguments(arguments);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The simulator must not outlive this program however it ends, a crash or
    // SIGKILL included, where no code of ours runs: the kernel sends it SIGTERM
    // when we go. The signal follows the thread that forks, which is the
    // main thread here and lives as long as the program. A parent that died
    // before the child got this far is caught by the changed parent id.
    const pid_t parent = getpid();
    process_.setChildProcessModifier([parent] {
        if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != parent) _exit(1);
    });
    process_.start();
    if (!process_.waitForStarted(kStartTimeoutMs))
        return fail(QStringLiteral("%1 did not start: %2").arg(program, process_.errorString()));

    const QDeadlineTimer deadline(kStartTimeoutMs);
    bool ready = false;
    while (!ready) {
        if (!process_.canReadLine()) {
            if (process_.state() == QProcess::NotRunning)
                return fail(QStringLiteral("%1 ended before it was ready").arg(program));
            const qint64 left = deadline.remainingTime();
            if (left <= 0)
                return fail(QStringLiteral("%1 did not say where it listens").arg(program));
            process_.waitForReadyRead(int(left));
            continue;
        }
        const QByteArray line = process_.readLine().trimmed();
        if (line.startsWith(kListeningPrefix)) {
            bool ok = false;
            const int port = line.mid(kListeningPrefix.size()).toInt(&ok);
            if (!ok || port <= 0 || port > 65535)
                return fail(QStringLiteral("%1 gave no usable port").arg(program));
            port_ = port;
        } else if (line.startsWith(kOrientationPrefix)) {
            orientationPty_ = QString::fromLocal8Bit(line.mid(kOrientationPrefix.size()));
        } else if (line == kReady) {
            ready = true;
        }
    }
    if (port_ == 0) return fail(QStringLiteral("%1 gave no usable port").arg(program));
    // Its later lines (few, with --quiet) are collected by QProcess and dropped.
    return true;
}

void SimulatedHeadProcess::stop() {
    port_ = 0;
    orientationPty_.clear();
    if (process_.state() == QProcess::NotRunning) return;
    process_.write("quit\n");
    process_.closeWriteChannel();
    if (process_.waitForFinished(kQuitTimeoutMs)) return;
    process_.terminate();
    if (process_.waitForFinished(kQuitTimeoutMs)) return;
    process_.kill();
    process_.waitForFinished(kQuitTimeoutMs);
}

}  // namespace sondrel
