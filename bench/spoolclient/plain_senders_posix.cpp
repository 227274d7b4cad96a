#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/time.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "bench/spoolclient/plain_senders.h"
#include "spoolclient/wire_format.h"
#include "support/platform/file_handle.h"
#include "support/platform/socket_io.h"

namespace spoolbench {

namespace {

int32_t ReadReplyStatus(int fd) {
  unsigned char header[qtl::kReplyHeaderSize];
  if (platform::ReceiveAll(fd, header, sizeof header) != sizeof header) return -8;
  const qtl::ReplyHeader reply = qtl::DecodeReplyHeader(header);
  char sink[2048];
  int32_t left = reply.status == 0 ? reply.length : 0;
  while (left > 0) {
    const ssize_t n = ::recv(fd, sink, sizeof sink, 0);
    if (n <= 0) return -9;
    left -= static_cast<int32_t>(n);
  }
  return reply.status;
}

bool SendHeader(int fd, int32_t command, int32_t length) {
  qtl::RequestHeader header;
  header.command = command;
  header.length = length;
  qtl::SetRequestId(header, "bench");
  unsigned char bytes[qtl::kRequestHeaderSize];
  qtl::EncodeRequestHeader(header, bytes);
  return platform::SendAll(fd, bytes, sizeof bytes);
}

}  // namespace

int32_t PlainSendFile(const std::string& path, uint16_t port, PlainMethod method) {
  platform::FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (file.get() < 0 || ::fstat(file.get(), &st) != 0) return -5;
  const platform::FileHandle socket = platform::ConnectLoopback(port);
  if (socket.get() < 0) return -2;
  if (!SendHeader(socket.get(), 3, static_cast<int32_t>(st.st_size))) return -7;
  if (method == PlainMethod::Send2048) {
    char buffer[2048];
    for (;;) {
      const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return -7;
      if (n == 0) break;
      if (!platform::SendAll(socket.get(), buffer, static_cast<std::size_t>(n))) return -7;
    }
  } else {
    off_t offset = 0;
    while (offset < st.st_size) {
      const ssize_t n = ::sendfile(socket.get(), file.get(), &offset, static_cast<std::size_t>(st.st_size - offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return -7;
    }
  }
  return ReadReplyStatus(socket.get());
}

int32_t PlainQueryVersion(uint16_t port) {
  const platform::FileHandle socket = platform::ConnectLoopback(port);
  if (socket.get() < 0) return -2;
  if (!SendHeader(socket.get(), 4096, 0)) return -7;
  return ReadReplyStatus(socket.get());
}

SilentListener::SilentListener() {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  struct sockaddr_in address {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd_, 1024) != 0 ||
      ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return;
  }
  port_ = ntohs(address.sin_port);
}

SilentListener::~SilentListener() {
  if (fd_ >= 0) ::close(fd_);
}

IntervalSignals::IntervalSignals(int intervalMs) {
  struct sigaction action {};
  action.sa_handler = [](int) {};
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGALRM, &action, nullptr);
  struct itimerval every {};
  every.it_interval.tv_sec = intervalMs / 1000;
  every.it_interval.tv_usec = (intervalMs % 1000) * 1000;
  every.it_value = every.it_interval;
  ::setitimer(ITIMER_REAL, &every, nullptr);
}

IntervalSignals::~IntervalSignals() {
  struct itimerval off {};
  ::setitimer(ITIMER_REAL, &off, nullptr);
  ::signal(SIGALRM, SIG_DFL);
}

}  // namespace spoolbench
