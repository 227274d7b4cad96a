#pragma once
// Blocking whole-buffer transfers on a connected stream socket, and a
// loopback connection: what the spooler stand-in, the benchmarks and the
// tests use to speak the protocol without the client library (which has a
// transport of its own, with time-outs).
#include <cstddef>
#include <cstdint>

#include "support/platform/file_handle.h"

namespace platform {

// Sends all `size` bytes, going on after interruptions and never raising
// SIGPIPE; false when the peer went away or the send failed.
bool SendAll(int socket, const void* data, std::size_t size);

// Receives exactly `size` bytes unless the peer closes or fails first;
// returns the count received.
std::size_t ReceiveAll(int socket, void* data, std::size_t size);

// A TCP connection to 127.0.0.1 at `port` (not inherited by children);
// not valid() when it cannot be made.
FileHandle ConnectLoopback(uint16_t port);

}  // namespace platform
