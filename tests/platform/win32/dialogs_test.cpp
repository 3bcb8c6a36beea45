// The Win32 dialogs beyond what every backend shows: owner and title line of the shell's folder
// chooser, an initial folder too long for its buffer, and items that have no path.
#include "driver/win32/win32_driver.h"
#include "driver/window_fixture.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>

namespace {

using driver::win32::ClassOf;
using driver::win32::Descendants;
using driver::win32::FolderChooser;
using driver::win32::TextOf;
using driver::win32::TreeSelection;

using Win32Dialogs = testwin::EmptyWindowTest;

// An initial folder too long for the chooser's buffer must not open it on a cut-off path.
TEST_F(Win32Dialogs, TheChooserBelongsToTheWindowShowsItsTitleAndSkipsAnInitialFolderTooLong) {
    ASSERT_EQ(GetForegroundWindow(), static_cast<HWND>(window_));
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    const std::string tooLong = std::string(temp) + std::string(300, 'a') + "\\";
    HWND owner = nullptr;
    bool titleShown = false;
    std::wstring selected = L"unset";
    std::string chosen = "unset";
    driver::WithUser([&] { chosen = ChooseFolder("Pfad hinzufügen...", tooLong); },
                     {[] { return driver::FolderChooserOpen(); },
                      [&] {
                          HWND chooser = FolderChooser();
                          owner = GetWindow(chooser, GW_OWNER);
                          for (HWND child : Descendants(chooser))
                              titleShown |=
                                  ClassOf(child) == "Static" && TextOf(child) == "Pfad hinzufügen...";
                          selected = TreeSelection(chooser);
                          driver::UserCancelFolderChooser();
                          return true;
                      }});
    EXPECT_EQ(owner, static_cast<HWND>(window_));
    EXPECT_TRUE(titleShown);
    EXPECT_EQ(selected.find(L"aaaa"), std::wstring::npos);
    EXPECT_EQ(chosen, "");
}

// Without BIF_RETURNONLYFSDIRS the user can confirm "My Computer", which has no path: that is no
// folder, not the root of the current drive.
TEST_F(Win32Dialogs, AnItemWithoutAPathGivesNoFolder) {
    LPITEMIDLIST computer = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer), S_OK);
    SHFILEINFOW computerInfo = {};
    SHGetFileInfoW(reinterpret_cast<LPCWSTR>(computer), 0, &computerInfo, sizeof computerInfo,
                   SHGFI_PIDL | SHGFI_DISPLAYNAME);
    const std::wstring computerName = computerInfo.szDisplayName;
    std::string chosen = "unset";
    driver::WithUser([&] { chosen = ChooseFolder("Pfad hinzufügen...", ""); },
                     {[] { return driver::FolderChooserOpen(); },
                      [&] {
                          // The chooser's tree may need a moment before it can select.
                          HWND chooser = FolderChooser();
                          SendMessageA(chooser, BFFM_SETSELECTIONA, FALSE,
                                       reinterpret_cast<LPARAM>(computer));
                          if (TreeSelection(chooser) != computerName) return false;
                          PostMessageA(chooser, WM_COMMAND, IDOK, 0);
                          return true;
                      }});
    CoTaskMemFree(computer);
    EXPECT_EQ(chosen, "");
}

} // namespace
