#include "setup/messages.h"

#include "support/platform/system_info.h"
#include "support/platform/win_error.h"
#include "support/system_helpers.h"

namespace setup {

void ShowWarningBox(const std::string& text) { AppMessageBox(text, kWarningBoxFlags); }

void ShowPlainMessage(const std::string& text) {
  platform::ShowMessageBox(GetApplicationTitle(), text, kPlainMessageFlags);
}

std::string WithLastError(const std::string& text) { return text + std::to_string(platform::GetLastError()); }

}  // namespace setup
