// The About box, and the screenshots of both windows for the documentation.
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "form_fixture.h"
#include "gui_test_support.h"
#include "setup/cell_editor.h"
#include "setup/string_grid.h"
#include "support/platform/clock.h"

using setup_test::FormFixture;
using setup_test::Q;

namespace {

void SetYear(int year) {
  platform::SetLocalTimeSource([year] {
    platform::SystemTime time;
    time.year = static_cast<uint16_t>(year);
    time.month = 6;
    time.day = 1;
    time.hour = 12;
    return time;
  });
}

// Where the screenshots go: $CORVANTA_SCREENSHOT_DIR, else "screenshots"
// in the working folder.
QString ScreenshotFolder() {
  QString folder = qEnvironmentVariable("CORVANTA_SCREENSHOT_DIR");
  if (folder.isEmpty()) folder = QDir::current().filePath(QStringLiteral("screenshots"));
  QDir().mkpath(folder);
  return folder;
}

// An image worth showing: the right size and more than one colour.
void CheckImage(const QImage& image, const QSize& atLeast) {
  QVERIFY(!image.isNull());
  QVERIFY(image.width() >= atLeast.width() && image.height() >= atLeast.height());
  const QRgb first = image.pixel(0, 0);
  int differing = 0;
  for (int y = 0; y < image.height(); y += 7) {
    for (int x = 0; x < image.width(); x += 7) differing += image.pixel(x, y) != first ? 1 : 0;
  }
  QVERIFY(differing > 100);
}

}  // namespace

class AboutBoxTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { platform::SetLocalTimeSource(nullptr); }
  void showsNameVersionAndElevation();
  void theStatusNeedsVistaOrLater();
  void everyShowingIsCurrent();
  void shownModallyFromTheHelpMenu();
  void theCompanyLinkOpensTheWebSite();
  void screenshots();
};

void AboutBoxTest::showsNameVersionAndElevation() {
  FormFixture f;
  f.Create();
  f.Show();
  setup::TAboutForm& about = *f.about;
  about.VersionFileName = KVP64SETUP_PATH;
  SetYear(2007);
  about.show();
  QCOMPARE(about.objectName(), QStringLiteral("AboutForm"));
  QCOMPARE(about.windowTitle(), QStringLiteral("About 32/64bit Redirect Port monitor Setup"));
  QCOMPARE(about.size(), QSize(522, 180));
  QCOMPARE(about.Label5->text(), QStringLiteral("Corvanta"));
  QCOMPARE(about.Label6->text(), QStringLiteral("32/64bit Redirect Port monitor Setup"));
  QCOMPARE(about.LabelEdition->text(), QStringLiteral("Professional Edition"));
  QCOMPARE(about.LabelVersion->text(), QStringLiteral("Program version: 1.0.11.0"));
  QCOMPARE(about.LabelElev->text(),
           setup_test::RunningAsRoot() ? QStringLiteral("Is elevated: True") : QStringLiteral("Is elevated: False"));
  QCOMPARE(about.LabelCpy->text(), QString::fromUtf8("Copyright \u00A9 2007-2007"));
  QCOMPARE(about.Label3->text(), QStringLiteral("Corvanta Ltd."));
  QCOMPARE(about.Label3->toolTip(), QStringLiteral("https://www.corvanta.example/"));
  QCOMPARE(about.Button1->text(), QStringLiteral("OK"));
  QCOMPARE(about.Image1->pixmap().size(), QSize(146, 129));
  QCOMPARE(about.LabelVersion->pos(), QPoint(160, 84));
  QCOMPARE(about.LabelElev->pos(), QPoint(160, 104));
  QCOMPARE(about.Button1->geometry(), QRect(296, 144, 75, 25));
  QTest::mouseClick(about.Button1, Qt::LeftButton);
  QVERIFY(!about.isVisible());
  QCOMPARE(about.result(), int(QDialog::Accepted));
}

void AboutBoxTest::theStatusNeedsVistaOrLater() {
  FormFixture f;
  setup::TForm1& form = f.Create();
  form.QueryOsVersion = [](platform::OsVersionInfo& info) {
    info.platformId = 2;
    info.majorVersion = 5;
    return true;
  };
  f.Show();
  f.about->show();
  QCOMPARE(f.about->LabelElev->text(), QStringLiteral("Is elevated: O/S not supported"));
  QCOMPARE(f.about->LabelVersion->text(), QStringLiteral("Program version: Undefined"));  // this test program has no record
}

void AboutBoxTest::everyShowingIsCurrent() {
  FormFixture f;
  f.Create();
  f.Show();
  SetYear(2019);
  f.about->show();
  QCOMPARE(f.about->LabelCpy->text(), QString::fromUtf8("Copyright \u00A9 2007-2019"));
  f.about->close();
  QVERIFY(!f.about->isVisible());
  SetYear(2031);
  f.about->show();
  QCOMPARE(f.about->LabelCpy->text(), QString::fromUtf8("Copyright \u00A9 2007-2031"));
}

void AboutBoxTest::shownModallyFromTheHelpMenu() {
  FormFixture f;
  setup::TForm1& form = f.Create();
  f.Show();
  bool wasModal = false;
  QString title;
  QTimer::singleShot(0, f.about.get(), [&] {
    wasModal = f.about->isVisible() && f.about->isModal();
    title = f.about->windowTitle();
    QTest::mouseClick(f.about->Button1, Qt::LeftButton);
  });
  form.About1->trigger();
  QVERIFY(wasModal);
  QCOMPARE(title, QStringLiteral("About 32/64bit Redirect Port monitor Setup"));
  QVERIFY(!f.about->isVisible());
  QVERIFY(form.isVisible());
}

void AboutBoxTest::theCompanyLinkOpensTheWebSite() {
  FormFixture f;
  setup_test::TempFolder bin;
  const std::string log = bin / "xdg-open.log";
  setup_test::WriteRecordingProgram(bin / "xdg-open", log);
  f.Create();
  f.Show();
  f.about->show();
  setup_test::ScopedEnv path("PATH", bin.path());
  QTest::mouseClick(f.about->Label3, Qt::LeftButton);
  QTRY_COMPARE(setup_test::ReadLines(log).size(), size_t(1));
  QCOMPARE(Q(setup_test::ReadLines(log)[0]), QStringLiteral("xdg-open https://www.corvanta.example/"));
}

void AboutBoxTest::screenshots() {
  FormFixture f;
  f.spooler.AddPrinter("Invoices", "RPT1:");
  f.spooler.AddPrinter("Labels", "RPT1:");
  f.spooler.AddPrinter("Receipts", "RPT1:");
  f.spooler.AddPrinter("Archive", "RPT1:");
  // One row per printer: a table the tool saves as it is shown.
  const std::string table =
      "Invoices\t10.0.0.7\t20100\t60\r\n"
      "Labels\t127.0.0.1\t20004\t120\r\n"
      "Receipts\tproxy:10.0.0.5\t20100\t\r\n"
      "Archive\tlocalcopy.invalid\t/srv/print-archive\t\r\n"
      "ANYPRINTER\tquillet:1\t\t\r\n";
  f.WriteTable(table);
  f.StoreSetting("PortCommand", "\"/usr/lib/corvanta/rdx64run\" \"%1\" \"%2\" \"%3\"");
  f.StoreSetting("FirstTempDir", "/var/lib/Corvanta/rdx64mon");
  setup::TForm1& form = f.Create();
  f.Show();
  f.ClickCell(2, 3);
  QVERIFY(form.ComboBox1->isVisible());
  const QImage main = form.grab().toImage();
  CheckImage(main, QSize(640, 367));
  QVERIFY(main.save(ScreenshotFolder() + QStringLiteral("/setup-main-window.png")));
  form.Save1->trigger();
  QCOMPARE(setup_test::Texts(f.messages), QStringList());
  QCOMPARE(f.Table(), table);

  f.about->VersionFileName = KVP64SETUP_PATH;
  f.about->show();
  QVERIFY(QTest::qWaitForWindowExposed(f.about.get()));
  const QImage about = f.about->grab().toImage();
  CheckImage(about, QSize(522, 180));
  QVERIFY(about.save(ScreenshotFolder() + QStringLiteral("/setup-about-box.png")));
}

int main(int argc, char** argv) {
  AboutBoxTest tests;
  return setup_test::RunGuiTests(argc, argv, tests);
}

#include "about_box_test.moc"
