// The socket transport on POSIX sockets. Waits use poll(), so descriptors
// above FD_SETSIZE work in callers with many open files; every send passes
// MSG_NOSIGNAL, so a peer that went away never raises SIGPIPE in the caller.
// The blocking steps are the only places where a thread cancellation acts.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "spoolclient/library_log.h"
#include "spoolclient/library_settings.h"
#include "spoolclient/library_state.h"
#include "spoolclient/text_format.h"
#include "spoolclient/transport.h"
#include "support/platform/clock.h"
#include "support/platform/system_info.h"
#include "support/platform/thread_cancel.h"
#include "support/platform/win_error.h"
#include "support/system_helpers.h"

namespace qtl {

namespace {

// The version a caller asks the socket layer for, and what it reports.
constexpr int kSocketsMajor = 2;
constexpr int kSocketsMinor = 2;

int LastSocketError() { return static_cast<int>(platform::WsaErrorFromErrno(errno)); }

// Waits until `socket` is ready for `events`, at most `timeoutMs`
// milliseconds measured on the monotonic clock (negative: without limit).
// A signal interrupting the wait shortens nothing and stretches nothing:
// the next wait is for what remains. True only when it is ready.
bool WaitReadyMs(int socket, short events, int64_t timeoutMs) {
  const uint64_t start = platform::MonotonicMilliseconds();
  for (;;) {
    int slice = -1;
    if (timeoutMs >= 0) {
      const int64_t remaining = timeoutMs - static_cast<int64_t>(platform::MonotonicMilliseconds() - start);
      if (remaining <= 0) return false;
      slice = remaining > INT_MAX ? INT_MAX : static_cast<int>(remaining);
    }
    struct pollfd entry {};
    entry.fd = socket;
    entry.events = events;
    int rc = 0;
    {
      platform::CancellableWait cancellable;
      rc = ::poll(&entry, 1, slice);
    }
    if (rc == 1) return true;
    if (rc < 0 && errno != EINTR) return false;
  }
}

// The same for a whole-second time-out (negative: a wait that cannot be made).
bool WaitReady(int socket, short events, int32_t timeoutSec) {
  if (timeoutSec < 0) return false;
  return WaitReadyMs(socket, events, static_cast<int64_t>(timeoutSec) * 1000);
}

// Sets or clears O_NONBLOCK; false when the descriptor refuses.
bool SetNonBlocking(int fd, bool on) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) return false;
  return ::fcntl(fd, F_SETFL, on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK)) == 0;
}

// Connects `fd`; 0 or the errno of the failure. With a time-out above 0 the
// connect is bounded by it (a full accept queue would otherwise hold the
// caller for the system's own limit of minutes) and ETIMEDOUT reports its
// end; 0 keeps the system's limit.
int ConnectWithin(int fd, const struct sockaddr_in& address, int32_t timeoutSec) {
  const bool bounded = timeoutSec > 0;
  if (bounded && !SetNonBlocking(fd, true)) return errno;
  int rc = 0;
  {
    platform::CancellableWait cancellable;
    rc = ::connect(fd, reinterpret_cast<const struct sockaddr*>(&address), sizeof address);
  }
  int error = rc == 0 ? 0 : errno;
  // An interrupted connect() goes on in the background, as a non-blocking
  // one does: wait for it to settle and take its outcome.
  if (error == EINTR || (bounded && error == EINPROGRESS)) {
    if (!WaitReadyMs(fd, POLLOUT, bounded ? static_cast<int64_t>(timeoutSec) * 1000 : -1)) {
      error = ETIMEDOUT;
    } else {
      socklen_t length = sizeof error;
      if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    }
  }
  if (error == 0 && bounded && !SetNonBlocking(fd, false)) error = errno;
  return error;
}

// A socket numbered 0, 1 or 2 (the caller closed its standard streams) is
// moved above them before it connects, so nothing the process prints to
// its standard streams can ever reach the back end through it.
int MoveAboveStandardStreams(int fd) {
  if (fd < 0 || fd > STDERR_FILENO) return fd;
  const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  const int error = errno;
  ::close(fd);
  errno = error;
  return moved;
}

}  // namespace

bool StartSockets() {
  if (SocketsStarted()) return true;
  // Nothing to start on this platform; the state and the trace stay, so that
  // callers and diagnostics see what they see elsewhere.
  if (MarkSocketsStarted()) {
    WriteTraceLine(FormatText("Got sockets version %d.%d, high=%d.%d, %s (%s)", kSocketsMajor, kSocketsMinor,
                              kSocketsMajor, kSocketsMinor, "POSIX sockets", "Running"));
  }
  return true;
}

void StopSockets() { MarkSocketsStopped(); }

int32_t ConnectToSpooler(const std::string& host, uint16_t port, int32_t timeoutSec) {
  WriteTraceLine("Calling socket()...");
  const int fd = MoveAboveStandardStreams(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (fd < 0) {
    WriteLogLine(FormatText("socket() error %d", LastSocketError()));
    return -2;
  }
  SocketOwner owner(fd);

  struct sockaddr_in address {};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  WriteTraceLine("Calling inet_addr()...");
  struct in_addr dotted {};
  bool found = false;
  if (::inet_aton(host.c_str(), &dotted) != 0) {
    // A reverse lookup of a dotted address could only give the same address
    // back, so no name-service query is sent for it.
    WriteTraceLine("Calling gethostbyaddr()...");
    address.sin_addr = dotted;
    found = true;
  }
  if (!found) {
    WriteTraceLine("Calling gethostbyname()...");
    struct addrinfo hints {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    struct addrinfo* results = nullptr;
    const int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &results);
    if (rc != 0 || results == nullptr) {
      WriteLogLine(FormatText("gethostbyname() error %d", static_cast<int>(platform::WsaErrorFromAddrInfo(rc))));
      if (results != nullptr) ::freeaddrinfo(results);
      return -3;
    }
    address.sin_addr = reinterpret_cast<const struct sockaddr_in*>(results->ai_addr)->sin_addr;
    ::freeaddrinfo(results);
  }

  WriteTraceLine("Calling connect()...");
  const int error = ConnectWithin(fd, address, timeoutSec);
  if (error == 0) return owner.release();  // the call closes it when done
  errno = error;
  const int wsaError = LastSocketError();
  WriteLogLine(FormatText("connect(to %s, port %d) error %d", host.c_str(), static_cast<int>(static_cast<int16_t>(port)),
                          wsaError));
  if (!ReadNoShowMessages()) {
    platform::ShowMessageBox("qtlapi.dll", FormatText("windows socket error %d", wsaError), MB_OK);
  }
  return kConnectFailureBase + wsaError;
}

int32_t XSend(int32_t socket, const void* data, int32_t length, int32_t flags, int32_t timeoutSec) {
  // A connection the peer reset shows here, before anything is sent. The
  // peek does not wait (MSG_DONTWAIT), which leaves the socket in blocking
  // mode without switching it back and forth.
  char probe = 0;
  ssize_t peeked = 0;
  do {
    peeked = ::recv(socket, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
  } while (peeked < 0 && errno == EINTR);
  if (peeked < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
    WriteLogLine(FormatText("x_send.recv() error %d", LastSocketError()));
    WriteTraceLine("Disconnected...");
    return -1;
  }
  if (timeoutSec == 0) {
    WriteTraceLine("Calling send(no timeout)...");
  } else {
    WriteTraceLine("Calling select()...");
    if (!WaitReady(socket, POLLOUT, timeoutSec)) {
      WriteLogLine("x_send.select() timeout");
      return -2;
    }
    WriteTraceLine("Calling send(with timeout)...");
  }
  if (length < 0) length = 0;
  ssize_t sent = 0;
  do {
    platform::CancellableWait cancellable;
    sent = ::send(socket, data, static_cast<std::size_t>(length), flags | MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  if (sent < 0) {
    platform::SetLastError(static_cast<uint32_t>(LastSocketError()));
    return -1;
  }
  return static_cast<int32_t>(sent);
}

int32_t XRecv(int32_t socket, void* buffer, int32_t size, int32_t flags, int32_t timeoutSec) {
  const bool waited = timeoutSec != 0;
  if (waited) {
    WriteTraceLine("Calling select()...");
    if (!WaitReady(socket, POLLIN, timeoutSec)) {
      WriteLogLine("x_recv.select() timeout");
      return -2;
    }
  }
  WriteTraceLine("Calling recv()...");
  if (size < 0) size = 0;
  ssize_t received = 0;
  do {
    platform::CancellableWait cancellable;
    received = ::recv(socket, buffer, static_cast<std::size_t>(size), flags);
  } while (received < 0 && errno == EINTR);
  if (received == 0) {
    WriteLogLine("s2=0");
  } else if (received < 0) {
    const int error = LastSocketError();
    WriteLogLine(waited ? FormatText("x_recv.recv(): s2=%d err=%d", -1, error)
                        : FormatText("x_recv.recv() ret=%d err=%d", -1, error));
    platform::SetLastError(static_cast<uint32_t>(error));
    return -1;
  }
  return static_cast<int32_t>(received);
}

void CloseSocket(int32_t socket) {
  // No orderly shutdown first: the call is over, whatever the peer still sends.
  ::close(socket);
}

}  // namespace qtl
