// The main window driven as a user drives it, on the offscreen platform.
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidgetSelectionRange>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "form_fixture.h"
#include "gui_test_support.h"
#include "setup/cell_editor.h"
#include "setup/messages.h"
#include "setup/string_grid.h"
#include "support/platform/paths.h"
#include "support/platform/win_error.h"

using setup_test::FormFixture;
using setup_test::Q;
using setup_test::Texts;

namespace {

QStringList EditorItems(const QComboBox& editor) {
  QStringList items;
  for (int i = 0; i < editor.count(); ++i) items << editor.itemText(i);
  return items;
}

QString DefaultCommand(const FormFixture& f) {
  return Q("\"" + f.programs.path() + "/rdx64run\" \"%1\" \"%2\" \"%3\"");
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void missingTableLeavesFiveRows();
  void tenLinesGrowTheGridAndAShorterReloadClearsTheRest();
  void cellsShowTheFieldsAndTheProtocol();
  void storedSettingsAreShownWithSaveDisabled();
  void anUnreadablePortCommandGivesTheDefault();
  void fixedCellsAreRefused();
  void theEditorOffersEachColumnsList();
  void printerListIsEmptyWithoutPrinters();
  void pickingAProtocolWritesItsPort();
  void typingUpdatesTheCellAtEveryKeystroke();
  void commitRulesNeedAVisibleEditor();
  void localCopyFolderIsChosenInTheFolderBrowser();
  void theEditorFollowsItsCell();
  void addingAndClearingRows();
  void theEditorStaysBelowTheHeadingRow();
  void enterAndEscInAnOpenListOnlyActOnTheList();
  void f4AndAltDownOpenTheCurrentCellsList();
  void choosingTheRouterProgram();
  void menusAndKeys();
  void monitorDirectoryItems();
  void printersFolderAndHelpOpenInTheBrowser();
  void portItemsReachTheSpooler();
  void startupChecks();
  void startupChecks_data();
};

void MainWindowTest::missingTableLeavesFiveRows() {
  FormFixture f;
  setup::TForm1& form = f.Create();
  QCOMPARE(form.StringGrid1->RowCount(), 5);
  QCOMPARE(form.StringGrid1->ColCount(), 6);
  const QStringList headings{"Printer", "Dest.server", "Protocol", "Port/Location", "Timeout (sec)"};
  for (int column = 1; column <= 5; ++column) {
    QCOMPARE(f.Cell(column, 0), headings[column - 1]);
    QCOMPARE(form.StringGrid1->ColWidth(column), 120);
    for (int row = 1; row <= 4; ++row) QCOMPARE(f.Cell(column, row), QString());
  }
  QCOMPARE(form.StringGrid1->ColWidth(0), 40);
  for (int row = 1; row <= 4; ++row) QCOMPARE(f.Cell(0, row), QString::number(row));
  // Without a PortCommand in the registry the default is offered, ready to save.
  QCOMPARE(form.EditExec->text(), DefaultCommand(f));
  QVERIFY(form.BitBtnOk->isEnabled());
  QCOMPARE(form.EditDir->text(), QString());
  QVERIFY(form.EditExec->isReadOnly());
  QVERIFY(form.EditDir->isReadOnly());
  QCOMPARE(form.PortName, std::string("RPT1:"));
  // Row 1 starts highlighted across every column.
  const QList<QTableWidgetSelectionRange> ranges = form.StringGrid1->selectedRanges();
  QCOMPARE(ranges.size(), 1);
  QCOMPARE(ranges.first().topRow(), 0);
  QCOMPARE(ranges.first().bottomRow(), 0);
  QCOMPARE(ranges.first().leftColumn(), 0);
  QCOMPARE(ranges.first().rightColumn(), 4);

  f.Show();
  QCOMPARE(form.windowTitle(), QStringLiteral("32/64bit Redirect Port monitor Setup"));
  QCOMPARE(form.ClientArea->size(), QSize(640, 367));
  QCOMPARE(form.minimumSize(), form.maximumSize());
  QCOMPARE(form.GridTop, 105);
  QVERIFY(!form.ComboBox1->isVisible());
  QCOMPARE(form.Label1->text(), QStringLiteral("Executable + params"));
  QCOMPARE(form.Label2->text(), QStringLiteral("Monitor directory"));
  QCOMPARE(form.Button1->text(), QStringLiteral("..."));
  QCOMPARE(form.Timer1->interval(), 50);
  QVERIFY(form.Timer1->isActive());
  QVERIFY(Texts(f.messages).isEmpty());
  for (QPushButton* button : {form.BitBtnAdd, form.BitBtnSub, form.BitBtnOk, form.BitBtnCan, form.BitBtnRefr}) {
    QCOMPARE(button->size(), QSize(25, 25));
    QVERIFY(!button->icon().isNull());
    QVERIFY(button->text().isEmpty());
  }
}

void MainWindowTest::tenLinesGrowTheGridAndAShorterReloadClearsTheRest() {
  FormFixture f;
  std::string ten;
  for (int i = 1; i <= 10; ++i) ten += "P" + std::to_string(i) + "\tserver" + std::to_string(i) + "\t20100\t60\r\n";
  f.WriteTable(ten);
  setup::TForm1& form = f.Create();
  QCOMPARE(form.StringGrid1->RowCount(), 11);
  QCOMPARE(f.Cell(1, 10), QStringLiteral("P10"));
  QCOMPARE(f.Cell(0, 10), QStringLiteral("10"));

  f.WriteTable("N1\ta\t20004\t1\nN2\tb\t20004\t2\nN3\tc\t20004\t3\n");
  QTest::mouseClick(form.BitBtnRefr, Qt::LeftButton);
  QCOMPARE(form.StringGrid1->RowCount(), 11);
  QCOMPARE(f.Cell(1, 1), QStringLiteral("N1"));
  QCOMPARE(f.Cell(3, 3), QStringLiteral("Vellum"));
  for (int row = 4; row <= 10; ++row) {
    for (int column = 1; column <= 5; ++column) QCOMPARE(f.Cell(column, row), QString());
    QCOMPARE(f.Cell(0, row), QString::number(row));
  }
  // The next save writes the file back as it was, not the rows it had lost.
  QTest::mouseClick(form.BitBtnSub, Qt::LeftButton);  // row 1
  QTest::mouseClick(form.BitBtnOk, Qt::LeftButton);
  QCOMPARE(Q(f.Table()), QStringLiteral("N2\tb\t20004\t2\r\nN3\tc\t20004\t3\r\n"));

  // A file removed by hand empties the grid on reload.
  std::filesystem::remove(platform::RoutingTablePath());
  QTest::mouseClick(form.BitBtnRefr, Qt::LeftButton);
  for (int row = 1; row <= 10; ++row) QCOMPARE(f.Cell(1, row), QString());
}

void MainWindowTest::cellsShowTheFieldsAndTheProtocol() {
  FormFixture f;
  f.WriteTable(
      "Invoices\t10.0.0.7\t20100\t60\r\n"
      "Labels\thost\t020004\t\r\n"
      "Odd\thost\tabc\tnot a number\r\n"
      "Short\tserver\r\n"
      "Extra\ta\tb\tc\td\te\r\n");
  setup::TForm1& form = f.Create();
  QCOMPARE(form.StringGrid1->RowCount(), 6);
  QCOMPARE(f.Cell(1, 1), QStringLiteral("Invoices"));
  QCOMPARE(f.Cell(2, 1), QStringLiteral("10.0.0.7"));
  QCOMPARE(f.Cell(3, 1), QStringLiteral("Stampline"));
  QCOMPARE(f.Cell(4, 1), QStringLiteral("20100"));
  QCOMPARE(f.Cell(5, 1), QStringLiteral("60"));
  QCOMPARE(f.Cell(3, 2), QStringLiteral("Vellum"));
  QCOMPARE(f.Cell(4, 2), QStringLiteral("020004"));
  QCOMPARE(f.Cell(3, 3), QStringLiteral("Unknown"));
  QCOMPARE(f.Cell(5, 3), QStringLiteral("not a number"));
  QCOMPARE(f.Cell(1, 4), QStringLiteral("Short"));
  QCOMPARE(f.Cell(2, 4), QStringLiteral("server"));
  QCOMPARE(f.Cell(3, 4), QStringLiteral("Unknown"));
  QCOMPARE(f.Cell(4, 4), QString());
  QCOMPARE(f.Cell(5, 4), QString());
  QCOMPARE(f.Cell(5, 5), QStringLiteral("c"));
}

void MainWindowTest::storedSettingsAreShownWithSaveDisabled() {
  FormFixture f;
  f.StoreSetting("PortCommand", "\"/opt/x/rdx64run\" \"%1\" \"%2\" \"%3\"");
  f.StoreSetting("FirstTempDir", "/var/spool/rdx64mon");
  setup::TForm1& form = f.Create();
  QCOMPARE(form.EditExec->text(), QStringLiteral("\"/opt/x/rdx64run\" \"%1\" \"%2\" \"%3\""));
  QCOMPARE(form.EditDir->text(), QStringLiteral("/var/spool/rdx64mon"));
  QVERIFY(!form.BitBtnOk->isEnabled());
}

void MainWindowTest::anUnreadablePortCommandGivesTheDefault() {
  FormFixture f;
  f.StoreSetting("PortCommand", "\"" + std::string(300, 'x') + "\" \"%1\" \"%2\" \"%3\"");
  setup::TForm1& form = f.Create();
  QCOMPARE(form.EditExec->text(), DefaultCommand(f));
  QVERIFY(form.BitBtnOk->isEnabled());
  f.Show();
  QTest::mouseClick(form.BitBtnOk, Qt::LeftButton);
  QCOMPARE(Texts(f.messages), QStringList());
  QCOMPARE(Q(f.StoredSetting("PortCommand").value_or("")), DefaultCommand(f));
}

void MainWindowTest::fixedCellsAreRefused() {
  FormFixture f;
  setup::TForm1& form = f.Create();
  f.Show();
  bool canSelect = true;
  form.StringGrid1SelectCell(0, 1, canSelect);
  QVERIFY(!canSelect);
  QVERIFY(!form.ComboBox1->isVisible());
  f.ClickCell(2, 1);
  QVERIFY(form.ComboBox1->isVisible());
  canSelect = true;
  form.StringGrid1SelectCell(3, 0, canSelect);
  QVERIFY(!canSelect);
  QVERIFY2(form.ComboBox1->isVisible(), "a refused selection leaves the editor as it was");
  QCOMPARE(form.EditCol, 2);
  QCOMPARE(form.EditRow, 1);
}

void MainWindowTest::theEditorOffersEachColumnsList() {
  FormFixture f;
  f.StoreSetting("PortCommand", "cmd");
  f.spooler.AddPrinter("beta", "LPT1:");
  f.spooler.AddPrinter("Alpha", "LPT1:");
  f.spooler.AddPrinter("gamma", "LPT1:");
  f.WriteTable(
      "gamma\t10.0.0.7\t20100\t60\r\n"
      "beta\tLOCALHOST\t9100\t90\r\n"
      "Other\t10.0.0.7\t20100\t\r\n");
  setup::TForm1& form = f.Create();
  f.Show();
  setup::CellEditor* editor = form.ComboBox1;

  f.ClickCell(1, 1);
  QVERIFY(editor->isVisible());
  QVERIFY(!editor->isEditable());
  QCOMPARE(EditorItems(*editor), (QStringList{"Alpha", "beta", "gamma", "ANYPRINTER"}));
  QCOMPARE(editor->currentIndex(), 2);
  QCOMPARE(form.CellTextAtSelect, QStringLiteral("gamma"));
  const QRect rect = form.StringGrid1->CellRect(1, 1);
  QCOMPARE(form.EditRect, rect);
  QCOMPARE(editor->geometry(), QRect(rect.left(), form.GridTop + rect.top(), rect.width(), rect.height()));
  QCOMPARE(rect.left(), 40 + form.StringGrid1->frameWidth());

  f.ClickCell(1, 3);
  QCOMPARE(editor->currentIndex(), -1);  // a printer that is not installed selects nothing

  f.ClickCell(2, 2);
  QVERIFY(editor->isEditable());
  QCOMPARE(EditorItems(*editor),
           (QStringList{"", "127.0.0.1", "localhost", "localcopy.invalid", "proxy:255.1.1.1", "10.0.0.7"}));
  QCOMPARE(editor->currentText(), QStringLiteral("localhost"));  // found ignoring case

  f.ClickCell(3, 1);
  QVERIFY(!editor->isEditable());
  QCOMPARE(EditorItems(*editor), (QStringList{"Vellum", "Stampline"}));
  QCOMPARE(editor->currentIndex(), 1);

  f.ClickCell(4, 2);
  QCOMPARE(EditorItems(*editor), (QStringList{"", "20004", "20100", "9100"}));
  f.ClickCell(5, 1);
  QCOMPARE(EditorItems(*editor), (QStringList{"", "60", "120", "90"}));
  QCOMPARE(editor->currentText(), QStringLiteral("60"));
  QVERIFY2(!form.BitBtnOk->isEnabled(), "selecting cells changes nothing");

  // The smallest editor is 30 pixels wide.
  form.PlaceEditor(QRect(QPoint(5, 6), QPoint(14, 25)));
  QCOMPARE(editor->geometry(), QRect(5, form.GridTop + 6, 30, 20));
}

void MainWindowTest::printerListIsEmptyWithoutPrinters() {
  FormFixture f;
  setup::TForm1& form = f.Create();
  f.Show();
  f.ClickCell(1, 1);
  QCOMPARE(form.ComboBox1->count(), 0);
  f.spooler.AddPrinter("Invoices", "LPT1:");
  f.spooler.Fail(setup::MemorySpooler::Operation::EnumPrinters, 1722);
  f.ClickCell(1, 2);
  QCOMPARE(form.ComboBox1->count(), 0);
  QCOMPARE(Texts(f.messages), QStringList());
}

void MainWindowTest::pickingAProtocolWritesItsPort() {
  FormFixture f;
  f.StoreSetting("PortCommand", "cmd");
  f.WriteTable("A\th\t20004\t\r\nB\th\tsomething\t\r\n");
  // Row B reads as "Unknown": set its protocol cell to Stampline as if picked before.
  setup::TForm1& form = f.Create();
  f.SetCell(3, 2, "Stampline");
  f.Show();

  f.ClickCell(3, 1);
  form.ComboBox1->setFocus();
  QTest::keyClick(form.ComboBox1, Qt::Key_Down);  // Vellum -> Stampline
  QCOMPARE(f.Cell(3, 1), QStringLiteral("Stampline"));
  QCOMPARE(f.Cell(4, 1), QStringLiteral("20100"));
  QVERIFY(form.BitBtnOk->isEnabled());
  QTest::keyClick(form.ComboBox1, Qt::Key_Up);
  QCOMPARE(f.Cell(3, 1), QStringLiteral("Vellum"));
  QCOMPARE(f.Cell(4, 1), QStringLiteral("20004"));

  QTest::mouseClick(form.BitBtnRefr, Qt::LeftButton);
  QVERIFY(!form.BitBtnOk->isEnabled());
  f.SetCell(3, 2, "Stampline");
  f.ClickCell(3, 2);
  QCOMPARE(form.ComboBox1->currentIndex(), 1);
  emit form.ComboBox1->activated(1);  // the same protocol picked again
  QCOMPARE(f.Cell(4, 2), QStringLiteral("20100"));
  QVERIFY2(!form.BitBtnOk->isEnabled(), "the protocol text did not change");
}

void MainWindowTest::typingUpdatesTheCellAtEveryKeystroke() {
  FormFixture f;
  f.StoreSetting("PortCommand", "cmd");
  f.WriteTable("A\told\t20100\t60\r\n");
  setup::TForm1& form = f.Create();
  f.Show();
  f.ClickCell(2, 2);
  QVERIFY(!form.BitBtnOk->isEnabled());
  form.ComboBox1->setFocus();
  QTest::keyClick(form.ComboBox1, Qt::Key_S);
  QCOMPARE(f.Cell(2, 2), QStringLiteral("s"));
  QVERIFY(form.BitBtnOk->isEnabled());
  QTest::keyClicks(form.ComboBox1, "rv");
  QCOMPARE(f.Cell(2, 2), QStringLiteral("srv"));

  QTest::mouseClick(form.BitBtnRefr, Qt::LeftButton);
  f.ClickCell(5, 1);
  form.ComboBox1->setFocus();
  QTest::keyClick(form.ComboBox1, Qt::Key_End);
  QTest::keyClick(form.ComboBox1, Qt::Key_0);
  QCOMPARE(f.Cell(5, 1), QStringLiteral("600"));
  QTest::keyClick(form.ComboBox1, Qt::Key_Backspace);
  QCOMPARE(form.ComboBox1->currentText(), QStringLiteral("60"));
  QCOMPARE(f.Cell(5, 1), QStringLiteral("60"));  // taken back: the cell follows the editor
}

void MainWindowTest::commitRulesNeedAVisibleEditor() {
  FormFixture f;
  f.StoreSetting("PortCommand", "cmd");
  f.WriteTable("A\told\t20100\t60\r\n");
  setup::TForm1& form = f.Create();
  f.Show();
  f.ClickCell(3, 1);
  form.ComboBox1->hide();
  {
    const QSignalBlocker quiet(form.ComboBox1);
    form.ComboBox1->setCurrentIndex(0);
  }
  form.ComboBox1Select();
  QCOMPARE(f.Cell(3, 1), QStringLiteral("Stampline"));
  f.ClickCell(2, 1);
  form.ComboBox1->hide();
  form.ComboBox1->setEditText(QStringLiteral("typed"));
  form.ComboBox1Change();
  QCOMPARE(f.Cell(2, 1), QStringLiteral("old"));
  QVERIFY(!form.BitBtnOk->isEnabled());
}

void MainWindowTest::localCopyFolderIsChosenInTheFolderBrowser() {
  FormFixture f;
  f.StoreSetting("PortCommand", "cmd");
  f.WriteTable("A\tlocalcopy.invalid\t/srv/old\t\r\nB\tLOCALCOPY.INVALID\t/srv/b\t\r\n");
  setup::TForm1& form = f.Create();
  QStringList asked;
  std::optional<QString> answer = QStringLiteral("/srv/new");
  form.BrowseForFolder = [&](const QString& caption, const QString& start) {
    asked << caption << start;
    return answer;
  };
  f.Show();
  f.ClickCell(4, 1);
  form.ComboBox1->showPopup();
  QCOMPARE(asked, (QStringList{"Save folder", "/srv/old"}));
  QVERIFY(!form.ComboBox1->view()->isVisible());
  QCOMPARE(f.Cell(4, 1), QStringLiteral("/srv/new"));
  QCOMPARE(form.ComboBox1->currentText(), QStringLiteral("/srv/new"));
  QVERIFY(form.BitBtnOk->isEnabled());

  QTest::mouseClick(form.BitBtnRefr, Qt::LeftButton);
  answer.reset();
  asked.clear();
  f.ClickCell(4, 1);
  form.ComboBox1->showPopup();
  QCOMPARE(asked.size(), 2);
  QCOMPARE(f.Cell(4, 1), QStringLiteral("/srv/old"));  // cancelled
  QVERIFY(!form.BitBtnOk->isEnabled());

  asked.clear();
  f.ClickCell(4, 2);
  form.ComboBox1->showPopup();
  QVERIFY2(asked.isEmpty(), "the server must be the sentinel exactly, case included");
  QTRY_VERIFY(form.ComboBox1->view()->isVisible());
  form.ComboBox1->hidePopup();
}

void MainWindowTest::theEditorFollowsItsCell() {
  FormFixture f;
  setup::TForm1& form = f.Create();
  f.Show();
  f.ClickCell(2, 1);
  const QRect before = form.ComboBox1->geometry();
  form.StringGrid1->setColumnWidth(0, 180);  // column 1 grows by 60
  QTRY_COMPARE(form.ComboBox1->x(), before.x() + 60);
  QCOMPARE(form.EditRect, form.StringGrid1->CellRect(2, 1));
  QCOMPARE(form.ComboBox1->width(), before.width());
}

void MainWindowTest::addingAndClearingRows() {
  FormFixture f;
  f.StoreSetting("PortCommand", "cmd");
  f.WriteTable("A\ta\t1\t1\r\nB\tb\t2\t2\r\n");
  setup::TForm1& form = f.Create();
  f.Show();
  QTest::mouseClick(form.BitBtnAdd, Qt::LeftButton);
  QCOMPARE(form.StringGrid1->RowCount(), 6);
  QCOMPARE(f.Cell(0, 5), QStringLiteral("5"));
  QVERIFY2(!form.BitBtnOk->isEnabled(), "an empty row is no change");

  f.ClickCell(2, 2);
  QCOMPARE(form.ComboBox1->currentText(), QStringLiteral("b"));
  QTest::mouseClick(form.BitBtnSub, Qt::LeftButton);
  for (int column = 1; column <= 5; ++column) QCOMPARE(f.Cell(column, 2), QString());
  QVERIFY(form.ComboBox1->isVisible());
  QCOMPARE(form.ComboBox1->currentText(), QString());
  QCOMPARE(f.Cell(1, 1), QStringLiteral("A"));
  QCOMPARE(form.StringGrid1->RowCount(), 6);
  QVERIFY(form.BitBtnOk->isEnabled());
}

void MainWindowTest::theEditorStaysBelowTheHeadingRow() {
  FormFixture f;
  std::string lines;
  for (int i = 1; i <= 30; ++i) lines += "P" + std::to_string(i) + "\th\t20004\t60\r\n";
  f.WriteTable(lines);
  setup::TForm1& form = f.Create();
  f.Show();
  setup::StringGrid* grid = form.StringGrid1;
  // At the end of the list the last row is shown whole and the top row is cut by the heading row.
  grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
  const int topRow = grid->rowAt(0);
  const QRect partial = grid->visualRect(grid->model()->index(topRow, 1));
  if (partial.top() >= 0) QSKIP("the grid shows whole rows only at this size");
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(partial.center().x(), 1));
  QCOMPARE(form.EditRow, topRow + 1);
  QVERIFY(form.ComboBox1->isVisible());
  const int headingBottom = grid->geometry().top() + grid->viewport()->geometry().top();
  QVERIFY2(form.ComboBox1->geometry().top() >= headingBottom, "the editor covers the heading row");
  QCOMPARE(form.ComboBox1->geometry().bottom(), form.GridTop + partial.bottom() + grid->viewport()->geometry().top());
}

void MainWindowTest::enterAndEscInAnOpenListOnlyActOnTheList() {
  FormFixture f;
  f.StoreSetting("PortCommand", "cmd");
  f.WriteTable("A\th\t20004\t60\r\n");
  setup::TForm1& form = f.Create();
  f.Show();
  form.EditExec->setText("changed, not saved");  // unsaved work that Esc must not drop
  const std::string tableBefore = f.Table();

  // Enter in the list of each kind of column takes the highlighted item and nothing else.
  struct Case {
    int column;
    QString expected;
  };
  for (const Case& c : {Case{3, "Stampline"}, Case{5, "120"}}) {
    f.ClickCell(c.column, 1);
    form.ComboBox1->setFocus();
    form.ComboBox1->showPopup();
    QTRY_VERIFY(form.ComboBox1->view()->isVisible());
    QAbstractItemView* list = form.ComboBox1->view();
    list->setCurrentIndex(list->model()->index(form.ComboBox1->findText(c.expected), 0));
    QTest::keyClick(list, Qt::Key_Return);
    QTRY_VERIFY(!form.ComboBox1->view()->isVisible());
    QCOMPARE(f.Cell(c.column, 1), c.expected);
    QVERIFY(form.isVisible());
    QCOMPARE(f.Table(), tableBefore);
    QCOMPARE(Q(f.StoredSetting("PortCommand").value_or("")), QStringLiteral("cmd"));
  }

  // Esc closes the list and leaves the cell and the window as they were.
  f.ClickCell(3, 1);
  form.ComboBox1->setFocus();
  form.ComboBox1->showPopup();
  QTRY_VERIFY(form.ComboBox1->view()->isVisible());
  QAbstractItemView* list = form.ComboBox1->view();
  list->setCurrentIndex(list->model()->index(0, 0));  // Vellum highlighted, not taken
  QTest::keyClick(list, Qt::Key_Escape);
  QTRY_VERIFY(!form.ComboBox1->view()->isVisible());
  QCOMPARE(f.Cell(3, 1), QStringLiteral("Stampline"));
  QVERIFY(form.isVisible());
  QCOMPARE(form.EditExec->text(), QStringLiteral("changed, not saved"));

  // Outside the list the keys keep their window-wide meaning.
  form.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&form));
  QTest::keyClick(form.StringGrid1, Qt::Key_Return);
  QCOMPARE(Q(f.StoredSetting("PortCommand").value_or("")), QStringLiteral("changed, not saved"));
  QCOMPARE(Q(f.Table()), QStringLiteral("A\th\t20100\t120\r\n"));
  QTest::keyClick(form.StringGrid1, Qt::Key_Escape);
  QVERIFY(!form.isVisible());
}

void MainWindowTest::f4AndAltDownOpenTheCurrentCellsList() {
  FormFixture f;
  f.StoreSetting("PortCommand", "cmd");
  f.WriteTable("A\th\t20004\t60\r\n");
  f.spooler.AddPrinter("A", "LPT1:");
  setup::TForm1& form = f.Create();
  f.Show();
  form.StringGrid1->setFocus();
  struct Case {
    int column;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    QString firstItem;
  };
  for (const Case& c : {Case{3, Qt::Key_F4, Qt::NoModifier, "Vellum"}, Case{4, Qt::Key_Down, Qt::AltModifier, ""},
                        Case{1, Qt::Key_F4, Qt::NoModifier, "A"}}) {
    form.StringGrid1->setCurrentCell(0, c.column - 1);
    form.ComboBox1->hide();  // the editor left, as after a focus change
    QTest::keyClick(form.StringGrid1, c.key, c.modifiers);
    QTRY_VERIFY(form.ComboBox1->view()->isVisible());
    QCOMPARE(form.EditCol, c.column);
    QCOMPARE(form.EditRow, 1);
    QCOMPARE(form.ComboBox1->itemText(0), c.firstItem);
    QTest::keyClick(form.ComboBox1->view(), Qt::Key_Escape);
    QTRY_VERIFY(!form.ComboBox1->view()->isVisible());
    form.StringGrid1->setFocus();
  }
  QCOMPARE(f.Cell(1, 1), QStringLiteral("A"));
  QVERIFY(form.isVisible());
}

void MainWindowTest::choosingTheRouterProgram() {
  FormFixture f;
  f.StoreSetting("PortCommand", "old");
  setup::TForm1& form = f.Create();
  QString title, filter, preset;
  QFileDialog::FileMode mode = QFileDialog::AnyFile;
  std::optional<QString> answer = QStringLiteral("/opt/corvanta/rdx64run");
  form.RunOpenDialog = [&](QFileDialog& dialog, const QString& fileName) {
    title = dialog.windowTitle();
    filter = dialog.nameFilters().join('|');
    mode = dialog.fileMode();
    preset = fileName;
    return answer;
  };
  f.Show();
  QTest::mouseClick(form.Button1, Qt::LeftButton);
  QCOMPARE(title, QStringLiteral("Find executable"));
  QCOMPARE(filter, QStringLiteral("Executable (rdx64run)"));
  QCOMPARE(preset, Q(f.programs.path() + "/rdx64run"));
  QCOMPARE(mode, QFileDialog::ExistingFile);
  QCOMPARE(form.EditExec->text(), QStringLiteral("\"/opt/corvanta/rdx64run\" \"%1\" \"%2\" \"%3\""));
  QVERIFY(form.BitBtnOk->isEnabled());
  QCOMPARE(Q(form.PortCommandText), QStringLiteral("old"));  // taken over only when saving

  QTest::mouseClick(form.BitBtnRefr, Qt::LeftButton);
  answer.reset();
  QTest::mouseClick(form.Button1, Qt::LeftButton);
  QCOMPARE(form.EditExec->text(), QStringLiteral("old"));
  QVERIFY(!form.BitBtnOk->isEnabled());
}

void MainWindowTest::menusAndKeys() {
  FormFixture f;
  setup::TForm1& form = f.Create();
  const QList<QAction*> menus = form.menuBar()->actions();
  QCOMPARE(menus.size(), 3);
  const std::vector<std::pair<QMenu*, QStringList>> expected{
      {form.File1, {"Save1", "N4", "Openprintersfolder1", "N1", "Help1"}},
      {form.Tools1,
       {"Queryport1", "Addport1", "Removeport1", "N3", "Querymonitordirectory1", "Resetmonitordirectory1", "N5",
        "Keepfailedsends1"}},
      {form.Help2, {"Contents1", "N2", "About1"}}};
  QStringList captions;
  for (const auto& [menu, names] : expected) {
    QStringList found;
    for (QAction* action : menu->actions()) {
      found << action->objectName();
      if (!action->isSeparator()) captions << action->text().remove('&');
    }
    QCOMPARE(found, names);
  }
  QCOMPARE(captions, (QStringList{"Save", "Open printers folder", "Exit", "Query port", "Add port", "Remove port",
                                  "Query monitor directory", "Reset monitor directory", "Keep jobs whose send failed",
                                  "Contents", "About"}));
  QCOMPARE(form.File1->title().remove('&'), QStringLiteral("File"));
  QCOMPARE(form.Tools1->title().remove('&'), QStringLiteral("Tools"));
  QCOMPARE(form.Help2->title().remove('&'), QStringLiteral("Help"));
  QVERIFY(!form.Save1->icon().isNull());
  QVERIFY(!form.Openprintersfolder1->icon().isNull());
  for (const char* name : {"Form1", "Panel1", "Label1", "EditExec", "Button1", "Label2", "EditDir", "Panel2",
                           "BitBtnAdd", "BitBtnSub", "BitBtnOk", "BitBtnCan", "BitBtnRefr", "StringGrid1",
                           "ComboBox1", "OpenDialog1", "Timer1", "MainMenu1"}) {
    if (QString(name) == "Form1") {
      QCOMPARE(form.objectName(), QStringLiteral("Form1"));
    } else if (QString(name) == "MainMenu1") {
      QCOMPARE(form.menuBar()->objectName(), QStringLiteral("MainMenu1"));
    } else {
      QVERIFY2(form.findChild<QObject*>(name) != nullptr, name);
    }
  }

  f.Show();
  // Enter saves only while the save button is enabled.
  QTest::keyClick(&form, Qt::Key_Return);
  QVERIFY(!form.BitBtnOk->isEnabled());
  QVERIFY(f.StoredSetting("PortCommand").has_value());
  f.StoreSetting("PortCommand", "changed elsewhere");
  QTest::keyClick(&form, Qt::Key_Return);
  QCOMPARE(Q(f.StoredSetting("PortCommand").value_or("")), QStringLiteral("changed elsewhere"));
  QTest::keyClick(&form, Qt::Key_Escape);
  QVERIFY(!form.isVisible());
  f.Show();
  form.Help1->trigger();
  QVERIFY(!form.isVisible());
}

void MainWindowTest::monitorDirectoryItems() {
  FormFixture f;
  setup::TForm1& form = f.Create();
  f.Show();
  form.Querymonitordirectory1->trigger();
  form.Resetmonitordirectory1->trigger();
  const std::string directory = f.root.path() + "/var/lib/Corvanta/rdx64mon";
  QCOMPARE(form.EditDir->text(), Q(directory));
  QVERIFY(std::filesystem::is_directory(directory));
  form.Querymonitordirectory1->trigger();
  QCOMPARE(Texts(f.messages),
           (QStringList{"Failed to open registry, error 2", Q("Monitor Directory:\r\n" + directory)}));
  for (const auto& message : f.messages.messages()) QCOMPARE(message.flags, setup::kWarningBoxFlags);
  QCOMPARE(Q(f.messages.messages()[0].caption), QStringLiteral("32/64bit Redirect Port monitor Setup"));
}

void MainWindowTest::printersFolderAndHelpOpenInTheBrowser() {
  FormFixture f;
  setup_test::TempFolder bin;
  const std::string log = bin / "xdg-open.log";
  setup_test::WriteRecordingProgram(bin / "xdg-open", log);
  setup::TForm1& form = f.Create();
  f.Show();
  {
    setup_test::ScopedEnv path("PATH", bin.path());
    form.Openprintersfolder1->trigger();
    QTRY_COMPARE(setup_test::ReadLines(log).size(), size_t(1));
    form.Contents1->trigger();
    QTRY_COMPARE(setup_test::ReadLines(log).size(), size_t(2));
  }
  const auto lines = setup_test::ReadLines(log);
  QCOMPARE(Q(lines[0]), QStringLiteral("xdg-open http://localhost:631/printers/"));
  QCOMPARE(Q(lines[1]), Q("xdg-open " + f.programs.path() + "/rdx64.htm"));
  QCOMPARE(Texts(f.messages), QStringList());

  setup_test::TempFolder empty;
  setup_test::ScopedEnv path("PATH", empty.path());
  form.Openprintersfolder1->trigger();
  form.Contents1->trigger();
  QCOMPARE(Texts(f.messages), QStringList{"CreateProcess xdg-open http://localhost:631/printers/ error 2"});
}

void MainWindowTest::portItemsReachTheSpooler() {
  FormFixture f;
  f.spooler.AddPrinter("Invoices", "LPT1:");
  f.spooler.AddPrinter("Labels", "LPT2:,RPT1:");
  f.WriteTable("Invoices\t10.0.0.7\t20100\t60\r\n");
  setup::TForm1& form = f.Create();
  f.Show();
  form.Queryport1->trigger();
  form.Addport1->trigger();
  form.Queryport1->trigger();
  QCOMPARE(Texts(f.messages), (QStringList{"Port [RPT1:] not found!", "Success", "Port [RPT1:] found!"}));
  QCOMPARE(Q(f.spooler.PortOf("Invoices")), QStringLiteral("RPT1:"));
  f.messages.clear();
  form.Removeport1->trigger();
  QCOMPARE(Texts(f.messages), QStringList());
  QCOMPARE(Q(f.spooler.PortOf("Invoices")), QStringLiteral("LPT1:"));
  QCOMPARE(Q(f.spooler.PortOf("Labels")), QStringLiteral("LPT2:"));
  QCOMPARE(f.programs.runs(), (std::vector<std::string>{"setup", "unrdx64"}));
}

void MainWindowTest::startupChecks_data() {
  QTest::addColumn<bool>("queryWorks");
  QTest::addColumn<uint>("platformId");
  QTest::addColumn<uint>("major");
  QTest::addColumn<bool>("admin");
  QTest::addColumn<QStringList>("messages");
  QTest::addColumn<bool>("staysOpen");
  QTest::newRow("this system, administrator") << true << 2u << 10u << true << QStringList() << true;
  QTest::newRow("this system, no rights")
      << true << 2u << 10u << false << QStringList{"Needs administrator privileges to operate!"} << true;
  QTest::newRow("NT 5 passes") << true << 2u << 5u << true << QStringList() << true;
  QTest::newRow("NT 4 fails") << true << 2u << 4u << true << QStringList{"Operating system not supported!"} << false;
  QTest::newRow("not NT, no rights")
      << true << 1u << 10u << false
      << QStringList{"Operating system not supported!", "Needs administrator privileges to operate!"} << false;
  QTest::newRow("query fails") << false << 0u << 0u << true << QStringList{"GetVersionEx error 50"} << false;
}

void MainWindowTest::startupChecks() {
  QFETCH(bool, queryWorks);
  QFETCH(uint, platformId);
  QFETCH(uint, major);
  QFETCH(bool, admin);
  QFETCH(QStringList, messages);
  QFETCH(bool, staysOpen);
  FormFixture f;
  setup::TForm1& form = f.Create(admin);
  form.QueryOsVersion = [=](platform::OsVersionInfo& info) {
    if (!queryWorks) {
      platform::SetLastError(50);
      return false;
    }
    info.platformId = platformId;
    info.majorVersion = major;
    return true;
  };
  form.show();
  QCOMPARE(Texts(f.messages), messages);
  if (staysOpen) {
    QTest::qWait(50);
    QVERIFY(form.isVisible());
    QCOMPARE(form.OsPlatformId, platformId);
    QCOMPARE(form.OsMajorVersion, major);
  } else {
    QTRY_VERIFY(!form.isVisible());
    QCOMPARE(form.OsPlatformId, 0u);
    QCOMPARE(form.OsMajorVersion, 0u);
  }
}

int main(int argc, char** argv) {
  MainWindowTest tests;
  return setup_test::RunGuiTests(argc, argv, tests);
}

#include "main_window_test.moc"
