#pragma once
// The serial head's port and its worker, as the acquisition cycle sees them.
// The port is opened and closed on the main thread and read and written by the
// worker; the worker does its I/O under a lock, and opening or closing first
// interrupts whatever the worker is waiting for, so a port change never waits
// for a poll's timeout and a poll under way ends with a failed read.

#include <atomic>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "acquisition/ComPortNames.h"
#include "acquisition/Links.h"
#include "acquisition/SerialPoll.h"
#include "acquisition/qt/SerialDevice.h"

namespace sondrel {

class ReadSonarComPort;

class SerialHeadPort : public SerialHeadLink {
  public:
    // events receives each poll's bytes on the main thread.
    explicit SerialHeadPort(HeadLinkEvents* events = nullptr);
    ~SerialHeadPort() override;

    void setEvents(HeadLinkEvents* events) { events_ = events; }
    // How COM numbers become devices; the default mapping without it.
    void setPortNames(ComPortResolver resolver) { portNames_ = std::move(resolver); }

    bool open(int comPort, int baud) override;
    void close() override;
    bool isOpen() const override;
    void startWorker() override;
    bool workerExists() const override;
    void requestPoll(const SerialPollRequest& request) override;
    void setSuspended(bool suspended) override;
    void stop() override;

    // The device behind the open port (empty when closed).
    std::string devicePath() const;

  private:
    class DeviceLine;
    // On the worker thread.
    SerialPollResult poll(const SerialPollRequest& request, std::span<std::uint8_t> block);
    // Cuts the worker's waits short and takes the port from it.
    std::unique_lock<std::mutex> takePort();

    HeadLinkEvents* events_ = nullptr;
    ComPortResolver portNames_;
    mutable std::mutex ioMutex_;  // held by the worker for the whole of a poll's I/O
    SerialDevice device_;
    std::atomic<bool> suspended_{false};
    std::unique_ptr<ReadSonarComPort> worker_;
};

}  // namespace sondrel
