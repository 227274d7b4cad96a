// The save flow of the main window: rights, registry, duplicate check, the
// table written byte for byte, failures of the file system, and the tool run
// for real by an unprivileged user.
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "form_fixture.h"
#include "gui_test_support.h"
#include "setup/cell_editor.h"
#include "setup/messages.h"
#include "setup/string_grid.h"
#include "support/platform/child_process.h"
#include "support/platform/paths.h"
#include "tests/common/unprivileged.h"

using setup_test::FormFixture;
using setup_test::Q;
using setup_test::Texts;

namespace {

// Set in the environment of the copy of this program that runs unprivileged.
constexpr const char* kChildVariable = "CORVANTA_SETUP_UNPRIVILEGED_CHILD";

std::string DefaultMonitorDir(const FormFixture& f) { return f.root.path() + "/var/lib/Corvanta/rdx64mon"; }

}  // namespace

class SaveFlowTest : public QObject {
  Q_OBJECT

 private slots:
  void withoutRightsNothingIsSaved();
  void theFirstSaveWritesRegistryAndTable();
  void anExistingMonitorDirectoryIsKept();
  void duplicatesStopAfterTheRegistry();
  void saveFromTheMenuRunsEvenWhenTheButtonIsOff();
  void savingAttachesThePrintersToThePort();
  void aReadOnlyConfigurationFolderStopsTheSave();
  void aConfigurationFolderThatCannotBeCreated();
  void anUnprivilegedUserIsWarnedAndRefused();
  void unprivilegedChild();
};

void SaveFlowTest::withoutRightsNothingIsSaved() {
  FormFixture f;
  setup::TForm1& form = f.Create(false);
  f.Show();
  f.messages.clear();
  f.SetCell(1, 1, "Invoices");
  QTest::mouseClick(form.BitBtnOk, Qt::LeftButton);
  QCOMPARE(Texts(f.messages), QStringList{"Needs administrator privileges to save registry!"});
  QCOMPARE(f.messages.messages()[0].flags, setup::kWarningBoxFlags);
  QVERIFY(!std::filesystem::exists(platform::RoutingTablePath()));
  QVERIFY(!std::filesystem::exists(platform::RegistryFilePath()));
  QVERIFY(!std::filesystem::exists(DefaultMonitorDir(f)));
  QVERIFY(form.BitBtnOk->isEnabled());
}

void SaveFlowTest::theFirstSaveWritesRegistryAndTable() {
  FormFixture f;
  setup::TForm1& form = f.Create();
  f.Show();
  f.SetCell(1, 1, "Invoices");
  f.SetCell(2, 1, "10.0.0.7");
  f.SetCell(3, 1, "Stampline");
  f.SetCell(4, 1, "20100");
  f.SetCell(5, 1, "60");
  f.SetCell(2, 2, "row without printer");
  f.SetCell(1, 3, "Ελληνικός εκτυπωτής");
  f.SetCell(2, 3, "localcopy.invalid");
  f.SetCell(4, 3, "/srv/copies");
  f.SetCell(1, 4, "ANYPRINTER");
  f.SetCell(2, 4, "proxy:10.0.0.5");
  f.SetCell(4, 4, "20100");
  f.ClickCell(2, 1);
  QVERIFY(form.ComboBox1->isVisible());
  QTest::mouseClick(form.BitBtnOk, Qt::LeftButton);
  QCOMPARE(Texts(f.messages), QStringList());
  QVERIFY(!form.ComboBox1->isVisible());
  QVERIFY(!form.BitBtnOk->isEnabled());
  QCOMPARE(Q(f.Table()), Q("Invoices\t10.0.0.7\t20100\t60\r\n"
                           "Ελληνικός εκτυπωτής\tlocalcopy.invalid\t/srv/copies\t\r\n"
                           "ANYPRINTER\tproxy:10.0.0.5\t20100\t\r\n"));
  QCOMPARE(Q(f.StoredSetting("FirstTempDir").value_or("")), Q(DefaultMonitorDir(f)));
  QVERIFY(std::filesystem::is_directory(DefaultMonitorDir(f)));
  QCOMPARE(Q(f.StoredSetting("PortCommand").value_or("")), form.EditExec->text());
  QCOMPARE(form.EditDir->text(), Q(DefaultMonitorDir(f)));
  QCOMPARE(Q(form.PortCommandText), form.EditExec->text());

  // What was saved comes back as it was.
  setup::TForm1 again(f.spooler, f.programs.path());
  QCOMPARE(again.StringGrid1->Cell(1, 2), QStringLiteral("Ελληνικός εκτυπωτής"));
  QCOMPARE(again.StringGrid1->Cell(3, 1), QStringLiteral("Stampline"));
  QCOMPARE(again.StringGrid1->Cell(3, 3), QStringLiteral("Stampline"));
  QVERIFY(!again.BitBtnOk->isEnabled());
}

void SaveFlowTest::anExistingMonitorDirectoryIsKept() {
  FormFixture f;
  f.StoreSetting("FirstTempDir", "/var/spool/elsewhere");
  setup::TForm1& form = f.Create();
  f.Show();
  QTest::mouseClick(form.BitBtnOk, Qt::LeftButton);
  QCOMPARE(Texts(f.messages), QStringList());
  QCOMPARE(Q(f.StoredSetting("FirstTempDir").value_or("")), QStringLiteral("/var/spool/elsewhere"));
  QVERIFY(!std::filesystem::exists(DefaultMonitorDir(f)));
  QCOMPARE(Q(f.Table()), QString());
}

void SaveFlowTest::duplicatesStopAfterTheRegistry() {
  FormFixture f;
  f.WriteTable("Old\tx\t1\t1\r\n");
  setup::TForm1& form = f.Create();
  f.Show();
  f.SetCell(1, 1, "Invoices");
  f.SetCell(1, 2, "invoices");
  f.SetCell(1, 3, "Labels");
  f.SetCell(1, 4, "Invoices");
  QTest::mouseClick(form.BitBtnOk, Qt::LeftButton);
  QCOMPARE(Texts(f.messages), QStringList{"Record 4 is the same with 1"});
  QCOMPARE(Q(f.Table()), QStringLiteral("Old\tx\t1\t1\r\n"));
  QVERIFY(f.StoredSetting("PortCommand").has_value());
  QVERIFY(f.StoredSetting("FirstTempDir").has_value());
  QVERIFY(form.BitBtnOk->isEnabled());
}

void SaveFlowTest::saveFromTheMenuRunsEvenWhenTheButtonIsOff() {
  FormFixture f;
  f.StoreSetting("PortCommand", "cmd");
  setup::TForm1& form = f.Create();
  f.Show();
  QVERIFY(!form.BitBtnOk->isEnabled());
  f.SetCell(1, 1, "Invoices");
  form.Save1->trigger();
  QCOMPARE(Q(f.Table()), QStringLiteral("Invoices\t\t\t\r\n"));
  QCOMPARE(Texts(f.messages), QStringList());
}

void SaveFlowTest::savingAttachesThePrintersToThePort() {
  FormFixture f;
  f.spooler.AddPort("RPT1:", "Redirected Port");
  f.spooler.AddPrinter("Invoices", "LPT1:,RPT1:");
  f.spooler.AddPrinter("Labels", "LPT2:");
  setup::TForm1& form = f.Create();
  f.Show();
  f.SetCell(1, 1, "Invoices");
  f.SetCell(1, 2, "Missing");
  QTest::mouseClick(form.BitBtnOk, Qt::LeftButton);
  QCOMPARE(Texts(f.messages), QStringList{"OpenPrinter() error 1801"});
  QCOMPARE(Q(f.spooler.PortOf("Invoices")), QStringLiteral("RPT1:"));
  QCOMPARE(Q(f.spooler.PortOf("Labels")), QStringLiteral("LPT2:"));
  QVERIFY(!form.BitBtnOk->isEnabled());
}

void SaveFlowTest::aReadOnlyConfigurationFolderStopsTheSave() {
  FormFixture f;
  setup_test::TmpfsMount mount(platform::ConfigFolder());
  if (!mount.mounted()) QSKIP("cannot mount a tmpfs here");
  f.WriteTable("Old\tx\t1\t1\r\n");
  if (!mount.MakeReadOnly()) QSKIP("cannot remount read-only here");
  setup::TForm1& form = f.Create();
  f.Show();
  f.SetCell(1, 1, "New");
  QTest::mouseClick(form.BitBtnOk, Qt::LeftButton);
  QCOMPARE(Texts(f.messages), QStringList{"Failed to open registry, error 19"});
  QCOMPARE(Q(f.Table()), QStringLiteral("Old\tx\t1\t1\r\n"));
  QVERIFY(form.BitBtnOk->isEnabled());
}

void SaveFlowTest::aConfigurationFolderThatCannotBeCreated() {
  FormFixture f;
  setup_test::WriteFileText(f.root / "etc", "a file where the folder belongs");
  setup::TForm1& form = f.Create();
  f.Show();
  f.SetCell(1, 1, "New");
  QTest::mouseClick(form.BitBtnOk, Qt::LeftButton);
  QCOMPARE(Texts(f.messages), QStringList{"Failed to open registry, error 3"});
  QVERIFY(form.BitBtnOk->isEnabled());
}

// The tool as "nobody" sees it, for real: the rights are the process's own.
void SaveFlowTest::anUnprivilegedUserIsWarnedAndRefused() {
  if (!setup_test::RunningAsRoot()) QSKIP("needs root to start a process as another user");
  setup_test::PrivateRoot root;
  setup_test::WriteFileText(platform::RoutingTablePath(), "Secret\tx\t1\t1\r\n");
  std::filesystem::permissions(platform::RoutingTablePath(), std::filesystem::perms::owner_read |
                                                                 std::filesystem::perms::owner_write);
  for (const auto& folder : {root.path() + "/etc", platform::ConfigFolder()}) {
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                             std::filesystem::perms::group_exec |
                                             std::filesystem::perms::others_read |
                                             std::filesystem::perms::others_exec);
  }
  const std::string output = root / "child.out";
  platform::ChildProcess child;
  platform::ChildProcessOptions options;
  options.environment = {{kChildVariable, "1"}, {"QT_QPA_PLATFORM", "offscreen"}, {"HOME", root.path()},
                         {"XDG_RUNTIME_DIR", root.path()}};
  options.standardOutput = output;
  options.standardError = output + ".err";
  const std::string self = QCoreApplication::applicationFilePath().toStdString();
  QVERIFY(child.Start(corvanta_test::AsUnprivilegedUser({self, "unprivilegedChild"}), options));
  uint32_t exitCode = 99;
  QVERIFY2(child.Wait(120000, &exitCode), "the unprivileged run did not end");
  const std::string report = setup_test::ReadFileText(output);
  if (report.find("SKIP") != std::string::npos && report.find("PASS   : SaveFlowTest::unprivilegedChild") == std::string::npos) {
    QSKIP(("the unprivileged run could not be made: " + report).c_str());
  }
  QVERIFY2(exitCode == 0, (report + setup_test::ReadFileText(output + ".err")).c_str());
  QVERIFY2(report.find("PASS   : SaveFlowTest::unprivilegedChild()") != std::string::npos, report.c_str());
  QCOMPARE(Q(setup_test::ReadFileText(platform::RoutingTablePath())), QStringLiteral("Secret\tx\t1\t1\r\n"));
  QVERIFY(!std::filesystem::exists(platform::RegistryFilePath()));
}

// Runs only inside the process that anUnprivilegedUserIsWarnedAndRefused starts.
void SaveFlowTest::unprivilegedChild() {
  if (qEnvironmentVariableIsEmpty(kChildVariable)) QSKIP("runs only as the unprivileged copy");
  QVERIFY(!setup_test::RunningAsRoot());
  setup_test::MessageRecorder messages;
  setup::MemorySpooler spooler;
  setup_test::TempFolder programs;
  setup::TForm1 form(spooler, programs.path());
  QCOMPARE(Texts(messages), QStringList{Q("Error reading parameter file: Cannot open file \"" +
                                          platform::RoutingTablePath() + "\", error 5")});
  QCOMPARE(form.StringGrid1->Cell(1, 1), QString());
  form.show();
  QCOMPARE(Texts(messages).value(1), QStringLiteral("Needs administrator privileges to operate!"));
  // The grid stays usable.
  form.StringGrid1->SetCell(1, 1, "Invoices");
  QTest::mouseClick(form.BitBtnOk, Qt::LeftButton);
  QCOMPARE(Texts(messages).value(2), QStringLiteral("Needs administrator privileges to save registry!"));
  QCOMPARE(Texts(messages).size(), 3);
}

int main(int argc, char** argv) {
  SaveFlowTest tests;
  return setup_test::RunGuiTests(argc, argv, tests);
}

#include "save_flow_test.moc"
