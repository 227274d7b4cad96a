#include "setup/spooler_memory.h"

#include <algorithm>

#include "setup/monitor_ports.h"
#include "support/case_fold.h"
#include "support/platform/win_error.h"

namespace setup {

void MemorySpooler::AddPrinter(const std::string& name, const std::string& portName) {
  PrinterRecord record;
  record.printerName = name;
  record.portName = portName;
  printers_.push_back(record);
}

void MemorySpooler::AddPort(const std::string& portName, const std::string& monitorName) {
  if (!HasPort(portName)) ports_.push_back(PortRecord{portName, monitorName, monitorName, 0});
}

std::string MemorySpooler::PortOf(const std::string& printerName) const {
  const PrinterRecord* printer = FindPrinter(printerName);
  return printer != nullptr ? printer->portName : std::string();
}

bool MemorySpooler::HasPort(const std::string& portName) const {
  return std::any_of(ports_.begin(), ports_.end(),
                     [&](const PortRecord& port) { return SameTextUtf8(port.portName, portName); });
}

void MemorySpooler::Fail(Operation operation, uint32_t error, const std::string& name) {
  failures_.push_back(Failure{operation, error, name});
}

bool MemorySpooler::Failing(Operation operation, const std::string& name) const {
  for (const auto& failure : failures_) {
    if (failure.operation == operation && (failure.name.empty() || SameTextUtf8(failure.name, name))) {
      platform::SetLastError(failure.error);
      return true;
    }
  }
  return false;
}

PrinterRecord* MemorySpooler::FindPrinter(const std::string& name) {
  for (auto& printer : printers_) {
    if (SameTextUtf8(printer.printerName, name)) return &printer;
  }
  return nullptr;
}

const PrinterRecord* MemorySpooler::FindPrinter(const std::string& name) const {
  return const_cast<MemorySpooler*>(this)->FindPrinter(name);
}

bool MemorySpooler::EnumPrinters(std::vector<PrinterRecord>& printers) {
  if (Failing(Operation::EnumPrinters, {})) return false;
  printers = printers_;
  return true;
}

bool MemorySpooler::EnumPorts(std::vector<PortRecord>& ports) {
  if (Failing(Operation::EnumPorts, {})) return false;
  ports = ports_;
  return true;
}

bool MemorySpooler::OpenPrinter(const std::string& name, uint32_t, SpoolerHandle& handle) {
  openedNames_.push_back(name);
  if (Failing(Operation::OpenPrinter, name)) return false;
  if (name != kMonitorChannelName && FindPrinter(name) == nullptr) {
    platform::SetLastError(kErrorInvalidPrinterName);
    return false;
  }
  const uint64_t id = nextId_++;
  handles_[id] = name;
  Attach(handle, id);
  return true;
}

bool MemorySpooler::GetPrinter(const SpoolerHandle& handle, PrinterRecord& record) {
  const auto it = handles_.find(handle.id());
  if (!handle.valid() || it == handles_.end()) {
    platform::SetLastError(platform::kErrorInvalidHandle);
    return false;
  }
  if (Failing(Operation::GetPrinter, it->second)) return false;
  const PrinterRecord* printer = FindPrinter(it->second);
  if (printer == nullptr) {
    platform::SetLastError(kErrorInvalidPrinterName);
    return false;
  }
  record = *printer;
  return true;
}

bool MemorySpooler::SetPrinter(const SpoolerHandle& handle, const PrinterRecord& record) {
  const auto it = handles_.find(handle.id());
  if (!handle.valid() || it == handles_.end()) {
    platform::SetLastError(platform::kErrorInvalidHandle);
    return false;
  }
  if (Failing(Operation::SetPrinter, it->second)) return false;
  PrinterRecord* printer = FindPrinter(it->second);
  if (printer == nullptr) {
    platform::SetLastError(kErrorInvalidPrinterName);
    return false;
  }
  setPrinterCalls_.push_back(record);
  printer->portName = record.portName;
  return true;
}

bool MemorySpooler::XcvData(const SpoolerHandle& handle, const std::string& command,
                            const std::vector<uint8_t>& input, uint32_t& status) {
  const auto it = handles_.find(handle.id());
  if (!handle.valid() || it == handles_.end() || it->second != kMonitorChannelName) {
    platform::SetLastError(platform::kErrorInvalidHandle);
    return false;
  }
  xcvCalls_.push_back(XcvCall{command, input});
  if (Failing(Operation::XcvData, {})) return false;
  std::string portName;
  if (!PortNameFromChannel(input, portName)) {
    platform::SetLastError(platform::kErrorInvalidParameter);
    return false;
  }
  status = 0;
  if (command == "AddPort") {
    AddPort(portName, kMonitorName);
  } else if (command == "DeletePort") {
    const auto before = ports_.size();
    ports_.erase(std::remove_if(ports_.begin(), ports_.end(),
                                [&](const PortRecord& port) { return SameTextUtf8(port.portName, portName); }),
                 ports_.end());
    if (ports_.size() == before) status = kErrorUnknownPort;
  } else {
    platform::SetLastError(platform::kErrorInvalidParameter);
    return false;
  }
  return true;
}

bool MemorySpooler::CloseHandle(uint64_t id) {
  const auto it = handles_.find(id);
  if (it == handles_.end()) {
    platform::SetLastError(platform::kErrorInvalidHandle);
    return false;
  }
  const std::string name = it->second;
  handles_.erase(it);
  return !Failing(Operation::ClosePrinter, name);
}

}  // namespace setup
