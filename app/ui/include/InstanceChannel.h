#pragma once
// The local socket on which an instance receives the messages of the other
// instance. It listens at instance::SocketPath(class) with user-only access,
// takes only peers of the same user, decodes the stream with
// instance::DecodeMessage and drops a connection at its first malformed
// message. Messages that arrive before a handler is set are kept for it.
//
// Only the process that holds the class's named lock may listen: it removes a
// socket file left behind by a crashed instance first.
#include "Instances.h"

#include <QHash>
#include <QLocalServer>
#include <QObject>
#include <functional>
#include <vector>

class QLocalSocket;

namespace kr70::ui {

class InstanceChannel : public QObject {
 public:
  using Handler = std::function<void(const instance::InstanceMessage&)>;

  explicit InstanceChannel(const char* ownClass, QObject* parent = nullptr);
  bool listen();
  void setHandler(Handler handler);

  // Sends to every window of className: a message for this instance's own
  // class goes to its own handler (queued), any other to the socket of that
  // class. False when nobody listens there.
  bool send(const char* className, const instance::InstanceMessage& message);
  // One message to the instance listening for className, written before it
  // returns; false when none answers within timeoutMs.
  static bool sendTo(const char* className, const instance::InstanceMessage& message, int timeoutMs = 1000);

  // Messages refused (malformed, or from a peer of another user) so far.
  int refusedCount() const { return refused_; }

 private:
  void acceptConnections();
  void readFrom(QLocalSocket* socket);
  void deliver(const instance::InstanceMessage& message);

  std::string ownClass_;
  QLocalServer server_;
  Handler handler_;
  std::vector<instance::InstanceMessage> pending_;
  QHash<QLocalSocket*, QByteArray> buffers_;
  int refused_ = 0;
};

}  // namespace kr70::ui
