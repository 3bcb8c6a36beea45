// Pictures of a Win32 window: a control's pixels from its own surface, and screenshots saved as BMP
// files among the test run's artefacts.
#include "driver/driver.h"
#include "driver/win32/win32_driver.h"

#include <windows.h>

namespace driver {

using namespace win32;

namespace {

std::string ArtifactFolder() {
    char value[MAX_PATH * 2] = {};
    const DWORD length = GetEnvironmentVariableA("ZW_ARTIFACTS", value, sizeof value);
    std::string folder = (length > 0 && length < sizeof value) ? value : "artifacts";
    // A Unix path from the test environment names the same folder through Wine's drive of the root.
    if (!folder.empty() && folder[0] == '/') {
        using DosName = WCHAR*(CDECL*)(const char*);
        auto toDos = reinterpret_cast<DosName>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
        if (toDos != nullptr) {
            if (WCHAR* dos = toDos(folder.c_str())) {
                char converted[MAX_PATH * 2] = {};
                WideCharToMultiByte(CP_ACP, 0, dos, -1, converted, sizeof converted, nullptr, nullptr);
                HeapFree(GetProcessHeap(), 0, dos);
                folder = converted;
            }
        }
    }
    for (char& c : folder)
        if (c == '/') c = '\\';
    // Create every missing level.
    for (size_t i = 1; i <= folder.size(); ++i)
        if (i == folder.size() || folder[i] == '\\') CreateDirectoryA(folder.substr(0, i).c_str(), nullptr);
    return folder;
}

// Paints what is still invalid and lets Wine copy its window surfaces to the display, which it does
// lazily from the message wait; posted messages stay in the queue.
void LetTheScreenCatchUp() {
    for (HWND window : ThreadWindows())
        if (IsWindowVisible(window)) RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 250) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG pending = {};
        PeekMessageA(&pending, nullptr, 0, 0, PM_NOREMOVE);
    }
}

} // namespace

Picture ControlPicture(int32_t control) {
    HWND window = ControlOrFail(control);
    if (window == nullptr) return {};
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT frame = {};
    GetWindowRect(window, &frame);
    Picture picture{frame.right - frame.left, frame.bottom - frame.top, {}};
    HDC source = GetWindowDC(window);
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr && bits != nullptr) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, picture.width, picture.height, source, 0, 0, SRCCOPY);
        GdiFlush();
        SelectObject(memory, previous);
        const auto* pixels = static_cast<const uint32_t*>(bits);
        for (int32_t i = 0; i < picture.width * picture.height; ++i)
            picture.pixels.push_back(pixels[i] & 0xFFFFFF); // blue, green, red, unused: 0xRRGGBB
    }
    if (bitmap != nullptr) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, source);
    return picture;
}

std::string SaveScreenshot(const std::string& name) {
    LetTheScreenCatchUp();
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up, as a BMP file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    std::string path;
    if (bitmap != nullptr && pixels != nullptr) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
        GdiFlush();
        SelectObject(memory, previous);

        const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
        const DWORD imageSize = stride * static_cast<DWORD>(height);
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42; // "BM"
        file.bfOffBits = sizeof file + sizeof info.bmiHeader;
        file.bfSize = file.bfOffBits + imageSize;
        info.bmiHeader.biSizeImage = imageSize;

        path = ArtifactFolder() + "\\" + name + ".bmp";
        HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        bool written = out != INVALID_HANDLE_VALUE;
        DWORD done = 0;
        written = written && WriteFile(out, &file, sizeof file, &done, nullptr);
        written = written && WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &done, nullptr);
        written = written && WriteFile(out, pixels, imageSize, &done, nullptr);
        if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
        if (!written) path.clear();
    }
    if (bitmap != nullptr) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return path;
}

} // namespace driver
