#pragma once
// One main window under test: a private root, a message recorder, an
// in-memory spooler, recording installers beside a fake program folder, and
// the real TForm1 (and About box) built over them.
#include <QPoint>
#include <QString>
#include <memory>
#include <string>

#include "setup/about_form.h"
#include "setup/main_window.h"
#include "setup/spooler_memory.h"
#include "setup_test_support.h"

namespace setup_test {

class FormFixture {
 public:
  FormFixture();
  ~FormFixture();

  // Builds the window (FormCreate runs: registry and table are read now).
  // Administrator rights are granted unless `admin` is false.
  setup::TForm1& Create(bool admin = true);
  // Shows it and waits until it is on screen (FormShow runs).
  void Show();

  void WriteTable(const std::string& text) const;
  std::string Table() const;
  // Stores a value of the monitor's settings key as the tool would.
  void StoreSetting(const std::string& name, const std::string& value) const;
  std::optional<std::string> StoredSetting(const std::string& name) const;

  // Clicks cell (column, row) of the grid as a user would.
  void ClickCell(int column, int row);
  QString Cell(int column, int row) const;
  void SetCell(int column, int row, const QString& text);

  PrivateRoot root;
  MessageRecorder messages;
  FakeProgramFolder programs;
  setup::MemorySpooler spooler;
  std::unique_ptr<setup::TForm1> form;
  std::unique_ptr<setup::TAboutForm> about;
};

}  // namespace setup_test
