#pragma once
// A scripted spooler on a loopback port, run by a thread of the test: it
// records each request's raw header and body and answers as told, including
// the misbehaviours a real peer may show (silence, a cut reply, a close
// before the body is read).
#include <cstddef>
#include <cstdint>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/platform/file_handle.h"

namespace spooltest {

struct FakeRequest {
  std::string header;  // the 64 raw header bytes (fewer when the client stopped early)
  std::string body;    // the body bytes received
};

struct FakeBehaviour {
  std::string reply;      // raw bytes sent back once the body is in
  bool silent = false;    // answer nothing; hold the connection until the client closes
  // Stop reading the body after this many bytes and close the connection at
  // once (what a server that gives up does).
  std::size_t closeAfterBodyBytes = std::numeric_limits<std::size_t>::max();
};

// The 8-byte reply header followed by `body`.
std::string ReplyBytes(int32_t status, int32_t length, const std::string& body = std::string());
// The request header's 32-bit big-endian field at `offset`.
int32_t HeaderField(const std::string& header, std::size_t offset);

class FakeSpooler {
 public:
  explicit FakeSpooler(FakeBehaviour behaviour = FakeBehaviour());
  ~FakeSpooler();
  FakeSpooler(const FakeSpooler&) = delete;
  FakeSpooler& operator=(const FakeSpooler&) = delete;

  uint16_t port() const { return port_; }
  std::string server() const { return "127.0.0.1:" + std::to_string(port_); }
  void SetBehaviour(const FakeBehaviour& behaviour);

  // Waits (up to 10 s) until `count` requests were recorded.
  bool WaitForRequests(std::size_t count);
  std::vector<FakeRequest> requests();
  // Connections accepted so far.
  std::size_t connections();

 private:
  void Run();
  void Serve(int client);

  int listener_ = -1;
  int stopEvent_ = -1;
  uint16_t port_ = 0;
  std::mutex mutex_;
  FakeBehaviour behaviour_;
  std::vector<FakeRequest> requests_;
  std::size_t connections_ = 0;
  std::thread thread_;
};

// A plain client connection to a loopback port, for peers that behave in
// ways the library never would (a body that stops half-way).
class RawConnection {
 public:
  explicit RawConnection(uint16_t port);
  bool connected() const { return socket_.valid(); }
  bool Send(const std::string& bytes);
  // Everything until the peer closes (or 10 s pass).
  std::string ReceiveUntilClosed();

 private:
  platform::FileHandle socket_;
};

// Raises this process's open-file limit to at least `count` (false when it
// cannot), and holds that many extra descriptors open while alive, so that
// the next socket number is above `count`.
class DescriptorFlood {
 public:
  explicit DescriptorFlood(int count);
  ~DescriptorFlood();
  DescriptorFlood(const DescriptorFlood&) = delete;
  DescriptorFlood& operator=(const DescriptorFlood&) = delete;
  bool ok() const { return ok_; }
  int highest() const { return highest_; }

 private:
  std::vector<int> descriptors_;
  bool ok_ = false;
  int highest_ = -1;
};

// Restores SIGPIPE's default action (terminate) while alive, so a send to a
// closed peer without MSG_NOSIGNAL would kill the test.
class DefaultSigpipe {
 public:
  DefaultSigpipe();
  ~DefaultSigpipe();
  DefaultSigpipe(const DefaultSigpipe&) = delete;
  DefaultSigpipe& operator=(const DefaultSigpipe&) = delete;

 private:
  void (*previous_)(int);
};

}  // namespace spooltest
