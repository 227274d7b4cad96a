#pragma once
// The setup tool's main window: the routing table in a grid with a floating
// editor, the monitor's two registry settings, the button bar and the menus.
#include <QMainWindow>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "setup/port_installer.h"
#include "support/platform/system_info.h"

class QAction;
class QFileDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;

namespace setup {

class CellEditor;
class Spooler;
class StringGrid;
class TAboutForm;

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // `programFolder` is where the help page, the installers and (normally)
  // the job router lie. Runs FormCreate.
  TForm1(Spooler& spooler, std::string programFolder, QWidget* parent = nullptr);
  ~TForm1() override;

  // Members the other windows and the tests read.
  std::string PortName;
  std::string PortCommandText;
  std::string MonitorDir;
  QString CellTextAtSelect;
  int32_t EditCol = 0;
  int32_t EditRow = 0;
  int32_t GridTop = 0;
  QRect EditRect;
  uint32_t OsPlatformId = 0;
  uint32_t OsMajorVersion = 0;
  // The router's KeepFailedSends setting as last read or stored.
  bool KeepFailedSends = false;

  TAboutForm* AboutForm = nullptr;

  // Controls.
  QWidget* ClientArea = nullptr;
  QFrame* Panel1 = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* EditExec = nullptr;
  QPushButton* Button1 = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* EditDir = nullptr;
  QFrame* Panel2 = nullptr;
  QPushButton* BitBtnAdd = nullptr;
  QPushButton* BitBtnSub = nullptr;
  QPushButton* BitBtnOk = nullptr;
  QPushButton* BitBtnCan = nullptr;
  QPushButton* BitBtnRefr = nullptr;
  StringGrid* StringGrid1 = nullptr;
  CellEditor* ComboBox1 = nullptr;
  QFileDialog* OpenDialog1 = nullptr;
  QTimer* Timer1 = nullptr;

  // Menus.
  QMenu* File1 = nullptr;
  QAction* Save1 = nullptr;
  QAction* N4 = nullptr;
  QAction* Openprintersfolder1 = nullptr;
  QAction* N1 = nullptr;
  QAction* Help1 = nullptr;
  QMenu* Tools1 = nullptr;
  QAction* Queryport1 = nullptr;
  QAction* Addport1 = nullptr;
  QAction* Removeport1 = nullptr;
  QAction* N3 = nullptr;
  QAction* Querymonitordirectory1 = nullptr;
  QAction* Resetmonitordirectory1 = nullptr;
  QAction* N5 = nullptr;
  QAction* Keepfailedsends1 = nullptr;  // checkable
  QMenu* Help2 = nullptr;
  QAction* Contents1 = nullptr;
  QAction* N2 = nullptr;
  QAction* About1 = nullptr;

  // Replaceable services (the real ones by default).
  std::function<bool(platform::OsVersionInfo&)> QueryOsVersion;
  std::function<bool()> QueryAdminRights;
  // Runs the prepared OpenDialog1 preset to `fileName`; the chosen file, or
  // nothing when the user cancels.
  std::function<std::optional<QString>(QFileDialog& dialog, const QString& fileName)> RunOpenDialog;
  // The folder browser; the chosen folder, or nothing when the user cancels.
  std::function<std::optional<QString>(const QString& caption, const QString& startFolder)> BrowseForFolder;

  PortInstaller& Installer() { return installer_; }
  const std::string& ProgramFolder() const { return programFolder_; }

  // Internal operations.
  void ReadSettings();
  // Fills the grid from the routing table file. With `clearRowsBeyondFile`
  // (reload) the grid shows the file exactly: rows past its last line are
  // emptied, and a missing file empties them all.
  void LoadRoutingTable(bool clearRowsBeyondFile = false);
  void ShowSettings();
  bool SaveSettings();
  bool SaveRoutingTable();
  void FillPrinterList();
  void FillProtocolList();
  void FillValueList(int column);
  void PlaceEditor(const QRect& rect);
  bool CheckOsVersion();
  // The printer cells of rows 1 to the last.
  std::vector<std::string> GridPrinters() const;

 public slots:
  void FormCreate();
  void FormShow();
  void StringGrid1SelectCell(int ACol, int ARow, bool& CanSelect);
  void ComboBox1Select();
  void ComboBox1Change();
  void ComboBox1DropDown(bool& open);
  void ComboBox1Exit();
  void Timer1Timer();
  void BitBtnAddClick();
  void BitBtnSubClick();
  void BitBtnOkClick();
  void BitBtnCanClick();
  void BitBtnRefrClick();
  void Button1Click();
  void EditExecChange();
  void Save1Click();
  void Help1Click();
  void About1Click();
  void Openprintersfolder1Click();
  void Queryport1Click();
  void Addport1Click();
  void Removeport1Click();
  void Querymonitordirectory1Click();
  void Resetmonitordirectory1Click();
  // Stores the router's KeepFailedSends at once; a failure is shown and the
  // item goes back to what is stored.
  void Keepfailedsends1Click(bool checked);
  void Contents1Click();
  // F4 or Alt+Down in the grid: opens the editor's list for the current cell.
  void OpenCurrentCellList();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  void BuildMenus();
  // Replaces the editor's items without announcing any change.
  void SetEditorItems(const QStringList& items);

  std::string programFolder_;
  PortInstaller installer_;
};

}  // namespace setup
