#pragma once
// The simulated head as a child process of the desktop program, for a
// demonstration or a trial without hardware: it listens on a free loopback port
// and lives exactly as long as this run.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace sondrel {

class SimulatedHeadProcess {
  public:
    SimulatedHeadProcess() = default;
    SimulatedHeadProcess(const SimulatedHeadProcess&) = delete;
    SimulatedHeadProcess& operator=(const SimulatedHeadProcess&) = delete;
    ~SimulatedHeadProcess() { stop(); }

    // Starts the program on an ephemeral port of 127.0.0.1 and waits until it
    // says it is ready, noting where it listens. False, with the reason, when it cannot be run.
    bool start(const QString& program, const QStringList& extraArguments, QString* error);
    bool running() const { return process_.state() != QProcess::NotRunning; }
    int port() const { return port_; }
    // The orientation instrument's pseudo-terminal, when asked for one.
    const QString& orientationPty() const { return orientationPty_; }
    qint64 processId() const { return process_.processId(); }
    // Asks the simulator to quit, and ends it if it does not.
    void stop();

    // sondrel-headsim beside the running program (the build folder), else the
    // one on the PATH (an installed program).
    static QString defaultProgram();
    // The sewer scenario beside the program: share/sondrel/scenarios next to
    // its bin folder, in the build tree as installed; empty when missing.
    static QString defaultScenario();

  private:
    QProcess process_;
    int port_ = 0;
    QString orientationPty_;
};

}  // namespace sondrel
