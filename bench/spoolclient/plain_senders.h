#pragma once
// Reference senders for the body benchmark: the same request frame as the
// library, with the body pushed by a bare loop of 2048-byte send() calls or
// by one sendfile(), and the 8-byte reply header read back.
#include <cstdint>
#include <string>

namespace spoolbench {

enum class PlainMethod { Send2048, Sendfile };

// Sends `path` to 127.0.0.1:`port` as command 3; returns the reply status,
// or a negative value when the exchange failed.
int32_t PlainSendFile(const std::string& path, uint16_t port, PlainMethod method);

// One QUERY_VERSION exchange on a fresh connection, done by hand.
int32_t PlainQueryVersion(uint16_t port);

// A loopback listener that never accepts: connects complete through the
// backlog and requests then wait for a reply that never comes.
class SilentListener {
 public:
  SilentListener();
  ~SilentListener();
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;
  uint16_t port() const { return port_; }

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
};

// A SIGALRM every `intervalMs` milliseconds (handler installed with
// SA_RESTART, doing nothing) while alive, as a profiler or event loop sends.
class IntervalSignals {
 public:
  explicit IntervalSignals(int intervalMs);
  ~IntervalSignals();
  IntervalSignals(const IntervalSignals&) = delete;
  IntervalSignals& operator=(const IntervalSignals&) = delete;
};

}  // namespace spoolbench
