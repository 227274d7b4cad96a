// The CUPS implementation of the spooler interface (the only file that
// speaks to libcups).
#include "setup/spooler_cups.h"

#include <cups/cups.h>

#include <cstdlib>
#include <map>

#include "setup/monitor_ports.h"
#include "setup/port_list.h"
#include "setup/port_uri.h"
#include "support/case_fold.h"
#include "support/platform/files.h"
#include "support/platform/paths.h"
#include "support/platform/win_error.h"

#ifndef CORVANTA_CUPS_SERVERBIN
#define CORVANTA_CUPS_SERVERBIN "/usr/lib/cups"
#endif

namespace setup {

namespace {

// libcups remembers the server it first used; forgetting it makes every
// connection follow the current CUPS_SERVER, as a new process would.
const char* CurrentServer() {
  cupsSetServer(nullptr);
  return cupsServer();
}

// Owner of one connection to the CUPS server.
class CupsConnection {
 public:
  CupsConnection()
      : http_(httpConnect2(CurrentServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 30000, nullptr)) {}
  ~CupsConnection() {
    if (http_ != nullptr) httpClose(http_);
  }
  CupsConnection(const CupsConnection&) = delete;
  CupsConnection& operator=(const CupsConnection&) = delete;
  http_t* get() const { return http_; }

 private:
  http_t* http_;
};

// Owner of one IPP message.
class IppMessage {
 public:
  explicit IppMessage(ipp_t* ipp = nullptr) : ipp_(ipp) {}
  ~IppMessage() {
    if (ipp_ != nullptr) ippDelete(ipp_);
  }
  IppMessage(const IppMessage&) = delete;
  IppMessage& operator=(const IppMessage&) = delete;
  ipp_t* get() const { return ipp_; }
  ipp_t* release() {
    ipp_t* ipp = ipp_;
    ipp_ = nullptr;
    return ipp;
  }

 private:
  ipp_t* ipp_;
};

uint32_t Win32ErrorFromIpp(ipp_status_t status) {
  switch (status) {
    case IPP_STATUS_ERROR_NOT_FOUND:
    case IPP_STATUS_ERROR_GONE:
      return kErrorInvalidPrinterName;
    case IPP_STATUS_ERROR_FORBIDDEN:
    case IPP_STATUS_ERROR_NOT_AUTHENTICATED:
    case IPP_STATUS_ERROR_NOT_AUTHORIZED:
    case IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED:
      return platform::kErrorAccessDenied;
    case IPP_STATUS_ERROR_BAD_REQUEST:
    case IPP_STATUS_ERROR_NOT_POSSIBLE:
    case IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES:
      return platform::kErrorInvalidParameter;
    case IPP_STATUS_ERROR_SERVICE_UNAVAILABLE:
    case IPP_STATUS_ERROR_INTERNAL:
    case IPP_STATUS_ERROR_DEVICE:
    case IPP_STATUS_ERROR_TEMPORARY:
      return kErrorServerUnavailable;
    default:
      return platform::kErrorGenFailure;
  }
}

bool FailWith(uint32_t error) {
  platform::SetLastError(error);
  return false;
}

// Sends `request` (taken over) to `resource` and answers the response, or null with the
// last error set. A "not found" answer counts as a response when
// `notFoundIsEmpty` is set.
ipp_t* Send(ipp_t* request, const char* resource, bool notFoundIsEmpty = false) {
  IppMessage owned(request);
  CupsConnection connection;
  if (connection.get() == nullptr) {
    FailWith(kErrorServerUnavailable);
    return nullptr;
  }
  IppMessage response(cupsDoRequest(connection.get(), owned.release(), resource));
  const ipp_status_t status = cupsLastError();
  if (response.get() == nullptr) {
    FailWith(status == IPP_STATUS_OK ? kErrorServerUnavailable : Win32ErrorFromIpp(status));
    return nullptr;
  }
  if (status > IPP_STATUS_OK_EVENTS_COMPLETE && !(notFoundIsEmpty && status == IPP_STATUS_ERROR_NOT_FOUND)) {
    FailWith(Win32ErrorFromIpp(status));
    return nullptr;
  }
  return response.release();
}

// A request with its operation attributes begun; the caller adds the rest in
// group order (operation, then printer).
ipp_t* NewRequest(ipp_op_t operation, const std::string& printerUri = {}) {
  ipp_t* request = ippNewRequest(operation);
  if (!printerUri.empty()) {
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printerUri.c_str());
  }
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  return request;
}

std::string PrinterUri(const std::string& name) {
  char uri[HTTP_MAX_URI];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                   name.c_str());
  return uri;
}

// Reads the printer records of a response, one per printer group.
std::vector<PrinterRecord> PrintersOf(ipp_t* response, bool localOnly) {
  std::vector<PrinterRecord> printers;
  ipp_attribute_t* attribute = ippFirstAttribute(response);
  while (attribute != nullptr) {
    while (attribute != nullptr && ippGetGroupTag(attribute) != IPP_TAG_PRINTER) attribute = ippNextAttribute(response);
    if (attribute == nullptr) break;
    PrinterRecord record;
    int type = 0;
    for (; attribute != nullptr && ippGetGroupTag(attribute) == IPP_TAG_PRINTER; attribute = ippNextAttribute(response)) {
      const char* name = ippGetName(attribute);
      if (name == nullptr) continue;
      const std::string attributeName = name;
      if (attributeName == "printer-name") {
        const char* value = ippGetString(attribute, 0, nullptr);
        record.printerName = value != nullptr ? value : "";
      } else if (attributeName == "device-uri") {
        const char* value = ippGetString(attribute, 0, nullptr);
        record.portName = PortFromDeviceUri(value != nullptr ? value : "");
      } else if (attributeName == "printer-type") {
        type = ippGetInteger(attribute, 0);
      }
    }
    if (record.printerName.empty()) continue;
    if (localOnly && (type & (CUPS_PRINTER_REMOTE | CUPS_PRINTER_CLASS)) != 0) continue;
    printers.push_back(record);
  }
  return printers;
}

const char* const kPrinterAttributes[] = {"printer-name", "device-uri", "printer-type"};

bool QueryPrinter(const std::string& name, PrinterRecord& record) {
  ipp_t* request = NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, PrinterUri(name));
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr,
                kPrinterAttributes);
  IppMessage response(Send(request, "/"));
  if (response.get() == nullptr) return false;
  const std::vector<PrinterRecord> printers = PrintersOf(response.get(), false);
  if (printers.empty()) return FailWith(kErrorInvalidPrinterName);
  record = printers.front();
  return true;
}

class CupsSpooler : public Spooler {
 public:
  bool EnumPrinters(std::vector<PrinterRecord>& printers) override {
    ipp_t* request = NewRequest(IPP_OP_CUPS_GET_PRINTERS);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr,
                  kPrinterAttributes);
    IppMessage response(Send(request, "/", true));
    if (response.get() == nullptr) return false;
    printers = PrintersOf(response.get(), true);
    return true;
  }

  bool EnumPorts(std::vector<PortRecord>& ports) override {
    std::vector<PortRecord> found{PortRecord{kFallbackPortName, "Local Port", "Local Port", 0}};
    if (MonitorBackendInstalled()) {
      std::vector<std::string> names;
      const long result = ListMonitorPorts(names);
      if (result != 0) return FailWith(static_cast<uint32_t>(result));
      for (const auto& name : names) found.push_back(PortRecord{name, kMonitorName, kMonitorName, 0});
    }
    ports = std::move(found);
    return true;
  }

  bool OpenPrinter(const std::string& name, uint32_t, SpoolerHandle& handle) override {
    Target target;
    if (name == kMonitorChannelName) {
      if (!MonitorBackendInstalled()) return FailWith(kErrorInvalidPrinterName);
      target.channel = true;
      target.name = name;
    } else {
      if (name.empty()) return FailWith(kErrorInvalidPrinterName);
      PrinterRecord record;
      if (!QueryPrinter(name, record)) return false;
      target.name = record.printerName;
    }
    const uint64_t id = nextId_++;
    targets_[id] = target;
    Attach(handle, id);
    return true;
  }

  bool GetPrinter(const SpoolerHandle& handle, PrinterRecord& record) override {
    const Target* target = PrinterTarget(handle);
    if (target == nullptr) return false;
    return QueryPrinter(target->name, record);
  }

  bool SetPrinter(const SpoolerHandle& handle, const PrinterRecord& record) override {
    const Target* target = PrinterTarget(handle);
    if (target == nullptr) return false;
    // A queue has exactly one device.
    const std::vector<std::string> ports = SplitPortList(record.portName);
    if (ports.size() != 1) return FailWith(platform::kErrorInvalidParameter);
    ipp_t* request = NewRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER, PrinterUri(target->name));
    ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_URI, "device-uri", nullptr, DeviceUriFromPort(ports[0]).c_str());
    IppMessage response(Send(request, "/admin/"));
    return response.get() != nullptr;
  }

  bool XcvData(const SpoolerHandle& handle, const std::string& command, const std::vector<uint8_t>& input,
               uint32_t& status) override {
    const auto it = targets_.find(handle.id());
    if (!handle.valid() || it == targets_.end() || !it->second.channel) {
      return FailWith(platform::kErrorInvalidHandle);
    }
    std::string portName;
    if (!PortNameFromChannel(input, portName) || portName.empty()) return FailWith(platform::kErrorInvalidParameter);
    long result = 0;
    if (command == "AddPort") {
      result = AddMonitorPort(portName);
    } else if (command == "DeletePort") {
      result = DeleteMonitorPort(portName);
      if (result == static_cast<long>(kErrorUnknownPort)) {
        status = kErrorUnknownPort;
        return true;
      }
    } else {
      return FailWith(platform::kErrorInvalidParameter);
    }
    if (result != 0) return FailWith(static_cast<uint32_t>(result));
    status = 0;
    return true;
  }

 protected:
  bool CloseHandle(uint64_t id) override {
    if (targets_.erase(id) == 0) return FailWith(platform::kErrorInvalidHandle);
    return true;
  }

 private:
  struct Target {
    bool channel = false;
    std::string name;
  };

  const Target* PrinterTarget(const SpoolerHandle& handle) {
    const auto it = targets_.find(handle.id());
    if (!handle.valid() || it == targets_.end() || it->second.channel) {
      FailWith(platform::kErrorInvalidHandle);
      return nullptr;
    }
    return &it->second;
  }

  std::map<uint64_t, Target> targets_;
  uint64_t nextId_ = 1;
};

}  // namespace

std::unique_ptr<Spooler> CreateCupsSpooler() { return std::make_unique<CupsSpooler>(); }

std::string MonitorBackendFolder() {
  const char* folder = std::getenv("CORVANTA_CUPS_BACKEND_DIR");
  if (folder != nullptr && *folder != '\0') return folder;
  return std::string(CORVANTA_CUPS_SERVERBIN) + "/backend";
}

bool MonitorBackendInstalled() {
  return platform::FileExists(platform::JoinPath(MonitorBackendFolder(), kMonitorBackendScheme));
}

}  // namespace setup
