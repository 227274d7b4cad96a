// Drives the setup tool's non-GUI core against the print spooler named by
// CUPS_SERVER, as its menu items and save button do, for the system tests:
//
//   system_setup_driver save ROUTER [ROW...]        save flow: monitor directory, PortCommand, routing table
//   system_setup_driver add-port PROGRAM_FOLDER PRINTER...   "Add port" with these printers in the grid
//   system_setup_driver remove-port PROGRAM_FOLDER           "Remove port"
//   system_setup_driver printers                             one "name<TAB>port" line per printer
//
// A ROW is the four routing-table fields separated by TABs. Every message the
// tool would show is written as a "MESSAGE: " line on standard output.
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "setup/monitor_settings.h"
#include "setup/port_installer.h"
#include "setup/router_location.h"
#include "setup/routing_table_file.h"
#include "setup/spooler_cups.h"
#include "support/ansi_split.h"
#include "support/platform/system_info.h"
#include "support/routing_record.h"

namespace {

int Save(const std::vector<std::string>& args) {
  if (args.empty()) return 2;
  const setup::StoredMonitorSettings stored = setup::ReadMonitorSettings();
  std::string monitorDir = stored.firstTempDir.value_or("");
  if (monitorDir.empty() && !setup::ResetMonitorDirectory(monitorDir)) return 1;
  if (!setup::WritePortCommand(setup::PortCommandFor(args[0]))) return 1;
  std::vector<RoutingRecord> rows;
  for (std::size_t i = 1; i < args.size(); ++i) rows.push_back(RoutingRecord::FromLine(args[i]));
  return setup::SaveRoutingTableFile(rows) ? 0 : 1;
}

int AddPort(const std::vector<std::string>& args) {
  if (args.empty()) return 2;
  auto spooler = setup::CreateCupsSpooler();
  setup::PortInstaller installer(*spooler, args[0]);
  installer.is64Bit = [] { return true; };
  installer.AddPort(std::vector<std::string>(args.begin() + 1, args.end()));
  return 0;
}

int RemovePort(const std::vector<std::string>& args) {
  if (args.size() != 1) return 2;
  auto spooler = setup::CreateCupsSpooler();
  setup::PortInstaller installer(*spooler, args[0]);
  installer.is64Bit = [] { return true; };
  installer.RemovePort();
  return 0;
}

int Printers() {
  auto spooler = setup::CreateCupsSpooler();
  std::vector<setup::PrinterRecord> printers;
  if (!spooler->EnumPrinters(printers)) return 1;
  for (const auto& printer : printers) std::cout << printer.printerName << '\t' << printer.portName << '\n';
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  platform::SetMessageBoxHandler([](const std::string&, const std::string& text, int32_t) {
    std::cout << "MESSAGE: " << text << std::endl;
    return int32_t{1};
  });
  if (argc < 2) {
    std::cerr << "usage: system_setup_driver save|add-port|remove-port|printers ..." << std::endl;
    return 2;
  }
  const std::string command = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "save") return Save(args);
  if (command == "add-port") return AddPort(args);
  if (command == "remove-port") return RemovePort(args);
  if (command == "printers") return Printers();
  std::cerr << "unknown command " << command << std::endl;
  return 2;
}
