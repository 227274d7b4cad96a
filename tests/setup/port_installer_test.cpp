// Port installation, attaching and removal on the in-memory spooler, with
// recording programs in place of the monitor's installers.
#include <gtest/gtest.h>

#include "setup/messages.h"
#include "setup/port_installer.h"
#include "setup/previous_ports.h"
#include "setup/spooler_memory.h"
#include "setup_test_support.h"
#include "support/platform/paths.h"
#include "support/platform/win_error.h"

namespace {

using setup::MemorySpooler;
using setup_test::FakeProgramFolder;
using setup_test::MessageRecorder;
using Op = MemorySpooler::Operation;
using Texts = std::vector<std::string>;

class PortInstallerTest : public ::testing::Test {
 protected:
  PortInstallerTest() : installer_(spooler_, programs_.path()) {
    installer_.is64Bit = [] { return true; };
    installer_.hasAdminRights = [] { return true; };
  }
  ~PortInstallerTest() override { EXPECT_EQ(spooler_.openHandleCount(), 0u) << "a handle was left open"; }

  void InstallMonitorPort() { spooler_.AddPort("RPT1:", "Redirected Port"); }

  std::vector<std::string> XcvCommands() const {
    std::vector<std::string> commands;
    for (const auto& call : spooler_.xcvCalls()) commands.push_back(call.command);
    return commands;
  }

  // Attaching records each printer's former port in the registry.
  setup_test::PrivateRoot root_;
  MessageRecorder messages_;
  FakeProgramFolder programs_;
  MemorySpooler spooler_;
  setup::PortInstaller installer_;
};

TEST_F(PortInstallerTest, PortExistsIgnoresCase) {
  spooler_.AddPort("LPT1:");
  EXPECT_FALSE(installer_.PortExists());
  spooler_.AddPort("rpt1:", "Redirected Port");
  EXPECT_TRUE(installer_.PortExists());
  EXPECT_TRUE(messages_.messages().empty());
}

TEST_F(PortInstallerTest, QueryPortTellsBothAnswers) {
  installer_.QueryPort();
  InstallMonitorPort();
  installer_.QueryPort();
  EXPECT_EQ(messages_.texts(), (Texts{"Port [RPT1:] not found!", "Port [RPT1:] found!"}));
  for (const auto& message : messages_.messages()) EXPECT_EQ(message.flags, setup::kWarningBoxFlags);
}

TEST_F(PortInstallerTest, AFailedPortListCountsAsNoPort) {
  InstallMonitorPort();
  spooler_.Fail(Op::EnumPorts, setup::kErrorServerUnavailable);
  EXPECT_FALSE(installer_.PortExists());
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0].text, "EnumPorts() error 1722");
  EXPECT_EQ(messages_.messages()[0].flags, setup::kPlainMessageFlags);
}

TEST_F(PortInstallerTest, AddPortInstallsTheMonitorAddsThePortAndAttachesThePrinters) {
  spooler_.AddPrinter("Invoices", "LPT1:");
  spooler_.AddPrinter("Labels", "LPT2:");
  installer_.AddPort({"Invoices", ""});
  EXPECT_EQ(programs_.runs(), Texts{"setup"});
  ASSERT_EQ(spooler_.xcvCalls().size(), 1u);
  EXPECT_EQ(spooler_.xcvCalls()[0].command, "AddPort");
  EXPECT_EQ(spooler_.xcvCalls()[0].input, (std::vector<uint8_t>{'R', 0, 'P', 0, 'T', 0, '1', 0, ':', 0, 0, 0}));
  EXPECT_EQ(spooler_.openedNames().front(), ",XcvMonitor Redirected Port");
  EXPECT_TRUE(spooler_.HasPort("RPT1:"));
  EXPECT_EQ(messages_.texts(), Texts{"Success"});
  EXPECT_EQ(messages_.messages()[0].flags, setup::kPlainMessageFlags);
  EXPECT_EQ(spooler_.PortOf("Invoices"), "RPT1:");
  EXPECT_EQ(spooler_.PortOf("Labels"), "LPT2:") << "only the table's printers are attached";
}

TEST_F(PortInstallerTest, AddPortWhenThePortExistsRunsNoInstaller) {
  InstallMonitorPort();
  spooler_.AddPrinter("Invoices", "LPT1:");
  installer_.AddPort({"Invoices"});
  EXPECT_TRUE(programs_.runs().empty());
  EXPECT_TRUE(spooler_.xcvCalls().empty());
  EXPECT_EQ(messages_.texts(), Texts{"Port already installed!"});
  EXPECT_EQ(spooler_.PortOf("Invoices"), "RPT1:");
}

TEST_F(PortInstallerTest, AMissingInstallerStopsEverything) {
  setup::PortInstaller installer(spooler_, programs_ / "nowhere");
  installer.is64Bit = [] { return true; };
  installer.AddPort({"Invoices"});
  EXPECT_EQ(messages_.texts(), Texts{"CreateProcess() error 2"});
  EXPECT_EQ(messages_.messages()[0].flags, setup::kWarningBoxFlags);
  EXPECT_TRUE(spooler_.openedNames().empty());
}

TEST_F(PortInstallerTest, ChannelFailuresAreToldAndNothingIsAttached) {
  spooler_.AddPrinter("Invoices", "LPT1:");
  struct Case {
    Op operation;
    Texts messages;
  };
  const Case cases[] = {
      {Op::OpenPrinter, {"OpenPrinter error 5"}},
      {Op::XcvData, {"XcvData error 5"}},
      {Op::ClosePrinter, {"ClosePrinter error 5"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.messages.back());
    spooler_.ClearFailures();
    spooler_.Fail(c.operation, platform::kErrorAccessDenied);
    messages_.clear();
    installer_.InstallPort64({"Invoices"});
    EXPECT_EQ(messages_.texts(), c.messages);
    for (const auto& message : messages_.messages()) EXPECT_EQ(message.flags, setup::kPlainMessageFlags);
    EXPECT_EQ(spooler_.PortOf("Invoices"), "LPT1:");
  }

  // What the installer wrote to its standard error follows on the next line.
  setup_test::WriteRecordingProgram(programs_ / "pm64/setup", programs_.log(),
                                    "echo 'pm64/setup: cannot copy the backend into /x' >&2; exit 1");
  spooler_.ClearFailures();
  spooler_.Fail(Op::OpenPrinter, setup::kErrorInvalidPrinterName);
  messages_.clear();
  installer_.InstallPort64({"Invoices"});
  EXPECT_EQ(messages_.texts(), Texts{"OpenPrinter error 1801\npm64/setup: cannot copy the backend into /x"});
}

TEST_F(PortInstallerTest, AttachReplacesEveryPortListAndSkipsWhatItCannotDo) {
  InstallMonitorPort();
  spooler_.AddPrinter("Invoices", "LPT1:");
  spooler_.AddPrinter("Both", "LPT1:,RPT1:");
  spooler_.AddPrinter("Already", "rpt1:");
  spooler_.AddPrinter("Unreadable", "LPT1:");
  spooler_.AddPrinter("Unwritable", "LPT1:");
  spooler_.Fail(Op::GetPrinter, platform::kErrorAccessDenied, "Unreadable");
  spooler_.Fail(Op::SetPrinter, platform::kErrorAccessDenied, "Unwritable");
  installer_.AttachPortToPrinters(
      {"  Invoices\t", "", "   ", "ANYPRINTER", "Both", "Already", "Unreadable", "Unwritable", "Missing"});
  EXPECT_EQ(messages_.texts(), (Texts{"OpenPrinter() error 1801", "GetPrinter() error 5", "SetPrinter() error 5",
                                      "OpenPrinter() error 1801"}));
  for (const auto& message : messages_.messages()) EXPECT_EQ(message.flags, setup::kPlainMessageFlags);
  EXPECT_EQ(spooler_.PortOf("Invoices"), "RPT1:");
  EXPECT_EQ(spooler_.PortOf("Both"), "RPT1:");
  EXPECT_EQ(spooler_.PortOf("Already"), "rpt1:");
  std::vector<std::string> written;
  for (const auto& record : spooler_.setPrinterCalls()) written.push_back(record.printerName);
  EXPECT_EQ(written, (Texts{"Invoices", "Both"})) << "a printer already on the port is not written";
}

TEST_F(PortInstallerTest, AttachWithoutThePortDoesNothing) {
  spooler_.AddPrinter("Invoices", "LPT1:");
  installer_.AttachPortToPrinters({"Invoices"});
  EXPECT_TRUE(spooler_.openedNames().empty());
  EXPECT_TRUE(messages_.messages().empty());
}

TEST_F(PortInstallerTest, RemoveMovesPrintersOffThePortThenDeletesItThenUninstalls) {
  InstallMonitorPort();
  spooler_.AddPrinter("Two", "LPT2:,RPT1:");
  spooler_.AddPrinter("Only", "RPT1:");
  spooler_.AddPrinter("Lower", "rpt1:");
  spooler_.AddPrinter("Other", "LPT3:");
  spooler_.AddPrinter("Quoted", "\"My Port, 2\",RPT1:,COM1:");
  installer_.RemovePort();
  EXPECT_EQ(spooler_.PortOf("Two"), "LPT2:");
  EXPECT_EQ(spooler_.PortOf("Only"), "LPT1:");
  EXPECT_EQ(spooler_.PortOf("Lower"), "LPT1:");
  EXPECT_EQ(spooler_.PortOf("Other"), "LPT3:");
  EXPECT_EQ(spooler_.PortOf("Quoted"), "\"My Port, 2\",COM1:");
  EXPECT_EQ(spooler_.setPrinterCalls().size(), 4u);
  EXPECT_EQ(XcvCommands(), Texts{"DeletePort"});
  EXPECT_FALSE(spooler_.HasPort("RPT1:"));
  EXPECT_EQ(programs_.runs(), Texts{"unrdx64"});
  EXPECT_TRUE(messages_.messages().empty());
}

TEST_F(PortInstallerTest, RemoveGivesEachPrinterBackWhatItPrintedToBefore) {
  InstallMonitorPort();
  spooler_.AddPrinter("Net", "ipp://10.0.0.5/ipp/print");
  spooler_.AddPrinter("Raw", "socket://10.0.0.6:9100");
  spooler_.AddPrinter("Attached", "RPT1:");
  installer_.AttachPortToPrinters({"Net", "Raw", "Attached"});
  EXPECT_EQ(spooler_.PortOf("Net"), "RPT1:");
  EXPECT_EQ(setup::PreviousPortOf("net"), "ipp://10.0.0.5/ipp/print") << "printer names ignore case";
  EXPECT_FALSE(setup::PreviousPortOf("Attached").has_value()) << "a printer already on the port has nothing to keep";
  installer_.AttachPortToPrinters({"Net"});  // attaching again must not record the port itself
  EXPECT_EQ(setup::PreviousPortOf("Net"), "ipp://10.0.0.5/ipp/print");

  installer_.RemovePort();
  EXPECT_EQ(spooler_.PortOf("Net"), "ipp://10.0.0.5/ipp/print");
  EXPECT_EQ(spooler_.PortOf("Raw"), "socket://10.0.0.6:9100");
  EXPECT_EQ(spooler_.PortOf("Attached"), "LPT1:");
  EXPECT_FALSE(setup::PreviousPortOf("Net").has_value());
  EXPECT_TRUE(messages_.messages().empty());
}

// A printer whose former port cannot be recorded stays where it is, so its
// address is never lost.
TEST_F(PortInstallerTest, APrinterWhosePortCannotBeRecordedIsNotAttached) {
  InstallMonitorPort();
  spooler_.AddPrinter("Net", "ipp://10.0.0.5/ipp/print");
  setup_test::TmpfsMount mount(platform::ConfigFolder());
  if (!mount.mounted() || !mount.MakeReadOnly()) GTEST_SKIP() << "cannot mount a read-only tmpfs here";
  installer_.AttachPortToPrinters({"Net"});
  EXPECT_EQ(spooler_.PortOf("Net"), "ipp://10.0.0.5/ipp/print");
  EXPECT_EQ(messages_.texts(), Texts{"Could not record the port of Net, error 19"});
}

TEST_F(PortInstallerTest, RemoveWithoutPrintersStillRemovesPortAndMonitor) {
  InstallMonitorPort();
  installer_.RemovePort();
  EXPECT_EQ(XcvCommands(), Texts{"DeletePort"});
  EXPECT_EQ(programs_.runs(), Texts{"unrdx64"});
}

TEST_F(PortInstallerTest, RemoveGoesOnAfterAPrinterItCannotChange) {
  InstallMonitorPort();
  spooler_.AddPrinter("Locked", "RPT1:");
  spooler_.AddPrinter("Stuck", "RPT1:");
  spooler_.AddPrinter("Fine", "RPT1:");
  spooler_.Fail(Op::OpenPrinter, platform::kErrorAccessDenied, "Locked");
  spooler_.Fail(Op::SetPrinter, platform::kErrorAccessDenied, "Stuck");
  installer_.RemovePort();
  EXPECT_EQ(messages_.texts(), (Texts{"OpenPrinter() error 5", "SetPrinter() error 5"}));
  for (const auto& message : messages_.messages()) EXPECT_EQ(message.flags, setup::kWarningBoxFlags);
  EXPECT_EQ(spooler_.PortOf("Fine"), "LPT1:");
  EXPECT_EQ(programs_.runs(), Texts{"unrdx64"});
}

TEST_F(PortInstallerTest, AFailedPortDeletionKeepsTheMonitor) {
  InstallMonitorPort();
  spooler_.Fail(Op::XcvData, platform::kErrorAccessDenied);
  installer_.RemovePort();
  EXPECT_EQ(messages_.texts(), Texts{"XcvData error 5"});
  EXPECT_TRUE(programs_.runs().empty());
}

TEST_F(PortInstallerTest, APrinterListFailureStillRemovesThePort) {
  InstallMonitorPort();
  spooler_.AddPrinter("Only", "RPT1:");
  spooler_.Fail(Op::EnumPrinters, setup::kErrorServerUnavailable);
  installer_.RemovePort();
  EXPECT_EQ(spooler_.PortOf("Only"), "RPT1:");
  EXPECT_EQ(programs_.runs(), Texts{"unrdx64"});
  EXPECT_TRUE(messages_.messages().empty());
}

TEST_F(PortInstallerTest, TheLibraryPathOfThe32BitMonitor) {
  installer_.is64Bit = [] { return false; };
  installer_.hasAdminRights = [] { return false; };
  installer_.AddPort({});
  installer_.hasAdminRights = [] { return true; };
  installer_.AddPort({});
  installer_.RemovePort();
  const std::string dll = programs_ / "rdx32mon.dll";
  setup_test::WriteFileText(dll, "library");
  installer_.InstallPort32();
  installer_.UninstallPort32();
  EXPECT_EQ(messages_.texts(),
            (Texts{"Only the Administrator can run this option!", "Could not find file " + dll,
                   "Could not find file " + dll, "CreateProcessA rundll32.exe " + dll + ",InstallDll " + dll + " error 2",
                   "CreateProcess rundll32.exe " + dll + ",UninstallDll error 2"}));
  EXPECT_TRUE(spooler_.xcvCalls().empty()) << "the 32-bit path adds and deletes no port itself";
}

}  // namespace
