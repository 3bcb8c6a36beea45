// Modal dialogs: the message box and the folder chooser.
#pragma once

#include <cstdint>
#include <string>

// One OK button for Flags 0; line feeds in Text start new lines. Returns the button that closed it.
int32_t ShowMessageBox(const std::string& title, const std::string& text, int32_t flags);
// The chosen folder ending with the path separator, or "" when the user cancelled.
std::string ChooseFolder(const std::string& title, const std::string& initialFolder);
