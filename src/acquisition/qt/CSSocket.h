#pragma once
// The Ethernet head's socket: a QTcpSocket whose notifications (connection
// completed, bytes arrived, peer closed) reach the cycle on the main thread.
// Each connection attempt gets a socket of its own, so nothing an old
// connection still had queued can reach the cycle after it was torn down.

#include <QAbstractSocket>
#include <QObject>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "acquisition/Links.h"

class QTcpSocket;

namespace sondrel {

class CSSocket : public QObject, public EthernetLink {
    Q_OBJECT
  public:
    explicit CSSocket(HeadLinkEvents& events, QObject* parent = nullptr);
    ~CSSocket() override;

    bool connectToHost(const std::string& ip, int port) override;
    void send(const std::uint8_t* data, std::size_t size) override;
    void abort() override;

    bool isConnected() const { return connected_; }

  private:
    void onConnected();
    void onErrorOccurred(QAbstractSocket::SocketError error);
    void onStateChanged(QAbstractSocket::SocketState state);
    void onReadyRead();
    // Counts the notifications under way, so that a socket torn down inside
    // one (or inside a window that waits within one) outlives it.
    class Notifying;
    void retire(QTcpSocket* old);
    void deleteRetired();

    HeadLinkEvents& events_;
    QTcpSocket* socket_ = nullptr;
    bool connecting_ = false;
    bool connected_ = false;
    bool insideConnectCall_ = false;
    bool failedInsideConnectCall_ = false;
    std::array<char, 16384> readBuffer_{};
    int notifying_ = 0;
    std::vector<QTcpSocket*> retired_;
};

// The non-zero code a failed connection attempt reports.
int socketErrorCode(QAbstractSocket::SocketError error);

}  // namespace sondrel
