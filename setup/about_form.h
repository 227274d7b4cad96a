#pragma once
// The About box: the tool's name, edition, version, notice line and whether
// the process runs elevated. Created once; every showing recomputes the texts.
#include <QDialog>
#include <string>

class QLabel;
class QPushButton;

namespace setup {

class TForm1;

// The maker's web site, opened from the company link.
inline constexpr const char* kMakerWebAddress = "https://www.corvanta.example/";

class TAboutForm : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutForm(const TForm1& mainWindow, QWidget* parent = nullptr);
  ~TAboutForm() override;

  QLabel* Image1 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* LabelEdition = nullptr;
  QLabel* LabelVersion = nullptr;
  QLabel* LabelElev = nullptr;
  QLabel* LabelCpy = nullptr;
  QLabel* Label3 = nullptr;
  QPushButton* Button1 = nullptr;

  // The file whose version record is shown; empty: the running program.
  std::string VersionFileName;

  // The elevation part of LabelElev, as FormShow computes it.
  std::string ElevationStatusText() const;

 public slots:
  void FormShow();
  void FormClose();
  void Button1Click();
  void Label3Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  const TForm1& mainWindow_;
};

}  // namespace setup
