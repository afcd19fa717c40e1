#include "acquisition/qt/ReadSonarComPort.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>
#include <utility>

namespace sondrel {

ReadSonarComPort::ReadSonarComPort(PollFunction poll, DeliverFunction deliver,
                                   InterruptFunction interrupt)
    : poll_(std::move(poll)), deliver_(std::move(deliver)), interrupt_(std::move(interrupt)) {
    handOffFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (handOffFd_ >= 0) {
        notifier_ = std::make_unique<QSocketNotifier>(handOffFd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                         [this] { deliverPending(); });
    }
    thread_ = std::thread([this] { run(); });
}

ReadSonarComPort::~ReadSonarComPort() {
    stopWorker();
    notifier_.reset();
    if (handOffFd_ >= 0) ::close(handOffFd_);
}

void ReadSonarComPort::postPollRequest(const SerialPollRequest& request) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        requests_.push_back(request);
    }
    wake_.notify_all();
}

bool ReadSonarComPort::running() const {
    std::lock_guard lock(mutex_);
    return !stopping_;
}

void ReadSonarComPort::stopWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        requests_.clear();
    }
    wake_.notify_all();
    if (interrupt_) interrupt_();
    if (thread_.joinable()) thread_.join();
}

void ReadSonarComPort::run() {
    std::array<std::uint8_t, kBlockLengthLong> block{};
    for (;;) {
        SerialPollRequest request;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !requests_.empty(); });
            if (stopping_) return;
            request = requests_.front();
            requests_.pop_front();
        }

        const SerialPollResult result = poll_(request, block);
        if (!result.answer) continue;

        std::uint64_t ticket;
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
            handOffCount_ = result.count;
            std::copy(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(result.count),
                      handOffBlock_.begin());
            ticket = ++posted_;
        }
        const std::uint64_t one = 1;
        if (handOffFd_ < 0 || ::write(handOffFd_, &one, sizeof one) != sizeof one) continue;

        std::unique_lock lock(mutex_);
        wake_.wait(lock, [&] { return stopping_ || handled_ >= ticket; });
        if (stopping_) return;
    }
}

void ReadSonarComPort::deliverPending() {
    std::uint64_t counter;
    [[maybe_unused]] ssize_t r = ::read(handOffFd_, &counter, sizeof counter);

    std::array<std::uint8_t, kBlockLengthLong> block;
    std::size_t count;
    std::uint64_t ticket;
    {
        std::lock_guard lock(mutex_);
        // A stopped worker's last hand-off is dropped; a nested event loop inside
        // the delivery must not deliver the same poll twice.
        if (stopping_ || delivering_ || handled_ == posted_) return;
        delivering_ = true;
        ticket = posted_;
        count = handOffCount_;
        std::copy(handOffBlock_.begin(), handOffBlock_.begin() + static_cast<std::ptrdiff_t>(count),
                  block.begin());
    }
    deliver_(block.data(), count);
    {
        std::lock_guard lock(mutex_);
        delivering_ = false;
        handled_ = ticket;
    }
    wake_.notify_all();
}

}  // namespace sondrel
