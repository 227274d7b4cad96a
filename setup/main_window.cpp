#include "setup/main_window.h"

#include <QAction>
#include <QFileDialog>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <exception>

#include "setup/about_form.h"
#include "setup/cell_editor.h"
#include "setup/form_label.h"
#include "setup/glyphs.h"
#include "setup/messages.h"
#include "setup/monitor_settings.h"
#include "setup/router_location.h"
#include "setup/routing_table_file.h"
#include "setup/spooler.h"
#include "setup/string_grid.h"
#include "support/platform/files.h"
#include "support/platform/paths.h"
#include "support/platform/process.h"
#include "support/router_settings.h"
#include "support/routing_record.h"
#include "support/system_helpers.h"

namespace setup {

namespace {

constexpr int kClientWidth = 640;
constexpr int kClientHeight = 367;
constexpr int kColumnCount = 6;
constexpr const char* kHelpPageName = "rdx64.htm";
constexpr const char* kPrinterListUrl = "http://localhost:631/printers/";
constexpr const char* kOpenDialogFilter = "Executable (rdx64run)";

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

QPushButton* MakeGlyphButton(QWidget* parent, const char* name, const QIcon& glyph, int x, const QString& tip) {
  auto* button = new QPushButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(x, 8, 25, 25);
  button->setIcon(glyph);
  button->setIconSize(QSize(16, 16));
  button->setToolTip(tip);
  button->setAccessibleName(tip);
  return button;
}

QAction* MakeSeparator(QMenu* menu, const char* name) {
  QAction* separator = menu->addSeparator();
  separator->setObjectName(QString::fromLatin1(name));
  return separator;
}

}  // namespace

TForm1::TForm1(Spooler& spooler, std::string programFolder, QWidget* parent)
    : QMainWindow(parent),
      QueryOsVersion(platform::GetOsVersion),
      QueryAdminRights(HasAdminRights),
      programFolder_(std::move(programFolder)),
      installer_(spooler, programFolder_) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("rdx32/64 Handler setup"));
  PortName = kManagedPortName;
  EditCol = 0;
  EditRow = 0;
  EditRect = QRect();

  RunOpenDialog = [](QFileDialog& dialog, const QString& fileName) -> std::optional<QString> {
    dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
  };
  BrowseForFolder = [this](const QString& caption, const QString& startFolder) -> std::optional<QString> {
    const QString folder = QFileDialog::getExistingDirectory(this, caption, startFolder);
    if (folder.isEmpty()) return std::nullopt;
    return folder;
  };

  BuildControls();
  BuildMenus();
  FormCreate();
}

TForm1::~TForm1() {
  // The children outlive this part of the window while QWidget takes them
  // down; a focus change or selection they announce then must not reach it.
  Timer1->stop();
  for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
}

void TForm1::BuildControls() {
  QFont font;
  font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
  font.setPixelSize(11);
  setFont(font);

  ClientArea = new QWidget(this);
  ClientArea->setObjectName(QStringLiteral("ClientArea"));
  ClientArea->setFixedSize(kClientWidth, kClientHeight);
  setCentralWidget(ClientArea);

  Panel1 = new QFrame(ClientArea);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameShape(QFrame::StyledPanel);
  Panel1->setGeometry(0, 0, kClientWidth, 105);
  Label1 = MakeLabel(Panel1, "Label1", QStringLiteral("Executable + params"), 8, 8);
  EditExec = new QLineEdit(Panel1);
  EditExec->setObjectName(QStringLiteral("EditExec"));
  EditExec->setGeometry(8, 24, 593, 21);
  EditExec->setReadOnly(true);
  Button1 = new QPushButton(QStringLiteral("..."), Panel1);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(608, 24, 25, 25);
  Label2 = MakeLabel(Panel1, "Label2", QStringLiteral("Monitor directory"), 8, 56);
  EditDir = new QLineEdit(Panel1);
  EditDir->setObjectName(QStringLiteral("EditDir"));
  EditDir->setGeometry(8, 72, 593, 21);
  EditDir->setReadOnly(true);
  QPalette tipColours = EditDir->palette();
  tipColours.setColor(QPalette::Base, QToolTip::palette().color(QPalette::ToolTipBase));
  tipColours.setColor(QPalette::Text, QToolTip::palette().color(QPalette::ToolTipText));
  EditDir->setPalette(tipColours);
  Label1->setBuddy(EditExec);
  Label2->setBuddy(EditDir);

  Panel2 = new QFrame(ClientArea);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Panel2->setFrameShape(QFrame::StyledPanel);
  Panel2->setGeometry(0, kClientHeight - 41, kClientWidth, 41);
  const QStyle* look = style();
  BitBtnAdd = MakeGlyphButton(Panel2, "BitBtnAdd", AddRowGlyph(), 8, QStringLiteral("Add a row"));
  BitBtnSub = MakeGlyphButton(Panel2, "BitBtnSub", ClearRowGlyph(), 34, QStringLiteral("Clear the selected row"));
  BitBtnOk = MakeGlyphButton(Panel2, "BitBtnOk", SaveGlyph(look), 60, QStringLiteral("Save"));
  BitBtnCan = MakeGlyphButton(Panel2, "BitBtnCan", CancelGlyph(look), 86, QStringLiteral("Close"));
  BitBtnRefr = MakeGlyphButton(Panel2, "BitBtnRefr", ReloadGlyph(look), 112, QStringLiteral("Reload"));
  BitBtnOk->setEnabled(false);

  StringGrid1 = new StringGrid(ClientArea);
  StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
  StringGrid1->setGeometry(0, 105, kClientWidth, kClientHeight - 105 - 41);
  StringGrid1->SetColCount(5);
  StringGrid1->SetRowCount(5);

  ComboBox1 = new CellEditor(ClientArea);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setGeometry(344, 248, 145, 21);
  ComboBox1->setMaxVisibleItems(12);
  // Enter belongs to the save button; typed text goes to the cell, not into the list.
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);

  OpenDialog1 = new QFileDialog(this, QStringLiteral("Find executable"));
  OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
  OpenDialog1->setNameFilter(QString::fromLatin1(kOpenDialogFilter));
  OpenDialog1->setFileMode(QFileDialog::ExistingFile);
  OpenDialog1->setOption(QFileDialog::ReadOnly, true);
  OpenDialog1->setSizeGripEnabled(true);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(50);

  setWindowFlags((windowFlags() | Qt::MSWindowsFixedSizeDialogHint) & ~Qt::WindowMaximizeButtonHint);
  // The window is as large as its client area and menu, and cannot be resized.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  move(169, 137);

  connect(EditExec, &QLineEdit::textChanged, this, &TForm1::EditExecChange);
  connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
  connect(BitBtnAdd, &QPushButton::clicked, this, &TForm1::BitBtnAddClick);
  connect(BitBtnSub, &QPushButton::clicked, this, &TForm1::BitBtnSubClick);
  connect(BitBtnOk, &QPushButton::clicked, this, &TForm1::BitBtnOkClick);
  connect(BitBtnCan, &QPushButton::clicked, this, &TForm1::BitBtnCanClick);
  connect(BitBtnRefr, &QPushButton::clicked, this, &TForm1::BitBtnRefrClick);
  connect(StringGrid1, &StringGrid::CellChosen, this, [this](int column, int row) {
    bool canSelect = true;
    StringGrid1SelectCell(column, row, canSelect);
  });
  connect(ComboBox1, &QComboBox::activated, this, [this](int) { ComboBox1Select(); });
  connect(ComboBox1, &QComboBox::editTextChanged, this, [this](const QString&) { ComboBox1Change(); });
  connect(ComboBox1, &CellEditor::DropDown, this, &TForm1::ComboBox1DropDown);
  connect(ComboBox1, &CellEditor::Exited, this, &TForm1::ComboBox1Exit);
  connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);

  // Enter saves (only while the save button is enabled); Esc closes. Inside
  // the editor's open list they only act on the list: Enter takes the
  // highlighted item, Esc closes the list and leaves the cell as it was.
  auto* enter = new QShortcut(QKeySequence(Qt::Key_Return), this);
  auto* keypadEnter = new QShortcut(QKeySequence(Qt::Key_Enter), this);
  for (QShortcut* shortcut : {enter, keypadEnter}) {
    connect(shortcut, &QShortcut::activated, this, [this] {
      if (ComboBox1->ListOpen()) {
        ComboBox1->CommitHighlighted();
      } else if (BitBtnOk->isEnabled()) {
        BitBtnOk->click();
      }
    });
  }
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, [this] {
    if (ComboBox1->ListOpen()) {
      ComboBox1->hidePopup();
    } else {
      BitBtnCan->click();
    }
  });
  connect(StringGrid1, &StringGrid::ListRequested, this, &TForm1::OpenCurrentCellList);

  setTabOrder(BitBtnCan, BitBtnRefr);
  Timer1->start();
}

void TForm1::BuildMenus() {
  const QStyle* look = style();
  menuBar()->setObjectName(QStringLiteral("MainMenu1"));
  File1 = menuBar()->addMenu(QStringLiteral("&File"));
  File1->setObjectName(QStringLiteral("File1"));
  Save1 = File1->addAction(DiskGlyph(look), QStringLiteral("&Save"));
  Save1->setObjectName(QStringLiteral("Save1"));
  N4 = MakeSeparator(File1, "N4");
  Openprintersfolder1 = File1->addAction(FolderGlyph(look), QStringLiteral("&Open printers folder"));
  Openprintersfolder1->setObjectName(QStringLiteral("Openprintersfolder1"));
  N1 = MakeSeparator(File1, "N1");
  Help1 = File1->addAction(QStringLiteral("E&xit"));
  Help1->setObjectName(QStringLiteral("Help1"));

  Tools1 = menuBar()->addMenu(QStringLiteral("&Tools"));
  Tools1->setObjectName(QStringLiteral("Tools1"));
  Queryport1 = Tools1->addAction(QStringLiteral("&Query port"));
  Queryport1->setObjectName(QStringLiteral("Queryport1"));
  Addport1 = Tools1->addAction(QStringLiteral("&Add port"));
  Addport1->setObjectName(QStringLiteral("Addport1"));
  Removeport1 = Tools1->addAction(QStringLiteral("&Remove port"));
  Removeport1->setObjectName(QStringLiteral("Removeport1"));
  N3 = MakeSeparator(Tools1, "N3");
  Querymonitordirectory1 = Tools1->addAction(QStringLiteral("Query &monitor directory"));
  Querymonitordirectory1->setObjectName(QStringLiteral("Querymonitordirectory1"));
  Resetmonitordirectory1 = Tools1->addAction(QStringLiteral("R&eset monitor directory"));
  Resetmonitordirectory1->setObjectName(QStringLiteral("Resetmonitordirectory1"));
  N5 = MakeSeparator(Tools1, "N5");
  Keepfailedsends1 = Tools1->addAction(QStringLiteral("&Keep jobs whose send failed"));
  Keepfailedsends1->setObjectName(QStringLiteral("Keepfailedsends1"));
  Keepfailedsends1->setCheckable(true);

  Help2 = menuBar()->addMenu(QStringLiteral("&Help"));
  Help2->setObjectName(QStringLiteral("Help2"));
  Contents1 = Help2->addAction(QStringLiteral("&Contents"));
  Contents1->setObjectName(QStringLiteral("Contents1"));
  N2 = MakeSeparator(Help2, "N2");
  About1 = Help2->addAction(QStringLiteral("&About"));
  About1->setObjectName(QStringLiteral("About1"));

  connect(Save1, &QAction::triggered, this, &TForm1::Save1Click);
  connect(Openprintersfolder1, &QAction::triggered, this, &TForm1::Openprintersfolder1Click);
  connect(Help1, &QAction::triggered, this, &TForm1::Help1Click);
  connect(Queryport1, &QAction::triggered, this, &TForm1::Queryport1Click);
  connect(Addport1, &QAction::triggered, this, &TForm1::Addport1Click);
  connect(Removeport1, &QAction::triggered, this, &TForm1::Removeport1Click);
  connect(Querymonitordirectory1, &QAction::triggered, this, &TForm1::Querymonitordirectory1Click);
  connect(Resetmonitordirectory1, &QAction::triggered, this, &TForm1::Resetmonitordirectory1Click);
  connect(Keepfailedsends1, &QAction::triggered, this, &TForm1::Keepfailedsends1Click);
  connect(Contents1, &QAction::triggered, this, &TForm1::Contents1Click);
  connect(About1, &QAction::triggered, this, &TForm1::About1Click);
}

void TForm1::FormCreate() {
  StringGrid1->SetColWidth(0, 40);
  StringGrid1->SetColWidth(4, 120);
  StringGrid1->SetColCount(kColumnCount);
  const char* const headings[] = {"Printer", "Dest.server", "Protocol", "Port/Location", "Timeout (sec)"};
  for (int column = 1; column < kColumnCount; ++column) {
    StringGrid1->SetCell(column, 0, QString::fromLatin1(headings[column - 1]));
  }
  // Only now that every column is there does the first row's highlight span them all.
  StringGrid1->SetCurrentCellQuietly(1, 1);
  ReadSettings();
  LoadRoutingTable();
  ShowSettings();
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TForm1::FormShow() {
  setWindowTitle(Q(GetApplicationTitle()));
  ComboBox1->hide();
  GridTop = StringGrid1->geometry().top();
  const bool supported = CheckOsVersion();
  if (!supported) {
    // Closed once the show has finished; the rights are still checked first.
    QTimer::singleShot(0, this, &QWidget::close);
  }
  if (!QueryAdminRights()) ShowWarningBox("Needs administrator privileges to operate!");
}

bool TForm1::CheckOsVersion() {
  platform::OsVersionInfo info;
  if (!QueryOsVersion(info)) {
    ShowWarningBox(WithLastError("GetVersionEx error "));
    return false;
  }
  if (info.platformId == 2 && info.majorVersion >= 5) {
    OsPlatformId = info.platformId;
    OsMajorVersion = info.majorVersion;
    return true;
  }
  ShowWarningBox("Operating system not supported!");
  return false;
}

void TForm1::ReadSettings() {
  const StoredMonitorSettings stored = ReadMonitorSettings();
  if (stored.firstTempDir) MonitorDir = *stored.firstTempDir;
  if (stored.portCommand) PortCommandText = *stored.portCommand;
  KeepFailedSends = ReadKeepFailedSends();
}

void TForm1::LoadRoutingTable(bool clearRowsBeyondFile) {
  const std::string path = platform::RoutingTablePath();
  std::vector<std::string> lines;
  if (platform::FileExists(path)) {
    std::string error;
    if (!ReadRoutingTableLines(path, lines, error)) {
      ShowWarningBox("Error reading parameter file: " + error);
      return;
    }
  } else if (!clearRowsBeyondFile) {
    return;
  }
  const int n = static_cast<int>(lines.size());
  if (StringGrid1->RowCount() < n + 1) StringGrid1->SetRowCount(n + 1);
  // Rows left from before would be saved back, reviving lines removed from the file.
  if (clearRowsBeyondFile) {
    for (int row = n + 1; row < StringGrid1->RowCount(); ++row) {
      for (int column = 1; column < StringGrid1->ColCount(); ++column) StringGrid1->SetCell(column, row, QString());
    }
  }
  for (int i = 0; i < n; ++i) {
    const RoutingRecord record = RoutingRecord::FromLine(lines[static_cast<std::size_t>(i)]);
    StringGrid1->SetCell(1, i + 1, Q(record.printer));
    StringGrid1->SetCell(2, i + 1, Q(record.destServer));
    StringGrid1->SetCell(3, i + 1, Q(ProtocolLabel(record.portLocation)));
    StringGrid1->SetCell(4, i + 1, Q(record.portLocation));
    StringGrid1->SetCell(5, i + 1, Q(record.timeoutSec));
  }
}

void TForm1::ShowSettings() {
  EditExec->setText(Q(PortCommandText));
  EditDir->setText(Q(MonitorDir));
  Keepfailedsends1->setChecked(KeepFailedSends);
  BitBtnOk->setEnabled(false);
  for (int row = 1; row < StringGrid1->RowCount(); ++row) StringGrid1->SetCell(0, row, QString::number(row));
  if (PortCommandText.empty()) {
    PortCommandText = PortCommandFor(DefaultRouterPath(programFolder_));
    EditExec->setText(Q(PortCommandText));
    BitBtnOk->setEnabled(true);
  }
}

bool TForm1::SaveSettings() {
  if (MonitorDir.empty()) {
    if (!ResetMonitorDirectory(MonitorDir)) return false;
  }
  EditDir->setText(Q(MonitorDir));
  PortCommandText = S(EditExec->text());
  return WritePortCommand(PortCommandText);
}

bool TForm1::SaveRoutingTable() {
  std::vector<RoutingRecord> rows;
  for (int row = 1; row < StringGrid1->RowCount(); ++row) {
    rows.push_back(RoutingRecord{S(StringGrid1->Cell(1, row)), S(StringGrid1->Cell(2, row)),
                                 S(StringGrid1->Cell(4, row)), S(StringGrid1->Cell(5, row))});
  }
  return SaveRoutingTableFile(rows);
}

std::vector<std::string> TForm1::GridPrinters() const {
  std::vector<std::string> printers;
  for (int row = 1; row < StringGrid1->RowCount(); ++row) printers.push_back(S(StringGrid1->Cell(1, row)));
  return printers;
}

void TForm1::SetEditorItems(const QStringList& items) {
  const QSignalBlocker blocker(ComboBox1);
  ComboBox1->clear();
  ComboBox1->addItems(items);
}

void TForm1::FillPrinterList() {
  SetEditorItems({});
  std::vector<PrinterRecord> printers;
  if (!installer_.spooler().EnumPrinters(printers) || printers.empty()) return;
  QStringList names;
  for (const auto& printer : printers) names << Q(printer.printerName);
  std::sort(names.begin(), names.end(),
            [](const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
  names << QString::fromLatin1(AnyPrinterName);
  SetEditorItems(names);
}

void TForm1::FillProtocolList() { SetEditorItems({QStringLiteral("Vellum"), QStringLiteral("Stampline")}); }

void TForm1::FillValueList(int column) {
  QStringList items{QString()};
  switch (column) {
    case 2:
      items << QStringLiteral("127.0.0.1") << QStringLiteral("localhost") << QString::fromLatin1(LocalCopySentinelHost)
            << QStringLiteral("proxy:255.1.1.1");
      break;
    case 4:
      items << QStringLiteral("20004") << QStringLiteral("20100");
      break;
    case 5:
      items << QStringLiteral("60") << QStringLiteral("120");
      break;
    default:
      break;
  }
  for (int row = 1; row < StringGrid1->RowCount(); ++row) {
    const QString value = StringGrid1->Cell(column, row);
    if (!value.isEmpty() && !items.contains(value, Qt::CaseInsensitive)) items << value;
  }
  SetEditorItems(items);
}

void TForm1::PlaceEditor(const QRect& rect) {
  const int width = std::max(rect.width(), 30);
  ComboBox1->setGeometry(rect.left(), GridTop + rect.top(), width, rect.height());
}

void TForm1::StringGrid1SelectCell(int ACol, int ARow, bool& CanSelect) {
  if (ACol == 0 || ARow == 0) {
    CanSelect = false;
    return;
  }
  CanSelect = true;
  try {
    CellTextAtSelect = StringGrid1->Cell(ACol, ARow);
    EditCol = ACol;
    EditRow = ARow;
    EditRect = StringGrid1->CellRect(ACol, ARow);
    // Restyling and refilling the editor is not the user's doing: no commit rule may see it.
    const QSignalBlocker blocker(ComboBox1);
    switch (ACol) {
      case 1:
        ComboBox1->setEditable(false);
        FillPrinterList();
        break;
      case 3:
        ComboBox1->setEditable(false);
        FillProtocolList();
        break;
      case 2:
      case 4:
      case 5:
        ComboBox1->setEditable(true);
        FillValueList(ACol);
        break;
      default:
        ComboBox1->hide();
        return;
    }
    PlaceEditor(EditRect);
    ComboBox1->show();
    ComboBox1->raise();
    ComboBox1->setCurrentIndex(ComboBox1->findText(CellTextAtSelect, Qt::MatchFixedString));
  } catch (const std::exception& e) {
    ShowWarningBox(e.what());
  }
}

void TForm1::ComboBox1Select() {
  if (!ComboBox1->isVisible() || EditRow <= 0 || EditCol < 1 || EditCol > 5) return;
  const int index = ComboBox1->currentIndex();
  if (index < 0) return;
  const QString text = ComboBox1->itemText(index);
  // Compared with what the cell holds now, not with its text at selection:
  // a choice taken back must reach the cell too, or the grid would show (and
  // save) a value the editor no longer shows.
  if (text != StringGrid1->Cell(EditCol, EditRow)) {
    StringGrid1->SetCell(EditCol, EditRow, text);
    BitBtnOk->setEnabled(true);
  }
  if (EditCol == 3) {
    StringGrid1->SetCell(4, EditRow, index == 1 ? QString::number(kStamplinePort) : QString::number(kVellumPort));
  }
}

void TForm1::ComboBox1Change() {
  if (!ComboBox1->isVisible() || EditRow <= 0) return;
  if (EditCol != 2 && EditCol != 4 && EditCol != 5) return;
  const QString text = ComboBox1->currentText();
  if (text != StringGrid1->Cell(EditCol, EditRow)) {
    StringGrid1->SetCell(EditCol, EditRow, text);
    BitBtnOk->setEnabled(true);
  }
}

void TForm1::ComboBox1DropDown(bool& open) {
  if (!ComboBox1->isVisible() || EditRow <= 0 || EditCol != 4) return;
  if (StringGrid1->Cell(2, EditRow) != QString::fromLatin1(LocalCopySentinelHost)) return;
  open = false;
  const int row = EditRow;
  const std::optional<QString> folder = BrowseForFolder(QStringLiteral("Save folder"), StringGrid1->Cell(4, row));
  if (!folder) return;
  {
    const QSignalBlocker blocker(ComboBox1);
    ComboBox1->setEditText(*folder);
  }
  StringGrid1->SetCell(4, row, *folder);
  BitBtnOk->setEnabled(true);
}

void TForm1::ComboBox1Exit() { ComboBox1->hide(); }

void TForm1::Timer1Timer() {
  if (!ComboBox1->isVisible() || EditRow == 0) return;
  const QRect rect = StringGrid1->CellRect(EditCol, EditRow);
  if (rect != EditRect) {
    EditRect = rect;
    PlaceEditor(rect);
  }
}

void TForm1::BitBtnAddClick() {
  const int rows = StringGrid1->RowCount();
  StringGrid1->SetRowCount(rows + 1);
  StringGrid1->SetCell(0, rows, QString::number(rows));
}

void TForm1::BitBtnSubClick() {
  const int row = StringGrid1->SelectionTop();
  if (row <= 0 || row >= StringGrid1->RowCount()) return;
  for (int column = 1; column < StringGrid1->ColCount(); ++column) StringGrid1->SetCell(column, row, QString());
  BitBtnOk->setEnabled(true);
  if (ComboBox1->isVisible() && EditRow == row) {
    // The editor over the emptied row shows the empty cell, not what it held.
    const QSignalBlocker blocker(ComboBox1);
    CellTextAtSelect.clear();
    ComboBox1->setCurrentIndex(ComboBox1->findText(QString(), Qt::MatchFixedString));
    if (ComboBox1->isEditable()) ComboBox1->setEditText(QString());
  }
}

void TForm1::OpenCurrentCellList() {
  const int column = StringGrid1->currentColumn() + 1;
  const int row = StringGrid1->currentRow() + 1;
  if (column < 1 || row < 1) return;
  if (!ComboBox1->isVisible() || EditCol != column || EditRow != row) {
    bool canSelect = true;
    StringGrid1SelectCell(column, row, canSelect);
    if (!canSelect || !ComboBox1->isVisible()) return;
  }
  ComboBox1->setFocus(Qt::OtherFocusReason);
  ComboBox1->showPopup();
}

void TForm1::BitBtnOkClick() {
  ComboBox1->hide();
  if (!QueryAdminRights()) {
    ShowWarningBox("Needs administrator privileges to save registry!");
    return;
  }
  if (!SaveSettings()) return;
  if (!SaveRoutingTable()) return;
  installer_.AttachPortToPrinters(GridPrinters());
  BitBtnOk->setEnabled(false);
}

void TForm1::BitBtnCanClick() { close(); }

void TForm1::BitBtnRefrClick() {
  ReadSettings();
  LoadRoutingTable(true);
  ShowSettings();
}

void TForm1::Button1Click() {
  const QString preset = Q(platform::JoinPath(programFolder_, kRouterFileName));
  const std::optional<QString> chosen = RunOpenDialog(*OpenDialog1, preset);
  if (!chosen) return;
  EditExec->setText(Q(PortCommandFor(S(*chosen))));
}

void TForm1::EditExecChange() { BitBtnOk->setEnabled(true); }

void TForm1::Save1Click() { BitBtnOkClick(); }

void TForm1::Help1Click() { close(); }

void TForm1::About1Click() {
  if (AboutForm != nullptr) AboutForm->exec();
}

void TForm1::Openprintersfolder1Click() {
  const std::vector<std::string> command{"xdg-open", kPrinterListUrl};
  if (!platform::StartProcess(command, false)) {
    ShowWarningBox(WithLastError("CreateProcess " + command[0] + " " + command[1] + " error "));
  }
}

void TForm1::Queryport1Click() { installer_.QueryPort(); }

void TForm1::Addport1Click() { installer_.AddPort(GridPrinters()); }

void TForm1::Removeport1Click() { installer_.RemovePort(); }

void TForm1::Querymonitordirectory1Click() { QueryMonitorDirectory(); }

void TForm1::Resetmonitordirectory1Click() {
  if (ResetMonitorDirectory(MonitorDir)) EditDir->setText(Q(MonitorDir));
}

void TForm1::Keepfailedsends1Click(bool checked) {
  if (!QueryAdminRights()) {
    ShowWarningBox("Needs administrator privileges to save registry!");
  } else if (const long result = WriteKeepFailedSends(checked); result != 0) {
    ShowWarningBox("Failed to write registry, error " + std::to_string(result));
  } else {
    KeepFailedSends = checked;
  }
  Keepfailedsends1->setChecked(KeepFailedSends);
}

void TForm1::Contents1Click() {
  // Nothing to tell the user when no browser is there: the page is beside the program.
  platform::StartProcess({"xdg-open", platform::JoinPath(programFolder_, kHelpPageName)}, false);
}

}  // namespace setup
