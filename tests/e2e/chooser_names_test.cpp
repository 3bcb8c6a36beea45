// Windows only: a folder that the ANSI code page cannot name, chosen in the running program's real folder
// chooser, is no folder chosen. Its best-fit lookalike is there, with copies in it: nothing of it may be
// catalogued, so nothing can be searched or deleted there.
#ifdef _WIN32
#include "core/test_tree.h"
#include "driver/driver.h"
#include "driver/win32/win32_driver.h"
#include "ui/controls.h"
#include "ui/program.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using driver::win32::ClassOf;
using driver::win32::Descendants;

// The tree of the open folder chooser: the tree in a visible dialog of this thread.
HWND ChooserTree() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            if (ClassOf(window) == "#32770" && IsWindowVisible(window))
                for (HWND child : Descendants(window))
                    if (ClassOf(child) == WC_TREEVIEWA) *reinterpret_cast<HWND*>(data) = child;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// The name of the folder selected in the tree, in full.
std::wstring Selection(HWND tree) {
    wchar_t text[MAX_PATH] = {};
    TVITEMW item = {};
    item.mask = TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    if (item.hItem != nullptr) SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return text;
}

TEST(ChooserNames, AFolderTheCodePageCannotNameIsNoFolderChosen) {
    test_tree::TempTree tree;
    const fs::path root = tree.Root();
    const fs::path alpha = root / L"\u03b1", lookalike = root / L"a";
    fs::create_directories(alpha);
    fs::create_directories(lookalike);
    for (const fs::path& file : {alpha / L"x", lookalike / L"g1", lookalike / L"g2"})
        std::ofstream(file, std::ios::binary) << "twin";

    std::wstring selected;
    std::vector<std::string> rows = {"unread"};
    std::string added = "unread";
    const std::vector<std::function<bool()>> steps = {
        [] { return driver::WindowOpen(MAIN_WINDOW); },
        [] { return driver::UserClick(BtnAddFolder), true; },
        [&] {
            // Selected by its wide path, as a click in the tree selects it; again until the tree shows it.
            HWND tree = ChooserTree(), chooser = GetAncestor(tree, GA_ROOT);
            if (tree == nullptr) return false;
            SendMessageW(chooser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(alpha.c_str()));
            if ((selected = Selection(tree)) != L"\u03b1") return false;
            PostMessageW(chooser, WM_COMMAND, IDOK, 0);
            return true;
        },
        [&] {
            if (driver::FolderChooserOpen()) return false;
            rows = driver::ControlRows(LstAllFiles);
            added = LastAddedFolder();
            return true;
        },
        [] { return driver::UserCloseBox(MAIN_WINDOW), true; },
        [] { return driver::MessageBoxOpen() && (driver::UserConfirmMessageBox(), true); },
    };
    driver::WithUser([] { RunProgram(); }, steps);
    EXPECT_EQ(selected, L"\u03b1");
    EXPECT_EQ(rows, std::vector<std::string>{});
    EXPECT_EQ(added, "");
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(root), {}), 5);
    // Through the wide names: the ANSI calls of the tree's own clean-up cannot name the folder α.
    fs::remove_all(root);
}

} // namespace
#endif
