// Whole-buffer transfers over WinSock. A socket travels through the layer as
// a CRT descriptor over the socket handle, like every other handle here.
#include <winsock2.h>
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include "support/platform/socket_io.h"
#include "support/platform/win32_text.h"
#include "support/platform/win_error.h"

namespace platform {

namespace {

SOCKET SocketOf(int fd) { return reinterpret_cast<SOCKET>(OsHandle(fd)); }

bool StartWinSock() {
  static const bool started = [] {
    WSADATA data{};
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

}  // namespace

bool SendAll(int socket, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const int chunk = size > (1u << 30) ? (1 << 30) : static_cast<int>(size);
    const int n = ::send(SocketOf(socket), p, chunk, 0);
    if (n <= 0) {
      SetLastError(static_cast<uint32_t>(::WSAGetLastError()));
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::size_t ReceiveAll(int socket, void* data, std::size_t size) {
  char* p = static_cast<char*>(data);
  std::size_t received = 0;
  while (received < size) {
    const std::size_t left = size - received;
    const int chunk = left > (1u << 30) ? (1 << 30) : static_cast<int>(left);
    const int n = ::recv(SocketOf(socket), p + received, chunk, 0);
    if (n <= 0) break;
    received += static_cast<std::size_t>(n);
  }
  return received;
}

FileHandle ConnectLoopback(uint16_t port) {
  if (!StartWinSock()) return FileHandle();
  const SOCKET s = ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET) return FileHandle();
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::closesocket(s);
    return FileHandle();
  }
  FileHandle file;
  if (!AdoptHandle(reinterpret_cast<HANDLE>(s), 0, file)) return FileHandle();
  return file;
}

}  // namespace platform
