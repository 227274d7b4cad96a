#pragma once
// The print spooler as the setup tool needs it: the local printers with their
// ports, the list of ports, and the port monitor's configuration channel.
// Calls follow the Windows spooler's shape (open, get, set, close; a false
// result with the thread's last error set, as Win32 numbers), so the port
// installation logic reads the same whatever spooler is behind it.
//
// Two implementations: CUPS (spooler_cups.h) and an in-memory one for tests
// (spooler_memory.h).
#include <cstdint>
#include <string>
#include <vector>

namespace setup {

// Win32 spooler error numbers beside those of support/platform/win_error.h.
inline constexpr uint32_t kErrorUnknownPort = 1796;
inline constexpr uint32_t kErrorInvalidPrinterName = 1801;
inline constexpr uint32_t kErrorServerUnavailable = 1722;  // the spooler cannot be reached

// Desired access rights.
inline constexpr uint32_t kServerAccessAdminister = 0x1;
// Change the owner, administer and use the printer.
inline constexpr uint32_t kPrinterAccessForPortChange = 0x0008000C;

// The name under which the monitor's configuration channel is opened.
inline constexpr const char* kMonitorChannelName = ",XcvMonitor Redirected Port";

// The spooler's level-5 printer record; only the port list is ever changed.
struct PrinterRecord {
  std::string printerName;
  std::string portName;  // one port, or several separated by commas
  uint32_t attributes = 0;
  uint32_t deviceNotSelectedTimeout = 0;
  uint32_t transmissionRetryTimeout = 0;
};

// The spooler's level-2 port record.
struct PortRecord {
  std::string portName;
  std::string monitorName;
  std::string description;
  uint32_t portType = 0;
};

class Spooler;

// An open printer or monitor channel, closed when the owner goes away.
class SpoolerHandle {
 public:
  SpoolerHandle() = default;
  ~SpoolerHandle();
  SpoolerHandle(SpoolerHandle&& other) noexcept;
  SpoolerHandle& operator=(SpoolerHandle&& other) noexcept;
  SpoolerHandle(const SpoolerHandle&) = delete;
  SpoolerHandle& operator=(const SpoolerHandle&) = delete;

  bool valid() const { return spooler_ != nullptr; }
  uint64_t id() const { return id_; }
  // Closes the handle; false (last error set) when the spooler reports an
  // error. The handle is released either way.
  bool Close();

 private:
  friend class Spooler;
  Spooler* spooler_ = nullptr;
  uint64_t id_ = 0;
};

class Spooler {
 public:
  virtual ~Spooler() = default;

  // The printers of this machine (not those shared by other machines).
  virtual bool EnumPrinters(std::vector<PrinterRecord>& printers) = 0;
  // The ports of this machine.
  virtual bool EnumPorts(std::vector<PortRecord>& ports) = 0;

  // Opens the printer `name`, or the monitor channel kMonitorChannelName.
  // Fails with kErrorInvalidPrinterName for a name that is not there.
  virtual bool OpenPrinter(const std::string& name, uint32_t desiredAccess, SpoolerHandle& handle) = 0;
  virtual bool GetPrinter(const SpoolerHandle& handle, PrinterRecord& record) = 0;
  // Writes the record back; only the port list is taken from it.
  virtual bool SetPrinter(const SpoolerHandle& handle, const PrinterRecord& record) = 0;

  // Sends `command` ("AddPort", "DeletePort") with `input` (the port name
  // as UTF-16LE with its terminating zero) over an open monitor channel. True
  // when the monitor took the call; its own answer is in `status` (0: done).
  virtual bool XcvData(const SpoolerHandle& handle, const std::string& command, const std::vector<uint8_t>& input,
                       uint32_t& status) = 0;

 protected:
  // Gives `handle` the implementation's `id` (closing what it held).
  void Attach(SpoolerHandle& handle, uint64_t id);
  // Releases the implementation's resources for `id`; false with last error set on failure.
  virtual bool CloseHandle(uint64_t id) = 0;

 private:
  friend class SpoolerHandle;
};

// The port name as the monitor channel takes it: UTF-16LE with a terminating zero.
std::vector<uint8_t> PortNameForChannel(const std::string& portName);
// The reverse; false when `input` is not NUL-terminated UTF-16LE.
bool PortNameFromChannel(const std::vector<uint8_t>& input, std::string& portName);

}  // namespace setup
