#pragma once
// The socket transport: starting the socket layer, one TCP connection per
// call, and the two guarded steps through which every protocol byte passes.
// Results follow the library's conventions: the connect step gives a socket
// (0 or more), -2, -3 or 200000 + socket error; x_send and x_recv give what
// the single send or receive returned, -1 for a failed preparation and -2
// for a time-out. Time-outs are whole seconds, 0 waiting without limit.
#include <cstdint>
#include <string>

namespace qtl {

inline constexpr int32_t kConnectFailureBase = 200000;

// Starts the socket layer unless it runs; false when it cannot start.
bool StartSockets();
// Stops it (at detach, when it was started).
void StopSockets();

// Creates a socket and connects it to host:port, within `timeoutSec` seconds
// when above 0 (a time-out fails as the system's own would, 200000 + 10060);
// 0 leaves the bound to the system.
int32_t ConnectToSpooler(const std::string& host, uint16_t port, int32_t timeoutSec);

int32_t XSend(int32_t socket, const void* data, int32_t length, int32_t flags, int32_t timeoutSec);
int32_t XRecv(int32_t socket, void* buffer, int32_t size, int32_t flags, int32_t timeoutSec);

void CloseSocket(int32_t socket);

// Closes the call's socket on every path out of the call.
class SocketOwner {
 public:
  explicit SocketOwner(int32_t socket) : socket_(socket) {}
  ~SocketOwner() {
    if (socket_ >= 0) CloseSocket(socket_);
  }
  SocketOwner(const SocketOwner&) = delete;
  SocketOwner& operator=(const SocketOwner&) = delete;
  int32_t get() const { return socket_; }
  int32_t release() {
    const int32_t socket = socket_;
    socket_ = -1;
    return socket;
  }

 private:
  int32_t socket_;
};

}  // namespace qtl
