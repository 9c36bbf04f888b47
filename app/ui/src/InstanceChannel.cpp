#include "InstanceChannel.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QLocalSocket>
#include <QTimer>

namespace kr70::ui {

InstanceChannel::InstanceChannel(const char* ownClass, QObject* parent)
    : QObject(parent), ownClass_(ownClass) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, [this] { acceptConnections(); });
}

bool InstanceChannel::listen() {
  const QString path = QString::fromStdString(instance::SocketPath(ownClass_.c_str()));
  // The caller holds the lock of the class, so a socket file there is stale.
  QLocalServer::removeServer(path);
  return server_.listen(path);
}

void InstanceChannel::setHandler(Handler handler) {
  handler_ = std::move(handler);
  std::vector<instance::InstanceMessage> waiting;
  waiting.swap(pending_);
  for (const instance::InstanceMessage& message : waiting) deliver(message);
}

void InstanceChannel::deliver(const instance::InstanceMessage& message) {
  if (handler_) handler_(message);
  else pending_.push_back(message);
}

void InstanceChannel::acceptConnections() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
        peer.uid != ::getuid()) {
      ++refused_;
      socket->abort();
      socket->deleteLater();
      continue;
    }
    buffers_.insert(socket, {});
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
      readFrom(socket);
      buffers_.remove(socket);
      socket->deleteLater();
    });
    readFrom(socket);
  }
}

void InstanceChannel::readFrom(QLocalSocket* socket) {
  if (!buffers_.contains(socket)) return;
  buffers_[socket].append(socket->readAll());
  // The handler may run an event loop, so the buffer is looked up afresh
  // for every message.
  for (;;) {
    auto it = buffers_.find(socket);
    if (it == buffers_.end() || it->isEmpty()) return;
    instance::InstanceMessage message;
    size_t used = 0;
    const auto result = instance::DecodeMessage(reinterpret_cast<const uint8_t*>(it->constData()),
                                                static_cast<size_t>(it->size()), message, used);
    if (result == instance::DecodeResult::NeedMore) return;
    if (result == instance::DecodeResult::Malformed) {
      ++refused_;
      buffers_.remove(socket);
      socket->abort();
      return;
    }
    it->remove(0, static_cast<qsizetype>(used));
    deliver(message);
  }
}

bool InstanceChannel::send(const char* className, const instance::InstanceMessage& message) {
  if (ownClass_ == className) {
    QTimer::singleShot(0, this, [this, message] { deliver(message); });
    return true;
  }
  return sendTo(className, message);
}

bool InstanceChannel::sendTo(const char* className, const instance::InstanceMessage& message, int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(QString::fromStdString(instance::SocketPath(className)));
  if (!socket.waitForConnected(timeoutMs)) return false;
  const std::vector<uint8_t> bytes = instance::EncodeMessage(message);
  socket.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
  while (socket.bytesToWrite() > 0)
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
  socket.disconnectFromServer();
  return true;
}

}  // namespace kr70::ui
