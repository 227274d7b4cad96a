// The test's scripted spooler and descriptor helpers, on POSIX sockets.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>

#include "support/platform/socket_io.h"
#include "tests/spoolclient/fake_spooler.h"

namespace spooltest {

namespace {

}  // namespace

std::string ReplyBytes(int32_t status, int32_t length, const std::string& body) {
  std::string bytes(8, '\0');
  const auto s = static_cast<uint32_t>(status);
  const auto l = static_cast<uint32_t>(length);
  for (int i = 0; i < 4; ++i) {
    bytes[i] = static_cast<char>(s >> (24 - 8 * i));
    bytes[4 + i] = static_cast<char>(l >> (24 - 8 * i));
  }
  return bytes + body;
}

int32_t HeaderField(const std::string& header, std::size_t offset) {
  uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<unsigned char>(header.at(offset + i));
  return static_cast<int32_t>(value);
}

FakeSpooler::FakeSpooler(FakeBehaviour behaviour) : behaviour_(std::move(behaviour)) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  struct sockaddr_in address {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener_ < 0 || ::bind(listener_, reinterpret_cast<struct sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, 64) != 0 ||
      ::getsockname(listener_, reinterpret_cast<struct sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("fake spooler cannot listen");
  }
  port_ = ntohs(address.sin_port);
  stopEvent_ = ::eventfd(0, EFD_CLOEXEC);
  thread_ = std::thread([this]() { Run(); });
}

FakeSpooler::~FakeSpooler() {
  const uint64_t one = 1;
  static_cast<void>(::write(stopEvent_, &one, sizeof one));
  thread_.join();
  ::close(stopEvent_);
  ::close(listener_);
}

void FakeSpooler::SetBehaviour(const FakeBehaviour& behaviour) {
  std::lock_guard<std::mutex> lock(mutex_);
  behaviour_ = behaviour;
}

bool FakeSpooler::WaitForRequests(std::size_t count) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (requests_.size() >= count) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

std::vector<FakeRequest> FakeSpooler::requests() {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

std::size_t FakeSpooler::connections() {
  std::lock_guard<std::mutex> lock(mutex_);
  return connections_;
}

void FakeSpooler::Run() {
  for (;;) {
    struct pollfd entries[2] = {{stopEvent_, POLLIN, 0}, {listener_, POLLIN, 0}};
    if (::poll(entries, 2, -1) < 0 && errno != EINTR) return;
    if (entries[0].revents != 0) return;
    if ((entries[1].revents & POLLIN) == 0) continue;
    const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++connections_;
    }
    Serve(client);
    ::close(client);
  }
}

void FakeSpooler::Serve(int client) {
  FakeBehaviour behaviour;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    behaviour = behaviour_;
  }
  FakeRequest request;
  request.header.resize(64);
  request.header.resize(platform::ReceiveAll(client, request.header.data(), 64));
  if (request.header.size() == 64) {
    const int32_t announced = HeaderField(request.header, 4);
    std::size_t wanted = announced > 0 ? static_cast<std::size_t>(announced) : 0;
    const bool cut = wanted > behaviour.closeAfterBodyBytes;
    if (cut) wanted = behaviour.closeAfterBodyBytes;
    request.body.resize(wanted);
    request.body.resize(platform::ReceiveAll(client, request.body.data(), wanted));
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(request);
    }
    if (cut) return;
  } else {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
    return;
  }
  if (behaviour.silent) {
    // Hold the connection until the client gives up (or the test ends).
    for (;;) {
      struct pollfd entries[2] = {{stopEvent_, POLLIN, 0}, {client, POLLIN, 0}};
      if (::poll(entries, 2, -1) < 0 && errno != EINTR) return;
      if (entries[0].revents != 0) return;
      char scratch[256];
      if (entries[1].revents != 0 && ::recv(client, scratch, sizeof scratch, 0) <= 0) return;
    }
  }
  platform::SendAll(client, behaviour.reply.data(), behaviour.reply.size());
}

RawConnection::RawConnection(uint16_t port) : socket_(platform::ConnectLoopback(port)) {}

bool RawConnection::Send(const std::string& bytes) {
  return connected() &&
         ::send(socket_.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

std::string RawConnection::ReceiveUntilClosed() {
  std::string received;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (connected() && std::chrono::steady_clock::now() < deadline) {
    struct pollfd entry = {socket_.get(), POLLIN, 0};
    if (::poll(&entry, 1, 100) <= 0) continue;
    char buffer[4096];
    const ssize_t n = ::recv(socket_.get(), buffer, sizeof buffer, 0);
    if (n <= 0) break;
    received.append(buffer, static_cast<std::size_t>(n));
  }
  return received;
}

DescriptorFlood::DescriptorFlood(int count) {
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
  const rlim_t wanted = static_cast<rlim_t>(count) + 64;
  if (limit.rlim_cur < wanted) {
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < wanted) return;
    limit.rlim_cur = wanted;
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) return;
  }
  while (highest_ < count) {
    const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    descriptors_.push_back(fd);
    highest_ = fd;
  }
  ok_ = true;
}

DescriptorFlood::~DescriptorFlood() {
  for (int fd : descriptors_) ::close(fd);
}

DefaultSigpipe::DefaultSigpipe() : previous_(::signal(SIGPIPE, SIG_DFL)) {}

DefaultSigpipe::~DefaultSigpipe() { ::signal(SIGPIPE, previous_); }

}  // namespace spooltest
