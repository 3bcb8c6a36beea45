// Window lookups of the Win32 driver that the Win32-only tests use as well.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace driver::win32 {

std::string ClassOf(HWND window);
std::string TextOf(HWND window); // "" for no window
std::vector<HWND> Descendants(HWND parent);

} // namespace driver::win32
