// Windows only: names in every script, through the running program's real folder chooser and controls.
// The chosen folder α has a best-fit lookalike a beside it, with copies in it: only α's files may be
// listed, searched and deleted.
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

#include <algorithm>
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

std::string Utf8(const std::wstring& wide) {
    std::string text(wide.size() * 4, '\0');
    text.resize(size_t(WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), text.data(),
                                           int(text.size()), nullptr, nullptr)));
    return text;
}

TEST(ChooserNames, NamesOfEveryScriptAreListedGroupedAndDeletedInTheChosenFolder) {
    ASSERT_EQ(GetACP(), UINT(CP_UTF8)) << "the manifest did not make UTF-8 the code page";
    test_tree::TempTree tree;
    const fs::path root = tree.Root();
    const fs::path alpha = root / L"\u03b1", lookalike = root / L"a";
    // Cyrillic, Greek, CJK and emoji, in folder and file names; the emoji lie outside the 16-bit plane.
    const std::vector<std::pair<std::wstring, std::string>> files = {
        {L"\u041f\u0430\u043f\u043a\u0430\\\u0444\u0430\u0439\u043b", "one"},
        {L"\u03a6\u03ac\u03ba\u03b5\u03bb\u03bf\u03c2\\\u03b1\u03c1\u03c7\u03b5\u03af\u03bf", "one"},
        {L"\u6587\u4ef6\u5939\\\u6587\u4ef6", "two"},
        {L"\U0001F4C1\\\U0001F600.bak", "two"}};
    for (const auto& [name, bytes] : files) {
        fs::create_directories((alpha / name).parent_path());
        std::ofstream(alpha / name, std::ios::binary) << bytes;
    }
    fs::create_directories(lookalike);
    for (const fs::path& file : {lookalike / L"g1", lookalike / L"g2"})
        std::ofstream(file, std::ios::binary) << "twin";

    std::wstring selected;
    std::vector<std::string> listed, groups, members;
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
            listed = driver::ControlRows(LstAllFiles);
            return driver::UserClick(BtnSearch), true;
        },
        [&] {
            groups = driver::ControlRows(LstGroups);
            const std::string copy = Utf8(L"\U0001F600.bak");
            const auto row = std::find_if(groups.begin(), groups.end(), [&](const std::string& r) {
                return r.find(copy) != std::string::npos;
            });
            return driver::UserClickRow(LstGroups, int32_t(row == groups.end() ? 0 : row - groups.begin())),
                   true;
        },
        [&] {
            members = driver::ControlRows(LstMembers);
            return driver::UserClick(BtnDeleteMarked), true;
        },
        [] { return driver::UserCloseBox(MAIN_WINDOW), true; },
        [] { return driver::MessageBoxOpen() && (driver::UserConfirmMessageBox(), true); },
    };
    driver::WithUser([] { RunProgram(); }, steps);

    EXPECT_EQ(selected, L"\u03b1");
    std::vector<std::string> expectedListed;
    for (const auto& [name, bytes] : files)
        expectedListed.push_back(Utf8(fs::path(name).filename().wstring()) + " (3)");
    std::sort(listed.begin(), listed.end());
    std::sort(expectedListed.begin(), expectedListed.end());
    EXPECT_EQ(listed, expectedListed);
    ASSERT_EQ(groups.size(), 2u);
    const std::string folder = Utf8(alpha.wstring()) + "\\";
    std::vector<std::string> expectedMembers = {folder + Utf8(files[2].first), folder + Utf8(files[3].first)};
    std::sort(members.begin(), members.end());
    EXPECT_EQ(members, expectedMembers);
    // The marked copy, the .bak one, is gone; everything else is there, a's copies too.
    EXPECT_FALSE(fs::exists(alpha / files[3].first));
    for (const fs::path& kept : {alpha / files[0].first, alpha / files[1].first, alpha / files[2].first,
                                 lookalike / L"g1", lookalike / L"g2"})
        EXPECT_TRUE(fs::exists(kept)) << kept;
    fs::remove_all(root);
}

} // namespace
#endif
