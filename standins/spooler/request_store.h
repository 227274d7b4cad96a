#pragma once
// Where the stand-in keeps what it received: for request n (6 digits),
// DIR/<n>.body holds the body as it streams in, and DIR/<n>.header, which
// appears by rename only once the request is over, holds the header fields
// as key=value lines.
#include <atomic>
#include <cstdint>
#include <string>

#include "spoolclient/wire_format.h"
#include "support/platform/file_handle.h"

namespace standin {

struct ReceivedRequest {
  qtl::RequestHeader header;
  int64_t received = 0;  // body bytes that arrived
  bool complete = false;
  int32_t status = 0;    // the status answered (when complete)
};

// The id field as text: up to its first zero byte, at most 44 bytes.
std::string IdText(const qtl::RequestHeader& header);

// `text` for one line of a header file or of the report: control bytes and
// the backslash become "\xNN", so nothing in it can end the line.
std::string EscapedText(const std::string& text);

// The text of a header file: one key=value line per field.
std::string HeaderFileText(const ReceivedRequest& request);

class RequestStore {
 public:
  explicit RequestStore(std::string folder) : folder_(std::move(folder)) {}

  // Creates the folder; false when it cannot.
  bool Prepare(std::string& error);

  // Creates the next free DIR/<n>.body; `number` receives n.
  bool CreateBody(platform::FileHandle& body, uint32_t& number);

  // Writes DIR/<n>.header atomically (temporary name, then rename).
  bool PublishHeader(uint32_t number, const ReceivedRequest& request);

  static std::string NumberText(uint32_t number);

 private:
  std::string folder_;
  std::atomic<uint32_t> next_{1};
};

}  // namespace standin
