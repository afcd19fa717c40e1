#include "acquisition/qt/CSSocket.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

namespace sondrel {

int socketErrorCode(QAbstractSocket::SocketError error) {
    // UnknownSocketError is -1; every code must differ from 0, which means success.
    return static_cast<int>(error) + 2;
}

// A socket's notification may run for a long time: the cycle can show a
// message from inside it, whose event loop goes on delivering timers and other
// sockets' data, and a reconnect can come from there. Qt would delete a socket
// given up meanwhile within that loop, and the notification would then return
// into freed memory.
class CSSocket::Notifying {
  public:
    explicit Notifying(CSSocket& owner) : owner_(owner) { ++owner_.notifying_; }
    ~Notifying() {
        if (--owner_.notifying_ == 0 && !owner_.retired_.empty()) {
            // Still inside the socket's own emission here: deleted from the
            // event loop, once it has returned.
            QTimer::singleShot(0, &owner_, [o = &owner_] { o->deleteRetired(); });
        }
    }
    Notifying(const Notifying&) = delete;
    Notifying& operator=(const Notifying&) = delete;

  private:
    CSSocket& owner_;
};

CSSocket::CSSocket(HeadLinkEvents& events, QObject* parent) : QObject(parent), events_(events) {}

CSSocket::~CSSocket() {
    abort();
}

bool CSSocket::connectToHost(const std::string& ip, int port) {
    abort();
    // Only a literal address: a name would be looked up, which is neither what
    // the setting means nor traffic the program should cause.
    QHostAddress address;
    if (!address.setAddress(QString::fromStdString(ip)) || port < 1 || port > 65535) return false;

    socket_ = new QTcpSocket(this);
    // One small command per ping: waiting to coalesce it would only add latency.
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(socket_, &QTcpSocket::connected, this, &CSSocket::onConnected);
    connect(socket_, &QTcpSocket::errorOccurred, this, &CSSocket::onErrorOccurred);
    connect(socket_, &QTcpSocket::stateChanged, this, &CSSocket::onStateChanged);
    connect(socket_, &QTcpSocket::readyRead, this, &CSSocket::onReadyRead);

    connecting_ = true;
    insideConnectCall_ = true;
    failedInsideConnectCall_ = false;
    socket_->connectToHost(address, static_cast<quint16>(port));
    insideConnectCall_ = false;
    if (failedInsideConnectCall_) {
        abort();
        return false;
    }
    return true;
}

void CSSocket::send(const std::uint8_t* data, std::size_t size) {
    if (!socket_ || !connected_) return;
    socket_->write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    // Out now rather than at the next turn of the event loop.
    socket_->flush();
}

void CSSocket::abort() {
    connecting_ = false;
    connected_ = false;
    if (!socket_) return;
    QTcpSocket* old = socket_;
    socket_ = nullptr;
    // Silence first: aborting a connected socket announces its own closing.
    old->disconnect(this);
    old->abort();
    retire(old);
}

void CSSocket::retire(QTcpSocket* old) {
    if (notifying_ > 0) {
        retired_.push_back(old);
    } else {
        old->deleteLater();
    }
}

void CSSocket::deleteRetired() {
    if (notifying_ > 0) return;
    std::vector<QTcpSocket*> gone;
    gone.swap(retired_);
    for (QTcpSocket* old : gone) delete old;
}

void CSSocket::onConnected() {
    const Notifying notifying(*this);
    if (!connecting_) return;
    connecting_ = false;
    connected_ = true;
    events_.onSocketConnected(0);
}

void CSSocket::onErrorOccurred(QAbstractSocket::SocketError error) {
    const Notifying notifying(*this);
    // Errors of an established connection end in its closing, reported there.
    if (!connecting_) return;
    connecting_ = false;
    if (insideConnectCall_) {
        failedInsideConnectCall_ = true;
        return;
    }
    events_.onSocketConnected(socketErrorCode(error));
}

void CSSocket::onStateChanged(QAbstractSocket::SocketState state) {
    const Notifying notifying(*this);
    if (state != QAbstractSocket::UnconnectedState || !connected_) return;
    connected_ = false;
    events_.onSocketClosed();
}

void CSSocket::onReadyRead() {
    const Notifying notifying(*this);
    QTcpSocket* const current = socket_;
    while (current && socket_ == current && current->bytesAvailable() > 0) {
        const qint64 n = current->read(readBuffer_.data(), static_cast<qint64>(readBuffer_.size()));
        if (n <= 0) break;
        // The cycle may tear the link down from inside this call; the loop
        // condition then sees that the socket is no longer ours.
        events_.onSocketBytes(reinterpret_cast<const std::uint8_t*>(readBuffer_.data()),
                              static_cast<std::size_t>(n));
    }
}

}  // namespace sondrel
