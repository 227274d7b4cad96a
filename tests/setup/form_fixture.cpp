#include "form_fixture.h"

#include <QTest>

#include "setup/monitor_settings.h"
#include "setup/string_grid.h"
#include "support/platform/paths.h"
#include "support/platform/registry.h"

namespace setup_test {

FormFixture::FormFixture() = default;

FormFixture::~FormFixture() {
  about.reset();
  form.reset();
}

setup::TForm1& FormFixture::Create(bool admin) {
  form = std::make_unique<setup::TForm1>(spooler, programs.path());
  form->QueryAdminRights = [admin] { return admin; };
  form->Installer().is64Bit = [] { return true; };
  form->Installer().hasAdminRights = [admin] { return admin; };
  about = std::make_unique<setup::TAboutForm>(*form);
  form->AboutForm = about.get();
  return *form;
}

void FormFixture::Show() {
  form->show();
  if (!QTest::qWaitForWindowExposed(form.get())) qWarning("the main window was not exposed");
}

void FormFixture::WriteTable(const std::string& text) const { WriteFileText(platform::RoutingTablePath(), text); }

std::string FormFixture::Table() const { return ReadFileText(platform::RoutingTablePath()); }

void FormFixture::StoreSetting(const std::string& name, const std::string& value) const {
  platform::RegistryKey key;
  platform::RegistryKey::Create(setup::kMonitorSettingsKey, key);
  key.SetValue(name, platform::kRegSz, value.data(), static_cast<uint32_t>(value.size()));
}

std::optional<std::string> FormFixture::StoredSetting(const std::string& name) const {
  platform::RegistryKey key;
  if (platform::RegistryKey::Open(setup::kMonitorSettingsKey, key) != 0) return std::nullopt;
  uint32_t size = 0;
  if (key.QueryValue(name, nullptr, nullptr, &size) != 0) return std::nullopt;
  std::string data(size, '\0');
  if (key.QueryValue(name, nullptr, data.data(), &size) != 0) return std::nullopt;
  return data;
}

void FormFixture::ClickCell(int column, int row) {
  setup::StringGrid* grid = form->StringGrid1;
  const QModelIndex index = grid->model()->index(row - 1, column - 1);
  grid->scrollTo(index);
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, grid->visualRect(index).center());
}

QString FormFixture::Cell(int column, int row) const { return form->StringGrid1->Cell(column, row); }

void FormFixture::SetCell(int column, int row, const QString& text) { form->StringGrid1->SetCell(column, row, text); }

}  // namespace setup_test
