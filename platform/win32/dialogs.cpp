// Modal dialogs on Win32: the message box (user32) and the shell's folder chooser, loaded from
// shell32 only while it is open; the chosen folder is taken in its wide form.
#include "platform/dialogs.h"

#include "platform/file_services.h"
#include "platform/win32/ansi.h"
#include "platform/win32/win32_backend.h"

#include <windows.h>

#include <objbase.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstring>

namespace {

constexpr size_t INITIAL_FOLDER_BYTES = 256;
// BIF_EDITBOX and BIF_NEWDIALOGSTYLE: a path can be typed as well as picked.
constexpr UINT CHOOSER_FLAGS = 0x50;

using BrowseForFolder = LPITEMIDLIST(WINAPI*)(LPBROWSEINFOA);
using PathFromItemList = BOOL(WINAPI*)(LPCITEMIDLIST, LPWSTR);

// Opens the chooser on the initial folder.
int CALLBACK ChooserCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
    const char* initialFolder = reinterpret_cast<const char*>(data);
    if (message == BFFM_INITIALIZED && initialFolder[0] != '\0')
        SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

} // namespace

int32_t ShowMessageBox(const std::string& title, const std::string& text, int32_t flags) {
    zw_win32::ShowNewRows();
    HWND owner = GetForegroundWindow();
    return MessageBoxA(owner, text.c_str(), title.c_str(), static_cast<UINT>(flags));
}

std::string ChooseFolder(const std::string& title, const std::string& initialFolder) {
    zw_win32::ShowNewRows();
    HMODULE shell = LoadLibraryA("SHELL32.DLL");
    if (shell == nullptr) return {};
    auto browse = reinterpret_cast<BrowseForFolder>(
        reinterpret_cast<void*>(GetProcAddress(shell, "SHBrowseForFolderA")));
    auto pathFromItemList = reinterpret_cast<PathFromItemList>(
        reinterpret_cast<void*>(GetProcAddress(shell, "SHGetPathFromIDListW")));
    if (browse == nullptr || pathFromItemList == nullptr) {
        FreeLibrary(shell);
        return {};
    }

    // A folder that does not fit is not preselected at all: cutting it could preselect another one.
    char initial[INITIAL_FOLDER_BYTES] = {};
    const size_t length = std::strlen(initialFolder.c_str());
    if (length < sizeof initial) {
        std::memcpy(initial, initialFolder.c_str(), length);
        // C:\Daten\ selects C:\Daten itself; a drive root such as C:\ keeps its backslash.
        if (length > 3 && EndsWithSeparator(std::string(initial, length))) initial[length - 1] = '\0';
    }

    // The new dialog style needs OLE on this thread.
    const HRESULT ole = OleInitialize(nullptr);

    BROWSEINFOA info = {};
    info.hwndOwner = GetForegroundWindow();
    info.pidlRoot = nullptr;
    info.pszDisplayName = nullptr;
    info.lpszTitle = title.c_str();
    info.ulFlags = CHOOSER_FLAGS;
    info.lpfn = ChooserCallback;
    info.lParam = reinterpret_cast<LPARAM>(initial);
    info.iImage = 0;
    LPITEMIDLIST chosen = browse(&info);

    std::string result;
    if (chosen != nullptr) {
        wchar_t path[MAX_PATH + 1] = {};
        // An item outside the file system has no path: that is no folder chosen. Nor is a folder that the
        // code page cannot name: its ANSI form, a best-fit lookalike, would be some other folder.
        if (pathFromItemList(chosen, path) && path[0] != L'\0' && zw_win32::ExactAnsi(path, &result)) {
            if (!EndsWithSeparator(result)) result += '\\';
        } else {
            result.clear();
        }
        // The shell allocates item lists with the COM task allocator.
        CoTaskMemFree(chosen);
    }

    if (SUCCEEDED(ole)) OleUninitialize();
    FreeLibrary(shell);
    return result;
}
