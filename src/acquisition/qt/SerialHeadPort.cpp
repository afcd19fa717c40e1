#include "acquisition/qt/SerialHeadPort.h"

#include "acquisition/qt/ReadSonarComPort.h"

namespace sondrel {

// The poll's view of the device, used only on the worker under ioMutex_. An
// interrupted port counts as closed, so the rest of that poll does no I/O.
class SerialHeadPort::DeviceLine : public SerialLine {
  public:
    DeviceLine(SerialDevice& device, const std::atomic<bool>& suspended)
        : device_(device), suspended_(suspended) {}

    bool isOpen() const override { return device_.isOpen() && !device_.cancelled(); }
    bool suspended() const override { return suspended_.load(std::memory_order_acquire); }
    std::size_t read(std::uint8_t* dst, std::size_t n, int timeoutMs) override {
        return device_.readFor(dst, n, timeoutMs);
    }
    std::size_t write(const std::uint8_t* src, std::size_t n, int timeoutMs) override {
        return device_.writeAll(src, n, timeoutMs);
    }
    void purgeReceive() override { device_.purgeReceive(); }
    void purgeTransmit() override { device_.purgeTransmit(); }
    void setRts(bool raised) override { device_.setRts(raised); }
    // The terminal layer keeps no error state that would stop the line, unlike
    // drivers that freeze after a framing error until told otherwise.
    void clearErrors() override {}
    void busyWait(int microseconds) override { spinMicroseconds(microseconds); }

  private:
    SerialDevice& device_;
    const std::atomic<bool>& suspended_;
};

SerialHeadPort::SerialHeadPort(HeadLinkEvents* events) : events_(events) {}

SerialHeadPort::~SerialHeadPort() {
    stop();
    close();
}

std::unique_lock<std::mutex> SerialHeadPort::takePort() {
    device_.cancel();
    std::unique_lock lock(ioMutex_);
    device_.resetCancel();
    return lock;
}

bool SerialHeadPort::open(int comPort, int baud) {
    auto lock = takePort();
    device_.close();
    const std::string path = portNames_ ? portNames_(comPort) : defaultComPortDevice(comPort);
    return device_.open(path, baud);
}

void SerialHeadPort::close() {
    auto lock = takePort();
    device_.close();
}

bool SerialHeadPort::isOpen() const {
    // Only the main thread opens and closes, so its own view needs no lock.
    return device_.isOpen();
}

std::string SerialHeadPort::devicePath() const {
    return device_.path();
}

void SerialHeadPort::startWorker() {
    if (worker_) return;
    worker_ = std::make_unique<ReadSonarComPort>(
        [this](const SerialPollRequest& request, std::span<std::uint8_t> block) {
            return poll(request, block);
        },
        [this](const std::uint8_t* block, std::size_t count) {
            if (events_) events_->onDataReady(block, count);
        },
        [this] { device_.cancel(); });
}

bool SerialHeadPort::workerExists() const {
    return worker_ && worker_->running();
}

void SerialHeadPort::requestPoll(const SerialPollRequest& request) {
    if (worker_) worker_->postPollRequest(request);
}

void SerialHeadPort::setSuspended(bool suspended) {
    suspended_.store(suspended, std::memory_order_release);
}

void SerialHeadPort::stop() {
    if (!worker_) return;
    worker_->stopWorker();
    // The worker is gone; the port is usable again from the main thread.
    std::lock_guard lock(ioMutex_);
    device_.resetCancel();
}

SerialPollResult SerialHeadPort::poll(const SerialPollRequest& request,
                                      std::span<std::uint8_t> block) {
    std::lock_guard lock(ioMutex_);
    DeviceLine line(device_, suspended_);
    return runSerialPoll(line, request, block);
}

}  // namespace sondrel
