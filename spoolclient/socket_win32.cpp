// The socket transport on WinSock 2, started lazily by the first call that
// needs it. As on the other platforms, a dotted address is used as it is (a
// reverse lookup could only give it back) and names resolve through
// getaddrinfo, which is safe for several threads at once. Every wait is
// measured on the monotonic clock, and a connect is bounded by the call's
// time-out.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <climits>
#include <cstring>

#include "spoolclient/library_log.h"
#include "spoolclient/library_settings.h"
#include "spoolclient/library_state.h"
#include "spoolclient/text_format.h"
#include "spoolclient/transport.h"
#include "support/platform/clock.h"
#include "support/platform/system_info.h"
#include "support/platform/win_error.h"

namespace qtl {

namespace {

int LastSocketError() { return ::WSAGetLastError(); }

SOCKET AsSocket(int32_t socket) { return static_cast<SOCKET>(static_cast<uint32_t>(socket)); }

// Waits until `socket` is ready to read (or to write), at most `timeoutMs`
// milliseconds measured on the monotonic clock (negative: without limit). A
// wait that ends early (WSAEINTR) goes on for what remains. With `failures`,
// a socket in the exception set counts as ready too: that is how a
// non-blocking connect reports its failure. True only when it is ready.
bool WaitReadyMs(int32_t socket, bool forWriting, int64_t timeoutMs, bool failures = false) {
  const uint64_t start = platform::MonotonicMilliseconds();
  for (;;) {
    timeval limit{};
    timeval* bound = nullptr;
    if (timeoutMs >= 0) {
      const int64_t remaining = timeoutMs - static_cast<int64_t>(platform::MonotonicMilliseconds() - start);
      if (remaining <= 0) return false;
      const int64_t seconds = remaining / 1000;
      limit.tv_sec = seconds > INT_MAX ? INT_MAX : static_cast<long>(seconds);
      limit.tv_usec = static_cast<long>(remaining % 1000) * 1000;
      bound = &limit;
    }
    fd_set set;
    FD_ZERO(&set);
    FD_SET(AsSocket(socket), &set);
    fd_set failed;
    FD_ZERO(&failed);
    FD_SET(AsSocket(socket), &failed);
    const int rc = ::select(0, forWriting ? nullptr : &set, forWriting ? &set : nullptr, failures ? &failed : nullptr,
                            bound);
    if (rc > 0) return true;
    if (rc < 0 && LastSocketError() != WSAEINTR) return false;
  }
}

// The same for a whole-second time-out (negative: a wait that cannot be made).
bool WaitReady(int32_t socket, bool forWriting, int32_t timeoutSec) {
  if (timeoutSec < 0) return false;
  return WaitReadyMs(socket, forWriting, static_cast<int64_t>(timeoutSec) * 1000);
}

bool SetBlocking(int32_t socket, bool blocking) {
  u_long nonBlocking = blocking ? 0 : 1;
  return ::ioctlsocket(AsSocket(socket), FIONBIO, &nonBlocking) == 0;
}

// Connects `socket`; 0 or the WinSock error of the failure. With a time-out
// above 0 the connect is non-blocking and bounded by it (a peer whose accept
// queue is full would otherwise hold the caller for the system's own limit),
// and WSAETIMEDOUT reports its end; 0 keeps the system's limit.
int ConnectWithin(int32_t socket, const sockaddr_in& address, int32_t timeoutSec) {
  const bool bounded = timeoutSec > 0;
  if (bounded && !SetBlocking(socket, false)) return LastSocketError();
  int error = 0;
  if (::connect(AsSocket(socket), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    error = LastSocketError();
  }
  if (bounded && error == WSAEWOULDBLOCK) {
    if (!WaitReadyMs(socket, true, static_cast<int64_t>(timeoutSec) * 1000, true)) {
      error = WSAETIMEDOUT;
    } else {
      int outcome = 0;
      int length = sizeof outcome;
      error = ::getsockopt(AsSocket(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&outcome), &length) == 0
                  ? outcome
                  : LastSocketError();
    }
  }
  if (error == 0 && bounded && !SetBlocking(socket, true)) error = LastSocketError();
  return error;
}

// Whether `s` has the value of one of the process's standard handles: one
// the caller closed may still be named there, and whatever the process
// writes to it must never reach the back end through our socket.
bool IsStandardHandleValue(SOCKET s) {
  for (const DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    if (reinterpret_cast<SOCKET>(::GetStdHandle(which)) == s) return true;
  }
  return false;
}

// A new socket whose value no standard handle has: one that comes out under
// such a value is kept open while the next is made, then closed.
SOCKET NewSocketOffStandardHandles() {
  SOCKET parked[3] = {INVALID_SOCKET, INVALID_SOCKET, INVALID_SOCKET};
  SOCKET s = INVALID_SOCKET;
  for (int attempt = 0;; ++attempt) {
    s = ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET || !IsStandardHandleValue(s)) break;
    if (attempt == 3) {
      ::closesocket(s);
      s = INVALID_SOCKET;
      ::WSASetLastError(WSAEMFILE);
      break;
    }
    parked[attempt] = s;
  }
  const int error = ::WSAGetLastError();
  for (const SOCKET other : parked) {
    if (other != INVALID_SOCKET) ::closesocket(other);
  }
  ::WSASetLastError(error);
  return s;
}

}  // namespace

bool StartSockets() {
  if (SocketsStarted()) return true;
  WSADATA data{};
  const int rc = ::WSAStartup(MAKEWORD(2, 2), &data);
  if (rc != 0) {
    WriteLogLine(FormatText("WSAStartup() error %d", rc));
    return false;
  }
  if (MarkSocketsStarted()) {
    WriteTraceLine(FormatText("Got sockets version %d.%d, high=%d.%d, %s (%s)", LOBYTE(data.wVersion),
                              HIBYTE(data.wVersion), LOBYTE(data.wHighVersion), HIBYTE(data.wHighVersion),
                              data.szDescription, data.szSystemStatus));
  } else {
    // Another thread started the layer first; each start has its own stop.
    ::WSACleanup();
  }
  return true;
}

void StopSockets() {
  if (MarkSocketsStopped()) ::WSACleanup();
}

int32_t ConnectToSpooler(const std::string& host, uint16_t port, int32_t timeoutSec) {
  WriteTraceLine("Calling socket()...");
  const SOCKET s = NewSocketOffStandardHandles();
  if (s == INVALID_SOCKET) {
    WriteLogLine(FormatText("socket() error %d", LastSocketError()));
    return -2;
  }
  // Socket handles are kernel handles: their values fit 32 bits on every Windows.
  SocketOwner owner(static_cast<int32_t>(s));

  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  WriteTraceLine("Calling inet_addr()...");
  in_addr dotted{};
  bool found = false;
  if (::inet_pton(AF_INET, host.c_str(), &dotted) == 1) {
    WriteTraceLine("Calling gethostbyaddr()...");
    address.sin_addr = dotted;
    found = true;
  }
  if (!found) {
    WriteTraceLine("Calling gethostbyname()...");
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* results = nullptr;
    const int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &results);
    if (rc != 0 || results == nullptr) {
      WriteLogLine(FormatText("gethostbyname() error %d", rc != 0 ? rc : WSAHOST_NOT_FOUND));
      if (results != nullptr) ::freeaddrinfo(results);
      return -3;
    }
    address.sin_addr = reinterpret_cast<const sockaddr_in*>(results->ai_addr)->sin_addr;
    ::freeaddrinfo(results);
  }

  WriteTraceLine("Calling connect()...");
  const int wsaError = ConnectWithin(static_cast<int32_t>(s), address, timeoutSec);
  if (wsaError == 0) return owner.release();  // the call closes it when done
  WriteLogLine(FormatText("connect(to %s, port %d) error %d", host.c_str(), static_cast<int>(static_cast<int16_t>(port)),
                          wsaError));
  if (!ReadNoShowMessages()) {
    platform::ShowMessageBox("qtlapi.dll", FormatText("windows socket error %d", wsaError), MB_OK);  // windows.h's MB_OK
  }
  return kConnectFailureBase + wsaError;
}

int32_t XSend(int32_t socket, const void* data, int32_t length, int32_t flags, int32_t timeoutSec) {
  // A connection the peer reset shows here, before anything is sent.
  if (!SetBlocking(socket, false)) {
    WriteLogLine(FormatText("x_send.ioctlsocket() error %d", LastSocketError()));
    return -1;
  }
  char probe = 0;
  const int peeked = ::recv(AsSocket(socket), &probe, 1, MSG_PEEK);
  const int peekError = peeked < 0 ? LastSocketError() : 0;
  // Blocking again on every path, before the peek's verdict is acted on.
  const bool blockingAgain = SetBlocking(socket, true);
  if (peeked < 0 && peekError != WSAEWOULDBLOCK) {
    WriteLogLine(FormatText("x_send.recv() error %d", peekError));
    WriteTraceLine("Disconnected...");
    return -1;
  }
  if (!blockingAgain) {
    WriteLogLine(FormatText("x_send.ioctlsocket() error %d", LastSocketError()));
    return -1;
  }
  if (timeoutSec == 0) {
    WriteTraceLine("Calling send(no timeout)...");
  } else {
    WriteTraceLine("Calling select()...");
    if (!WaitReady(socket, true, timeoutSec)) {
      WriteLogLine("x_send.select() timeout");
      return -2;
    }
    WriteTraceLine("Calling send(with timeout)...");
  }
  if (length < 0) length = 0;
  const int sent = ::send(AsSocket(socket), static_cast<const char*>(data), length, flags);
  if (sent < 0) {
    platform::SetLastError(static_cast<uint32_t>(LastSocketError()));
    return -1;
  }
  return sent;
}

int32_t XRecv(int32_t socket, void* buffer, int32_t size, int32_t flags, int32_t timeoutSec) {
  const bool waited = timeoutSec != 0;
  if (waited) {
    WriteTraceLine("Calling select()...");
    if (!WaitReady(socket, false, timeoutSec)) {
      WriteLogLine("x_recv.select() timeout");
      return -2;
    }
  }
  WriteTraceLine("Calling recv()...");
  if (size < 0) size = 0;
  const int received = ::recv(AsSocket(socket), static_cast<char*>(buffer), size, flags);
  if (received == 0) {
    WriteLogLine("s2=0");
  } else if (received < 0) {
    const int error = LastSocketError();
    WriteLogLine(waited ? FormatText("x_recv.recv(): s2=%d err=%d", received, error)
                        : FormatText("x_recv.recv() ret=%d err=%d", received, error));
    platform::SetLastError(static_cast<uint32_t>(error));
    return -1;
  }
  return received;
}

void CloseSocket(int32_t socket) {
  // No orderly shutdown first: the call is over, whatever the peer still sends.
  ::closesocket(AsSocket(socket));
}

}  // namespace qtl
