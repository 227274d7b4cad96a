#pragma once
// A spooler held in memory, for tests: printers and ports are whatever the
// test puts in; every call that changes something is recorded, and any call
// can be made to fail with a chosen error number.
#include <map>
#include <string>
#include <vector>

#include "setup/spooler.h"

namespace setup {

class MemorySpooler : public Spooler {
 public:
  struct XcvCall {
    std::string command;
    std::vector<uint8_t> input;
  };
  // The operations a test can make fail.
  enum class Operation { EnumPrinters, EnumPorts, OpenPrinter, GetPrinter, SetPrinter, XcvData, ClosePrinter };

  MemorySpooler() = default;
  ~MemorySpooler() override = default;

  void AddPrinter(const std::string& name, const std::string& portName);
  void AddPort(const std::string& portName, const std::string& monitorName = "Local Port");
  // The printer's port list ("" when there is no such printer).
  std::string PortOf(const std::string& printerName) const;
  bool HasPort(const std::string& portName) const;

  // Makes `operation` fail with `error`; for OpenPrinter, GetPrinter and
  // SetPrinter only on the printer `name` when one is given.
  void Fail(Operation operation, uint32_t error, const std::string& name = {});
  void ClearFailures() { failures_.clear(); }

  const std::vector<XcvCall>& xcvCalls() const { return xcvCalls_; }
  const std::vector<PrinterRecord>& setPrinterCalls() const { return setPrinterCalls_; }
  const std::vector<std::string>& openedNames() const { return openedNames_; }
  std::size_t openHandleCount() const { return handles_.size(); }

  bool EnumPrinters(std::vector<PrinterRecord>& printers) override;
  bool EnumPorts(std::vector<PortRecord>& ports) override;
  bool OpenPrinter(const std::string& name, uint32_t desiredAccess, SpoolerHandle& handle) override;
  bool GetPrinter(const SpoolerHandle& handle, PrinterRecord& record) override;
  bool SetPrinter(const SpoolerHandle& handle, const PrinterRecord& record) override;
  bool XcvData(const SpoolerHandle& handle, const std::string& command, const std::vector<uint8_t>& input,
               uint32_t& status) override;

 protected:
  bool CloseHandle(uint64_t id) override;

 private:
  struct Failure {
    Operation operation;
    uint32_t error;
    std::string name;
  };
  bool Failing(Operation operation, const std::string& name) const;
  PrinterRecord* FindPrinter(const std::string& name);
  const PrinterRecord* FindPrinter(const std::string& name) const;

  std::vector<PrinterRecord> printers_;
  std::vector<PortRecord> ports_;
  std::vector<Failure> failures_;
  std::map<uint64_t, std::string> handles_;  // id -> opened name
  uint64_t nextId_ = 1;
  std::vector<XcvCall> xcvCalls_;
  std::vector<PrinterRecord> setPrinterCalls_;
  std::vector<std::string> openedNames_;
};

}  // namespace setup
