#include "setup/spooler.h"

#include <utility>

#include "support/wide_conversion.h"

namespace setup {

SpoolerHandle::~SpoolerHandle() { Close(); }

SpoolerHandle::SpoolerHandle(SpoolerHandle&& other) noexcept
    : spooler_(std::exchange(other.spooler_, nullptr)), id_(std::exchange(other.id_, 0)) {}

SpoolerHandle& SpoolerHandle::operator=(SpoolerHandle&& other) noexcept {
  if (this != &other) {
    Close();
    spooler_ = std::exchange(other.spooler_, nullptr);
    id_ = std::exchange(other.id_, 0);
  }
  return *this;
}

bool SpoolerHandle::Close() {
  if (spooler_ == nullptr) return true;
  Spooler* spooler = std::exchange(spooler_, nullptr);
  return spooler->CloseHandle(std::exchange(id_, 0));
}

void Spooler::Attach(SpoolerHandle& handle, uint64_t id) {
  handle.Close();
  handle.spooler_ = this;
  handle.id_ = id;
}

std::vector<uint8_t> PortNameForChannel(const std::string& portName) {
  const WideString wide = Utf8ToUtf16(portName);
  std::vector<uint8_t> bytes;
  bytes.reserve((wide.size() + 1) * 2);
  for (char16_t c : wide) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

bool PortNameFromChannel(const std::vector<uint8_t>& input, std::string& portName) {
  if (input.size() < 2 || input.size() % 2 != 0) return false;
  WideString wide;
  for (std::size_t i = 0; i + 1 < input.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(input[i] | (input[i + 1] << 8));
    if (c == 0) {
      portName = Utf16ToUtf8(wide);
      return true;
    }
    wide.push_back(c);
  }
  return false;
}

}  // namespace setup
