#include "gui_test_support.h"

#include <QApplication>
#include <QTest>

#include "setup/messages.h"
#include "support/system_helpers.h"

namespace setup_test {

int RunGuiTests(int argc, char** argv, QObject& tests) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  SetApplicationTitle(setup::kApplicationTitle);
  return QTest::qExec(&tests, argc, argv);
}

}  // namespace setup_test
