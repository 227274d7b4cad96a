// The CUPS spooler against a private, real CUPS scheduler.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "setup/messages.h"
#include "setup/monitor_ports.h"
#include "setup/port_installer.h"
#include "setup/previous_ports.h"
#include "setup/spooler_cups.h"
#include "setup_test_support.h"
#include "support/platform/win_error.h"
#include "tests/common/private_cupsd.h"

namespace {

using setup_test::ScopedEnv;
using Texts = std::vector<std::string>;

// The scheduler's backend folder holds only what the test puts there, plus
// the parallel backend that "LPT1:" needs and the socket backend of a
// network printer; queues may print to "file:".
corvanta_test::PrivateCupsdOptions SchedulerOptions() {
  corvanta_test::PrivateCupsdOptions options;
  options.keepOnlyBackends = {"parallel", "socket"};
  options.fileDevice = true;
  return options;
}

class CupsSpoolerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    if (!cupsd_.Start(error)) GTEST_SKIP() << "no private CUPS scheduler here: " << error;
    server_ = std::make_unique<ScopedEnv>("CUPS_SERVER", cupsd_.socketPath());
    backendDir_ = std::make_unique<ScopedEnv>("CORVANTA_CUPS_BACKEND_DIR", cupsd_.backendFolder());
    spooler_ = setup::CreateCupsSpooler();
  }
  void TearDown() override {
    if (HasFailure() && server_) std::cerr << "cupsd error log:\n" << cupsd_.errorLog() << "\n";
  }

  void AddQueue(const std::string& name, const std::string& uri) {
    ASSERT_EQ(cupsd_.RunTool({"lpadmin", "-p", name, "-E", "-v", uri}), 0) << cupsd_.errorLog();
  }
  // The monitor's backend, as its installer would put it.
  void InstallBackend() {
    setup_test::WriteRecordingProgram(cupsd_.backendFolder() + "/rdxport", root_ / "backend.log");
  }
  // The device URI lpstat reports for `printer` ("" when none).
  std::string DeviceUriOf(const std::string& printer) const {
    std::string out;
    if (cupsd_.RunTool({"lpstat", "-v", printer}, &out) != 0) return {};
    // "device for NAME: URI"
    const std::string marker = "device for " + printer + ": ";
    const auto at = out.find(marker);
    if (at == std::string::npos) return {};
    const auto end = out.find('\n', at);
    return out.substr(at + marker.size(), end == std::string::npos ? std::string::npos : end - at - marker.size());
  }
  std::vector<std::string> PortNames() {
    std::vector<setup::PortRecord> ports;
    EXPECT_TRUE(spooler_->EnumPorts(ports));
    std::vector<std::string> names;
    for (const auto& port : ports) names.push_back(port.portName);
    return names;
  }

  setup_test::PrivateRoot root_;
  setup_test::MessageRecorder messages_;
  setup_test::TempFolder cupsdFolder_;
  corvanta_test::PrivateCupsd cupsd_{cupsdFolder_.path(), SchedulerOptions()};
  std::unique_ptr<ScopedEnv> server_;
  std::unique_ptr<ScopedEnv> backendDir_;
  std::unique_ptr<setup::Spooler> spooler_;
};

TEST_F(CupsSpoolerTest, ListsTheQueuesWithTheirPorts) {
  std::vector<setup::PrinterRecord> printers{setup::PrinterRecord{}};
  ASSERT_TRUE(spooler_->EnumPrinters(printers));
  EXPECT_TRUE(printers.empty()) << "a scheduler without queues has no printers";

  InstallBackend();
  AddQueue("Invoices", "rdxport:/RPT1:");
  AddQueue("Labels", "parallel:/dev/lp0");
  AddQueue("Null", "file:///dev/null");
  ASSERT_TRUE(spooler_->EnumPrinters(printers));
  std::vector<std::pair<std::string, std::string>> found;
  for (const auto& printer : printers) found.emplace_back(printer.printerName, printer.portName);
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::pair<std::string, std::string>>{
                       {"Invoices", "RPT1:"}, {"Labels", "LPT1:"}, {"Null", "file:///dev/null"}}));
}

TEST_F(CupsSpoolerTest, OpensGetsAndSetsAPrintersPort) {
  InstallBackend();
  AddQueue("Invoices", "file:///dev/null");
  setup::SpoolerHandle missing;
  EXPECT_FALSE(spooler_->OpenPrinter("NoSuchQueue", setup::kPrinterAccessForPortChange, missing));
  EXPECT_EQ(platform::GetLastError(), setup::kErrorInvalidPrinterName);

  setup::SpoolerHandle printer;
  ASSERT_TRUE(spooler_->OpenPrinter("invoices", setup::kPrinterAccessForPortChange, printer));
  setup::PrinterRecord record;
  ASSERT_TRUE(spooler_->GetPrinter(printer, record));
  EXPECT_EQ(record.printerName, "Invoices");
  EXPECT_EQ(record.portName, "file:///dev/null");

  record.portName = "RPT1:";
  ASSERT_TRUE(spooler_->SetPrinter(printer, record));
  EXPECT_EQ(DeviceUriOf("Invoices"), "rdxport:/RPT1:");
  record.portName = "LPT1:";
  ASSERT_TRUE(spooler_->SetPrinter(printer, record));
  EXPECT_EQ(DeviceUriOf("Invoices"), "parallel:/dev/lp0");

  record.portName = "LPT1:,RPT1:";
  EXPECT_FALSE(spooler_->SetPrinter(printer, record)) << "a queue has one device";
  EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidParameter);
  record.portName = "nobackend:/x";
  EXPECT_FALSE(spooler_->SetPrinter(printer, record));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidParameter);
  EXPECT_EQ(DeviceUriOf("Invoices"), "parallel:/dev/lp0");
  EXPECT_TRUE(printer.Close());
}

TEST_F(CupsSpoolerTest, TheMonitorChannelNeedsTheBackend) {
  setup::SpoolerHandle channel;
  EXPECT_FALSE(spooler_->OpenPrinter(setup::kMonitorChannelName, setup::kServerAccessAdminister, channel));
  EXPECT_EQ(platform::GetLastError(), setup::kErrorInvalidPrinterName);
  ASSERT_EQ(setup::AddMonitorPort("RPT1:"), 0);
  EXPECT_EQ(PortNames(), Texts{"LPT1:"}) << "without its backend the monitor has no ports";

  InstallBackend();
  EXPECT_EQ(PortNames(), (Texts{"LPT1:", "RPT1:"}));
  ASSERT_TRUE(spooler_->OpenPrinter(setup::kMonitorChannelName, setup::kServerAccessAdminister, channel));
  uint32_t status = 99;
  ASSERT_TRUE(spooler_->XcvData(channel, "AddPort", setup::PortNameForChannel("RPT2:"), status));
  EXPECT_EQ(status, 0u);
  EXPECT_EQ(PortNames(), (Texts{"LPT1:", "RPT1:", "RPT2:"}));
  ASSERT_TRUE(spooler_->XcvData(channel, "DeletePort", setup::PortNameForChannel("rpt1:"), status));
  EXPECT_EQ(status, 0u);
  ASSERT_TRUE(spooler_->XcvData(channel, "DeletePort", setup::PortNameForChannel("RPT1:"), status));
  EXPECT_EQ(status, setup::kErrorUnknownPort);
  EXPECT_FALSE(spooler_->XcvData(channel, "Frobnicate", setup::PortNameForChannel("RPT2:"), status));
  EXPECT_EQ(PortNames(), (Texts{"LPT1:", "RPT2:"}));
  EXPECT_TRUE(channel.Close());
}

TEST_F(CupsSpoolerTest, AnUnreachableSchedulerIsReported) {
  ScopedEnv nowhere("CUPS_SERVER", root_ / "no-such.sock");
  std::vector<setup::PrinterRecord> printers;
  EXPECT_FALSE(spooler_->EnumPrinters(printers));
  EXPECT_EQ(platform::GetLastError(), setup::kErrorServerUnavailable);
  setup::SpoolerHandle printer;
  EXPECT_FALSE(spooler_->OpenPrinter("Invoices", setup::kPrinterAccessForPortChange, printer));
  EXPECT_EQ(platform::GetLastError(), setup::kErrorServerUnavailable);
}

// The whole round: install monitor and port, attach the table's printers,
// then remove it all again, with installers that put the backend in place.
// Each queue gets back the device it printed to before; one attached by
// other means (no record) falls back to the first parallel port.
TEST_F(CupsSpoolerTest, InstallsAttachesAndRemovesThroughCups) {
  setup_test::FakeProgramFolder programs;
  const std::string backend = cupsd_.backendFolder() + "/rdxport";
  setup_test::WriteFileText(root_ / "rdxport", "#!/bin/sh\nexit 0\n");
  setup_test::WriteRecordingProgram(programs / "pm64/setup", programs.log(),
                                    "cp '" + (root_ / "rdxport") + "' \"$CORVANTA_CUPS_BACKEND_DIR/rdxport\" && "
                                    "chmod 755 \"$CORVANTA_CUPS_BACKEND_DIR/rdxport\"");
  setup_test::WriteRecordingProgram(programs / "pm64/unrdx64", programs.log(),
                                    "rm -f \"$CORVANTA_CUPS_BACKEND_DIR/rdxport\"");
  AddQueue("Invoices", "socket://192.0.2.7:9100");
  AddQueue("Labels", "file:///dev/null");
  AddQueue("Other", "file:///dev/null");

  setup::PortInstaller installer(*spooler_, programs.path());
  installer.is64Bit = [] { return true; };
  installer.AddPort({"Invoices", "Labels", "ANYPRINTER"});
  EXPECT_EQ(messages_.texts(), (Texts{"Success", "OpenPrinter() error 1801"}));
  EXPECT_TRUE(std::filesystem::exists(backend));
  EXPECT_TRUE(installer.PortExists());
  EXPECT_EQ(DeviceUriOf("Invoices"), "rdxport:/RPT1:");
  EXPECT_EQ(DeviceUriOf("Labels"), "rdxport:/RPT1:");

  AddQueue("Legacy", "rdxport:/RPT1:");

  messages_.clear();
  installer.RemovePort();
  EXPECT_TRUE(messages_.texts().empty()) << messages_.texts().front();
  EXPECT_EQ(DeviceUriOf("Invoices"), "socket://192.0.2.7:9100");
  EXPECT_EQ(DeviceUriOf("Labels"), DeviceUriOf("Other")) << "back on the file device it had";
  EXPECT_NE(DeviceUriOf("Labels"), "rdxport:/RPT1:");
  EXPECT_EQ(DeviceUriOf("Legacy"), "parallel:/dev/lp0");
  EXPECT_FALSE(setup::PreviousPortOf("Invoices").has_value()) << "a record is dropped once it is given back";
  EXPECT_FALSE(std::filesystem::exists(backend));
  EXPECT_FALSE(installer.PortExists());
  EXPECT_EQ(programs.runs(), (Texts{"setup", "unrdx64"}));
}

}  // namespace
