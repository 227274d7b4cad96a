// The Tools menu's "Keep jobs whose send failed": shows the router's stored
// KeepFailedSends and stores a change at once, only with the rights to.
#include <QAction>
#include <QMenu>
#include <QTest>

#include "form_fixture.h"
#include "gui_test_support.h"
#include "support/platform/registry.h"
#include "support/router_settings.h"

using setup_test::FormFixture;
using setup_test::Texts;

namespace {

// The stored DWORD, or -1 when there is none.
long long StoredKeep() {
  platform::RegistryKey key;
  uint32_t value = 0;
  if (platform::RegistryKey::Open(kRouterSettingsKey, key) != 0) return -1;
  if (key.QueryDword(kKeepFailedSendsValue, value) != 0) return -1;
  return value;
}

}  // namespace

class KeepFailedSendsTest : public QObject {
  Q_OBJECT

 private slots:
  void theItemShowsWhatIsStored();
  void aClickStoresTheSettingAtOnce();
  void withoutRightsNothingIsStored();
};

void KeepFailedSendsTest::theItemShowsWhatIsStored() {
  for (const int stored : {-1, 0, 1}) {
    FormFixture f;
    if (stored >= 0) QCOMPARE(WriteKeepFailedSends(stored == 1), 0L);
    setup::TForm1& form = f.Create();
    QVERIFY(form.Keepfailedsends1->isCheckable());
    QCOMPARE(form.Keepfailedsends1->isChecked(), stored == 1);
    QVERIFY(form.Tools1->actions().contains(form.Keepfailedsends1));
    // A change made elsewhere shows after a refresh.
    QCOMPARE(WriteKeepFailedSends(stored != 1), 0L);
    form.BitBtnRefrClick();
    QCOMPARE(form.Keepfailedsends1->isChecked(), stored != 1);
  }
}

void KeepFailedSendsTest::aClickStoresTheSettingAtOnce() {
  FormFixture f;
  setup::TForm1& form = f.Create();
  f.Show();
  form.Keepfailedsends1->trigger();
  QVERIFY(form.Keepfailedsends1->isChecked());
  QCOMPARE(StoredKeep(), 1LL);
  form.Keepfailedsends1->trigger();
  QVERIFY(!form.Keepfailedsends1->isChecked());
  QCOMPARE(StoredKeep(), 0LL);
  QCOMPARE(Texts(f.messages), QStringList());
}

void KeepFailedSendsTest::withoutRightsNothingIsStored() {
  FormFixture f;
  setup::TForm1& form = f.Create(false);
  f.Show();
  f.messages.clear();
  form.Keepfailedsends1->trigger();
  QCOMPARE(Texts(f.messages), QStringList{"Needs administrator privileges to save registry!"});
  QVERIFY(!form.Keepfailedsends1->isChecked());
  QCOMPARE(StoredKeep(), -1LL);
}

int main(int argc, char** argv) {
  KeepFailedSendsTest tests;
  return setup_test::RunGuiTests(argc, argv, tests);
}

#include "keep_failed_sends_test.moc"
