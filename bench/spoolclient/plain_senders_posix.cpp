#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "bench/spoolclient/plain_senders.h"
#include "spoolclient/wire_format.h"

namespace spoolbench {

namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

int Connect(uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  struct sockaddr_in address {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  if (fd >= 0 && ::connect(fd, reinterpret_cast<struct sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool SendAll(int fd, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

int32_t ReadReplyStatus(int fd) {
  unsigned char header[qtl::kReplyHeaderSize];
  std::size_t got = 0;
  while (got < sizeof header) {
    const ssize_t n = ::recv(fd, header + got, sizeof header - got, 0);
    if (n <= 0) return -8;
    got += static_cast<std::size_t>(n);
  }
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
  return SendAll(fd, bytes, sizeof bytes);
}

}  // namespace

int32_t PlainSendFile(const std::string& path, uint16_t port, PlainMethod method) {
  Fd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (file.get() < 0 || ::fstat(file.get(), &st) != 0) return -5;
  Fd socket(Connect(port));
  if (socket.get() < 0) return -2;
  if (!SendHeader(socket.get(), 3, static_cast<int32_t>(st.st_size))) return -7;
  if (method == PlainMethod::Send2048) {
    char buffer[2048];
    for (;;) {
      const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return -7;
      if (n == 0) break;
      if (!SendAll(socket.get(), buffer, static_cast<std::size_t>(n))) return -7;
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
  Fd socket(Connect(port));
  if (socket.get() < 0) return -2;
  if (!SendHeader(socket.get(), 4096, 0)) return -7;
  return ReadReplyStatus(socket.get());
}

}  // namespace spoolbench
