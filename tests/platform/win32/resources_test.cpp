// Win32 only: the program file carries its icon and its version information, as Explorer shows them,
// and its window shows that icon.
#include "driver/window_fixture.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The sizes of the icon group that LoadIconA(instance, 1) loads; each size's image must be there too.
std::vector<int> IconSizes(HMODULE module) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14)); // RT_GROUP_ICON
    if (found == nullptr) return {};
    const auto* group = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    if (group == nullptr || SizeofResource(module, found) < 6) return {};
    // A header of three words (the third the count), then 14 bytes an image: width first, id last.
    const WORD count = *reinterpret_cast<const WORD*>(group + 4);
    if (SizeofResource(module, found) < 6 + 14u * count) return {};
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = group + 6 + 14 * i;
        const WORD id = *reinterpret_cast<const WORD*>(entry + 12);
        if (FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3)) == nullptr) // RT_ICON
            ADD_FAILURE() << "no image " << id << " for the icon group";
        sizes.push_back(entry[0] == 0 ? 256 : entry[0]);
    }
    return sizes;
}

// A text of the version information of the file at Path, in its first translation, read as Explorer
// reads it. VerQueryValueA converts the texts into room that GetFileVersionInfoA leaves behind the
// resource: a buffer of the resource's own size would be overrun.
std::string VersionText(const std::string& path, const char* name) {
    std::vector<BYTE> copy(GetFileVersionInfoSizeA(path.c_str(), nullptr));
    if (copy.empty() || !GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(copy.size()), copy.data()))
        return "(no version information)";
    WORD* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(copy.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                        &length) ||
        length < 2 * sizeof(WORD))
        return "(no translation)";
    char query[64];
    std::snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\%s", translation[0], translation[1],
                  name);
    char* value = nullptr;
    if (!VerQueryValueA(copy.data(), query, reinterpret_cast<void**>(&value), &length) || value == nullptr)
        return "(no " + std::string(name) + ")";
    return value;
}

void ExpectIconAndVersion(HMODULE module, const std::string& path) {
    EXPECT_EQ(IconSizes(module), (std::vector<int>{16, 24, 32, 48, 64, 128, 256}));
    EXPECT_EQ(VersionText(path, "ProductName"), "Zwillingsfeger");
    EXPECT_EQ(VersionText(path, "FileVersion"), ZW_VERSION);
}

using Win32Resources = testwin::WindowTest;

TEST_F(Win32Resources, TheProgramFileCarriesItsIconAndVersionAndTheWindowShowsTheIcon) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string program = self;
    const std::string testProgram = self;
    program.erase(program.find_last_of('\\') + 1);
    for (char c : std::string(ZW_PROGRAM_FROM_TESTS))
        program += c == '/' ? '\\' : c;
    HMODULE file =
        LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(file, nullptr) << program;
    ExpectIconAndVersion(file, program);
    FreeLibrary(file);

    // This test program carries the same resources, so the window class finds icon 1 as the program's does.
    ExpectIconAndVersion(GetModuleHandleA(nullptr), testProgram);
    EXPECT_NE(GetClassLongPtrA(static_cast<HWND>(CurrentWindow()), GCLP_HICON), 0);
}

} // namespace
