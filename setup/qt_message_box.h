#pragma once
// Puts the system's message boxes on the screen as Qt message boxes: the
// message-box seam's handler for the setup tool.
#include <cstdint>
#include <string>

namespace setup {

// Shows one message box: `flags` are the Win32 style flags (button set,
// icon, topmost); answers the Win32 identifier of the button pressed.
int32_t ShowQtMessageBox(const std::string& caption, const std::string& text, int32_t flags);

// Routes the platform's message-box seam to ShowQtMessageBox.
void InstallQtMessageBoxHandler();

}  // namespace setup
