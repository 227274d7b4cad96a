// kvp64setup: the administrator's tool for the routing system.
#include <QApplication>
#include <exception>
#include <memory>

#include "setup/about_form.h"
#include "setup/main_window.h"
#include "setup/messages.h"
#include "setup/qt_message_box.h"
#include "setup/spooler_cups.h"
#include "support/platform/paths.h"
#include "support/system_helpers.h"
#include "support/version_record.h"

CORVANTA_VERSION_RECORD(1, 0, 11, 0, 1, 0, 0, 0, "64bit monitor Handler setup", "Corvanta Ltd");

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("kvp64setup"));
  SetApplicationTitle(setup::kApplicationTitle);
  setup::InstallQtMessageBoxHandler();
  try {
    const std::unique_ptr<setup::Spooler> spooler = setup::CreateCupsSpooler();
    setup::TForm1 form1(*spooler, platform::ExecutableFolder());
    setup::TAboutForm aboutForm(form1, &form1);
    form1.AboutForm = &aboutForm;
    form1.show();
    return QApplication::exec();
  } catch (const std::exception& e) {
    AppMessageBox(e.what(), MB_ICONERROR | MB_OK);
    return 1;
  }
}
