#pragma once
// SIGTERM, SIGINT and SIGHUP (a logout, a service stop, Ctrl+C in the terminal
// that started the program) end the program the way Exit does, without the
// question Exit asks during a recording (nobody may be there to answer it), so
// the settings are saved, a recording is closed on a whole record, a
// conversion's unfinished file is removed and the simulated head is sent
// away. The handler only writes a byte into a socket pair; the event loop
// reads it and runs the given action, where any code may run.

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace sondrel {

class ExitSignals : public QObject {
  public:
    // Installs the handlers; `onSignal` runs on the event loop's thread, once
    // per signal received. One instance at a time.
    explicit ExitSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~ExitSignals() override;
    ExitSignals(const ExitSignals&) = delete;
    ExitSignals& operator=(const ExitSignals&) = delete;

    // Whether the handlers are in place (a socket pair could be made).
    bool installed() const { return notifier_ != nullptr; }

  private:
    std::function<void()> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace sondrel
