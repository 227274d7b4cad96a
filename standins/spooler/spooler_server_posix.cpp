// The stand-in's sockets, threads and stop signals. A new connection waits
// without a thread until its 64-byte request header is in, gathered by the
// main loop; only then does it take one of the maxClients slots (a thread
// and a fixed 64 KB buffer). Connections that send nothing therefore never
// keep a real client out, and their number is capped (the oldest is dropped
// first). Bodies stream to disk, so memory stays bounded by the number of
// clients, never by the size of a body.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "spoolclient/wire_format.h"
#include "standins/spooler/request_store.h"
#include "standins/spooler/spooler_server.h"
#include "support/platform/clock.h"
#include "support/platform/file_handle.h"
#include "support/platform/files.h"
#include "support/platform/socket_io.h"

namespace standin {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
// A client that sends nothing for this long is dropped, so a stuck peer
// cannot hold a slot for ever.
constexpr int kIdleSeconds = 120;
// Connections still sending their header, or waiting for a slot.
constexpr std::size_t kMaxWaiting = 1024;

std::mutex gOutputMutex;

void Report(const std::string& line) {
  std::lock_guard<std::mutex> lock(gOutputMutex);
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// The status for a request: a matching --fail rule's, else 0.
bool FindFailure(const StandinOptions& options, const qtl::RequestHeader& header, int32_t& status) {
  const std::string id = IdText(header);
  const std::string command = std::to_string(header.command);
  for (const auto& rule : options.failRules) {
    if (rule.key == id || rule.key == command) {
      status = rule.status;
      return true;
    }
  }
  return false;
}

void ServeConnection(int fd, const unsigned char* headerBytes, const StandinOptions& options, RequestStore& store) {
  struct timeval idle {};
  idle.tv_sec = kIdleSeconds;
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &idle, sizeof idle);
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &idle, sizeof idle);

  ReceivedRequest request;
  request.header = qtl::DecodeRequestHeader(headerBytes);

  platform::FileHandle body;
  uint32_t number = 0;
  if (!store.CreateBody(body, number)) {
    Report("cannot store a request body");
    return;
  }
  const int64_t announced = request.header.length > 0 ? request.header.length : 0;
  std::unique_ptr<char[]> buffer(new char[kBufferSize]);
  bool stored = true;
  while (request.received < announced) {
    const std::size_t want = static_cast<std::size_t>(
        std::min<int64_t>(static_cast<int64_t>(kBufferSize), announced - request.received));
    ssize_t n = 0;
    do {
      n = ::recv(fd, buffer.get(), want, 0);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) break;
    if (stored && !platform::WriteAll(body.get(), buffer.get(), static_cast<std::size_t>(n))) stored = false;
    request.received += n;
  }
  body.Close();
  request.complete = request.received == announced && stored;

  std::string replyBody;
  if (request.complete) {
    if (!FindFailure(options, request.header, request.status)) {
      request.status = 0;
      replyBody = options.reply;
    }
  }
  store.PublishHeader(number, request);
  Report(RequestStore::NumberText(number) + " command=" + std::to_string(request.header.command) +
         " id=" + EscapedText(IdText(request.header)) + " length=" + std::to_string(request.header.length) +
         " received=" + std::to_string(request.received) +
         (request.complete ? " status=" + std::to_string(request.status) : std::string(" incomplete")));
  if (!request.complete) return;

  unsigned char replyHeader[qtl::kReplyHeaderSize];
  qtl::ReplyHeader reply;
  reply.status = request.status;
  reply.length = request.status == 0 ? static_cast<int32_t>(replyBody.size()) : 0;
  qtl::EncodeReplyHeader(reply, replyHeader);
  if (!platform::SendAll(fd, replyHeader, sizeof replyHeader)) return;
  if (reply.length > 0) platform::SendAll(fd, replyBody.data(), replyBody.size());
}

struct Worker {
  int fd = -1;
  unsigned char header[qtl::kRequestHeaderSize] = {};
  std::atomic<bool> done{false};
  std::thread thread;
};

// An accepted connection without a slot yet.
struct Waiting {
  int fd = -1;
  unsigned char header[qtl::kRequestHeaderSize] = {};
  std::size_t got = 0;
  uint64_t deadline = 0;  // monotonic ms after which it is dropped while incomplete
  bool complete() const { return got == sizeof header; }
};

// Takes what has arrived of the header; false when the peer closed or failed.
bool GatherHeader(Waiting& waiting) {
  for (;;) {
    const ssize_t n = ::recv(waiting.fd, waiting.header + waiting.got, sizeof waiting.header - waiting.got,
                             MSG_DONTWAIT);
    if (n > 0) {
      waiting.got += static_cast<std::size_t>(n);
      return true;
    }
    if (n < 0 && errno == EINTR) continue;
    return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
  }
}

// Blocks the stop signals in every thread (the workers inherit the mask), so
// that only the signalfd sees them.
bool BlockStopSignals(sigset_t& signals) {
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  return ::pthread_sigmask(SIG_BLOCK, &signals, nullptr) == 0;
}

bool WritePortFile(const std::string& path, uint16_t port) {
  // The whole file appears at once: a reader never sees it half-written.
  return platform::ReplaceFileAtomically(path, std::to_string(port) + "\n", 0644);
}

}  // namespace

int RunSpoolerServer(const StandinOptions& options) {
  ::signal(SIGPIPE, SIG_IGN);
  RequestStore store(options.outFolder);
  std::string error;
  if (!store.Prepare(error)) {
    std::fprintf(stderr, "spooler-standin: %s\n", error.c_str());
    return 1;
  }

  sigset_t stopSignals;
  if (!BlockStopSignals(stopSignals)) {
    std::perror("spooler-standin: pthread_sigmask");
    return 1;
  }
  platform::FileHandle signals(::signalfd(-1, &stopSignals, SFD_CLOEXEC));
  platform::FileHandle wakeup(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (signals.get() < 0 || wakeup.get() < 0) {
    std::perror("spooler-standin: signalfd/eventfd");
    return 1;
  }

  struct sockaddr_in address {};
  address.sin_family = AF_INET;
  address.sin_port = htons(options.port);
  if (::inet_pton(AF_INET, options.address.c_str(), &address.sin_addr) != 1) {
    std::fprintf(stderr, "spooler-standin: not an IPv4 address: %s\n", options.address.c_str());
    return 1;
  }
  platform::FileHandle listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  const int reuse = 1;
  if (listener.get() < 0 || ::setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0 ||
      ::bind(listener.get(), reinterpret_cast<const struct sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener.get(), 128) != 0) {
    std::fprintf(stderr, "spooler-standin: cannot listen on %s:%u: %s\n", options.address.c_str(),
                 static_cast<unsigned>(options.port), std::strerror(errno));
    return 1;
  }
  socklen_t length = sizeof address;
  ::getsockname(listener.get(), reinterpret_cast<struct sockaddr*>(&address), &length);
  const uint16_t port = ntohs(address.sin_port);
  if (!options.portFile.empty() && !WritePortFile(options.portFile, port)) {
    std::fprintf(stderr, "spooler-standin: cannot write %s\n", options.portFile.c_str());
    return 1;
  }
  Report("spooler-standin listening on " + options.address + ":" + std::to_string(port) + ", storing in " +
         options.outFolder);

  std::list<Worker> workers;
  auto reapFinished = [&workers]() {
    for (auto it = workers.begin(); it != workers.end();) {
      if (it->done.load()) {
        it->thread.join();
        ::close(it->fd);
        it = workers.erase(it);
      } else {
        ++it;
      }
    }
  };

  std::list<Waiting> waiting;
  auto startWorker = [&](Waiting& ready) {
    workers.emplace_back();
    Worker& worker = workers.back();
    worker.fd = ready.fd;
    std::memcpy(worker.header, ready.header, sizeof worker.header);
    const int wakeFd = wakeup.get();
    worker.thread = std::thread([&worker, &options, &store, wakeFd]() {
      ServeConnection(worker.fd, worker.header, options, store);
      worker.done.store(true);
      const uint64_t one = 1;
      static_cast<void>(::write(wakeFd, &one, sizeof one));
    });
  };

  std::vector<struct pollfd> entries;
  std::vector<std::list<Waiting>::iterator> polled;
  for (;;) {
    reapFinished();
    // Complete headers take free slots in arrival order; incomplete ones
    // past their time are dropped.
    const uint64_t now = platform::MonotonicMilliseconds();
    uint64_t nextDeadline = 0;
    for (auto it = waiting.begin(); it != waiting.end();) {
      if (it->complete() && static_cast<int>(workers.size()) < options.maxClients) {
        startWorker(*it);
        it = waiting.erase(it);
      } else if (!it->complete() && now >= it->deadline) {
        ::close(it->fd);
        it = waiting.erase(it);
      } else {
        if (!it->complete() && (nextDeadline == 0 || it->deadline < nextDeadline)) nextDeadline = it->deadline;
        ++it;
      }
    }

    entries.assign(3, pollfd{});
    entries[0].fd = signals.get();
    entries[0].events = POLLIN;
    entries[1].fd = wakeup.get();
    entries[1].events = POLLIN;
    entries[2].fd = listener.get();
    entries[2].events = POLLIN;
    polled.clear();
    for (auto it = waiting.begin(); it != waiting.end(); ++it) {
      if (it->complete()) continue;
      entries.push_back(pollfd{it->fd, POLLIN, 0});
      polled.push_back(it);
    }
    const int timeoutMs = nextDeadline == 0 ? -1 : static_cast<int>(nextDeadline - now);
    if (::poll(entries.data(), entries.size(), timeoutMs) < 0) {
      if (errno == EINTR) continue;
      std::perror("spooler-standin: poll");
      break;
    }
    if (entries[0].revents & POLLIN) break;
    if (entries[1].revents & POLLIN) {
      uint64_t count = 0;
      static_cast<void>(::read(wakeup.get(), &count, sizeof count));
    }
    for (std::size_t i = 0; i < polled.size(); ++i) {
      if (entries[3 + i].revents == 0) continue;
      if (!GatherHeader(*polled[i])) {
        ::close(polled[i]->fd);
        waiting.erase(polled[i]);
      }
    }
    if (entries[2].revents & POLLIN) {
      const int client = ::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      if (waiting.size() >= kMaxWaiting) {
        // Full: the connection that has waited longest makes room (one that
        // sent its whole header is kept; it only waits for a slot).
        auto oldest = waiting.begin();
        while (oldest != waiting.end() && oldest->complete()) ++oldest;
        if (oldest == waiting.end()) {
          ::close(client);
          continue;
        }
        ::close(oldest->fd);
        waiting.erase(oldest);
      }
      waiting.emplace_back();
      waiting.back().fd = client;
      waiting.back().deadline = platform::MonotonicMilliseconds() + static_cast<uint64_t>(kIdleSeconds) * 1000;
    }
  }

  // Stop: no new connections; cut the open ones so their threads end now.
  ::shutdown(listener.get(), SHUT_RDWR);
  for (auto& worker : workers) ::shutdown(worker.fd, SHUT_RDWR);
  for (auto& worker : workers) {
    worker.thread.join();
    ::close(worker.fd);
  }
  for (auto& entry : waiting) ::close(entry.fd);
  Report("spooler-standin stopped");
  return 0;
}

}  // namespace standin
