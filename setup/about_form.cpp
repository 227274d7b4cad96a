#include "setup/about_form.h"

#include <QCloseEvent>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include "setup/elevation.h"
#include "setup/form_label.h"
#include "setup/logo.h"
#include "setup/main_window.h"
#include "support/platform/clock.h"
#include "support/platform/process.h"
#include "support/system_helpers.h"

namespace setup {

namespace {

// The year the tool first shipped; the notice line runs from it to this year.
constexpr int kFirstNoticeYear = 2007;

QFont ArialBold(int pixels) {
  QFont font;
  font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                    QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
  font.setPixelSize(pixels);
  font.setBold(true);
  return font;
}

}  // namespace

TAboutForm::TAboutForm(const TForm1& mainWindow, QWidget* parent) : QDialog(parent), mainWindow_(mainWindow) {
  setObjectName(QStringLiteral("AboutForm"));
  QFont font;
  font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
  font.setPixelSize(11);
  setFont(font);
  setFixedSize(522, 180);
  setWindowFlags((windowFlags() | Qt::MSWindowsFixedSizeDialogHint) & ~Qt::WindowContextHelpButtonHint);
  setModal(true);

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setPixmap(MakerLogo());
  Image1->setGeometry(4, 4, 146, 129);
  Image1->setAttribute(Qt::WA_TranslucentBackground);

  Label5 = MakeLabel(this, "Label5", QStringLiteral("Corvanta"), 160, 8);
  Label5->setFont(ArialBold(16));
  Label5->adjustSize();
  Label6 = MakeLabel(this, "Label6", QStringLiteral("Product Name"), 160, 28);
  Label6->setFont(ArialBold(19));
  Label6->adjustSize();
  LabelEdition = MakeLabel(this, "LabelEdition", QStringLiteral("Professional Edition"), 160, 56);
  LabelEdition->setFont(ArialBold(16));
  LabelEdition->adjustSize();
  LabelVersion = MakeLabel(this, "LabelVersion", QString(), 160, 84);
  LabelElev = MakeLabel(this, "LabelElev", QString(), 160, 104);
  QFont bold = font;
  bold.setBold(true);
  LabelElev->setFont(bold);
  LabelCpy = MakeLabel(this, "LabelCpy", QString(), 160, 124);

  Label3 = MakeLabel(this, "Label3", QStringLiteral("Corvanta Ltd."), 296, 124);
  QFont link = font;
  link.setUnderline(true);
  Label3->setFont(link);
  QPalette blue = Label3->palette();
  blue.setColor(QPalette::WindowText, Qt::blue);
  Label3->setPalette(blue);
  Label3->setCursor(Qt::PointingHandCursor);
  Label3->setToolTip(QString::fromLatin1(kMakerWebAddress));
  Label3->adjustSize();
  Label3->installEventFilter(this);

  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(296, 144, 75, 25);
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &TAboutForm::Button1Click);
}

TAboutForm::~TAboutForm() { Label3->removeEventFilter(this); }

void TAboutForm::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) {
    FormShow();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      move(screen->availableGeometry().center() - rect().center());
    }
  }
  QDialog::showEvent(event);
}

void TAboutForm::closeEvent(QCloseEvent* event) {
  FormClose();
  QDialog::closeEvent(event);
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Label3 && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    Label3Click();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

std::string TAboutForm::ElevationStatusText() const {
  if (mainWindow_.OsPlatformId == 2 && mainWindow_.OsMajorVersion >= 6) {
    bool elevated = false;
    const uint32_t error = QueryElevation(elevated);
    if (error != 0) return "failed, error " + std::to_string(error);
    return elevated ? "True" : "False";
  }
  return "O/S not supported";
}

void TAboutForm::FormShow() {
  const QString title = QString::fromStdString(GetApplicationTitle());
  setWindowTitle(QStringLiteral("About ") + title);
  Label6->setText(title);
  // A long title (or a wide substitute font) steps the font down rather than being cut off.
  QFont titleFont = ArialBold(19);
  const int room = width() - Label6->x() - 8;
  while (titleFont.pixelSize() > 11 && QFontMetrics(titleFont).horizontalAdvance(title) > room) {
    titleFont.setPixelSize(titleFont.pixelSize() - 1);
  }
  Label6->setFont(titleFont);
  Label6->adjustSize();
  AnsiString version;
  GetFileVersionText(VersionFileName.empty() ? nullptr : VersionFileName.c_str(), version);
  LabelVersion->setText(QStringLiteral("Program version: ") + QString::fromStdString(version));
  LabelVersion->adjustSize();
  LabelElev->setText(QStringLiteral("Is elevated: ") + QString::fromStdString(ElevationStatusText()));
  LabelElev->adjustSize();
  const int year = platform::GetLocalTime().year;
  LabelCpy->setText(QStringLiteral("Copyright \u00A9 %1-%2").arg(kFirstNoticeYear).arg(year));
  LabelCpy->adjustSize();
}

void TAboutForm::FormClose() { hide(); }

void TAboutForm::Button1Click() { done(QDialog::Accepted); }

void TAboutForm::Label3Click() { platform::StartProcess({"xdg-open", kMakerWebAddress}, false); }

}  // namespace setup
