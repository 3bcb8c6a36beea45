// The dialogs on Win32, as the user meets them: the shell's folder chooser and the message box, found
// among the thread's windows and answered through their own controls.
#include "driver/driver.h"
#include "driver/win32/win32_driver.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

namespace driver {
namespace win32 {
namespace {

constexpr char DIALOG_CLASS[] = "#32770";

// The folder chooser is the dialog with a tree of folders.
HWND TreeOf(HWND dialog) {
    for (HWND child : Descendants(dialog))
        if (ClassOf(child) == WC_TREEVIEWA) return child;
    return nullptr;
}

HWND MessageBoxWindow() {
    for (HWND dialog : OpenDialogs())
        if (TreeOf(dialog) == nullptr) return dialog;
    return nullptr;
}

// Clicks button Id of Dialog; What names the dialog in the failure when none is open.
void ClickButtonOf(HWND dialog, int id, const char* what = "dialog") {
    if (dialog == nullptr) {
        ADD_FAILURE() << "no " << what << " open";
        return;
    }
    HWND button = GetDlgItem(dialog, id);
    if (button == nullptr || !IsWindowVisible(button)) {
        ADD_FAILURE() << "dialog has no button " << id;
        return;
    }
    ClickAt(dialog, CentreOf(button), false);
}

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                           static_cast<int>(wide.size()));
    wide.resize(static_cast<size_t>(length < 0 ? 0 : length));
    return wide;
}

// The tree shows a folder by its name and a drive by its letter in brackets, "(C:)".
bool TreeShows(HWND chooser, const std::string& folder) {
    const std::wstring shown = TreeSelection(chooser);
    if (folder.size() <= 2 || (folder.size() == 3 && folder[2] == '\\'))
        return shown.find(L"(" + Wide(folder.substr(0, 2)) + L")") != std::wstring::npos;
    return lstrcmpiW(shown.c_str(), Wide(folder.substr(folder.rfind('\\') + 1)).c_str()) == 0;
}

// Choosing a folder takes more than one moment under Wine: its chooser answers with the folder
// selected in its tree and ignores the edit box, and in the first chooser of a process the tree
// takes a while before it can select a folder. The folder is selected in the tree (again on every
// tick until it shows), then typed into the edit box for Windows, then OK is pressed.
struct PendingChoice {
    std::string folder;
    DWORD since = 0;
    bool active = false;
};
PendingChoice pendingChoice;
constexpr DWORD CHOICE_PATIENCE_MS = 5000;

} // namespace

// The open dialogs of this thread: message boxes and the folder chooser.
std::vector<HWND> OpenDialogs() {
    std::vector<HWND> dialogs;
    for (HWND window : ThreadWindows())
        if (ClassOf(window) == DIALOG_CLASS && IsWindowVisible(window)) dialogs.push_back(window);
    return dialogs;
}

HWND FolderChooser() {
    for (HWND dialog : OpenDialogs())
        if (TreeOf(dialog) != nullptr) return dialog;
    return nullptr;
}

std::wstring TreeSelection(HWND chooser) {
    HWND tree = TreeOf(chooser);
    if (tree == nullptr) return {};
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    wchar_t text[MAX_PATH] = {};
    TVITEMW query = {};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    query.pszText = text;
    query.cchTextMax = MAX_PATH;
    if (item == nullptr || !SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query))) return {};
    return text;
}

bool ContinueChoice() {
    if (!pendingChoice.active) return false;
    HWND chooser = FolderChooser();
    if (chooser == nullptr) {
        pendingChoice.active = false;
        return false;
    }
    const std::string& folder = pendingChoice.folder;
    std::string selection = folder;
    if (selection.size() > 3 && selection.back() == '\\') selection.pop_back();
    SendMessageA(chooser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(selection.c_str()));
    if (!TreeShows(chooser, selection) && GetTickCount() - pendingChoice.since < CHOICE_PATIENCE_MS)
        return true;
    pendingChoice.active = false;

    HWND edit = nullptr;
    for (HWND child : Descendants(chooser))
        if (ClassOf(child) == "Edit" && IsWindowVisible(child)) edit = child;
    if (edit != nullptr) {
        // Click into the box, select what it holds, type over it.
        ClickAt(chooser, CentreOf(edit), false);
        PostMessageA(edit, EM_SETSEL, 0, -1);
        for (char c : folder)
            PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    ClickButtonOf(chooser, IDOK);
    return false;
}

} // namespace win32

using namespace win32;

bool FolderChooserOpen() {
    return FolderChooser() != nullptr;
}

void UserChooseFolder(const std::string& folder) {
    if (FolderChooser() == nullptr) {
        ADD_FAILURE() << "no folder chooser open";
        return;
    }
    pendingChoice = PendingChoice{folder, GetTickCount(), true};
    ContinueChoice();
}

void UserCancelFolderChooser() {
    ClickButtonOf(FolderChooser(), IDCANCEL, "folder chooser");
}

bool MessageBoxOpen() {
    return MessageBoxWindow() != nullptr;
}

std::string MessageBoxTitle() {
    return TextOf(MessageBoxWindow());
}

std::string MessageBoxText() {
    HWND box = MessageBoxWindow();
    if (box == nullptr) return {};
    for (HWND child : Descendants(box)) {
        if (ClassOf(child) != "Static") continue;
        std::string text = TextOf(child);
        if (!text.empty()) return text;
    }
    return {};
}

void UserConfirmMessageBox() {
    ClickButtonOf(MessageBoxWindow(), IDOK, "message box");
}

} // namespace driver
