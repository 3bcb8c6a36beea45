// Windows only: the built command-line program on folders and names that the ANSI code page does not
// take as they are: a folder it cannot name, names holding a separator (made on the Linux side of Wine),
// folders past the search buffer, and code page 932, whose letters may end in the byte of "\".
#ifdef _WIN32
#include "test_tree.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::wstring Wide(const std::string& text, UINT page) {
    std::wstring wide(text.size(), L'\0');
    wide.resize(
        size_t(MultiByteToWideChar(page, 0, text.data(), int(text.size()), wide.data(), int(wide.size()))));
    return wide;
}

// A file's bytes, line ends as "\n" (the program's standard streams are in text mode).
std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string text(std::istreambuf_iterator<char>(in), {});
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.erase(at, 1);
    return text;
}

// Under Wine: runs Script with the Linux shell in the Unix folder of Folder, and waits until it has run.
// False where there is no Linux side, or when the script failed.
bool RunLinuxShell(const fs::path& folder, const std::string& script) {
    using UnixName = char*(CDECL*)(const WCHAR*);
    auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    char* unixFolder = unixName ? unixName(folder.c_str()) : nullptr;
    if (!unixFolder) return false;
    const std::string where = unixFolder;
    HeapFree(GetProcessHeap(), 0, unixFolder);
    // Wine starts Linux programs but hands out no process to wait for: the script's last step leaves a mark.
    const fs::path file = folder / "zw-linux-side.sh", mark = folder / "zw-linux-side.done";
    std::ofstream(file, std::ios::binary) << "set -e\ncd '" << where << "'\n"
                                          << script << "\n: > zw-linux-side.done\n";
    std::wstring command = L"/bin/sh \"" + Wide(where + "/zw-linux-side.sh", CP_UTF8) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    bool done = false;
    for (int wait = 0; wait < 1000 && !(done = fs::exists(mark)); ++wait)
        Sleep(10);
    std::error_code ignored;
    fs::remove(file, ignored);
    fs::remove(mark, ignored);
    return done;
}

struct CliRun {
    DWORD status = 0;
    std::string out, err;
};

// Runs the built zwillingsfeger-cli.exe in Folder with Arguments (none may hold a quote or end with a
// backslash) and waits for it. Environment entries ("NAME=value") replace or add to the test's own.
CliRun RunCli(const fs::path& folder, const std::vector<std::wstring>& arguments,
              const std::vector<std::wstring>& environment = {}) {
    wchar_t self[MAX_PATH * 2] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
    std::wstring command =
        L"\"" + (fs::path(self).parent_path().parent_path() / L"zwillingsfeger-cli.exe").wstring() + L"\"";
    for (const std::wstring& argument : arguments)
        command += L" \"" + argument + L"\"";

    std::wstring block;
    const wchar_t* own = GetEnvironmentStringsW();
    for (const wchar_t* entry = own; *entry; entry += wcslen(entry) + 1) {
        const std::wstring text = entry;
        bool replaced = false;
        for (const std::wstring& added : environment)
            replaced |= _wcsnicmp(text.c_str(), added.c_str(), added.find(L'=') + 1) == 0;
        if (!replaced) block += text + L'\0';
    }
    FreeEnvironmentStringsW(const_cast<wchar_t*>(own));
    for (const std::wstring& added : environment)
        block += added + L'\0';
    block += L'\0';

    test_tree::TempTree streams;
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    auto create = [&](const char* name) {
        return CreateFileA(streams.Path(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = create("out");
    startup.hStdError = create("err");
    PROCESS_INFORMATION process = {};
    CliRun run;
    run.status = 1000;
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                       block.data(), folder.c_str(), &startup, &process)) {
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &run.status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        ADD_FAILURE() << "zwillingsfeger-cli.exe did not start: " << GetLastError();
    }
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);
    run.out = ReadAll(streams.Path("out"));
    run.err = ReadAll(streams.Path("err"));
    return run;
}

void Write(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

class AnsiNames : public ::testing::Test {
  protected:
    // What the ANSI calls of the tree's own clean-up cannot name goes first.
    void TearDown() override {
        std::error_code ignored;
        if (!RunLinuxShell(root, "rm -rf -- * .[!.]*")) fs::remove_all(root, ignored);
    }
    test_tree::TempTree tree;
    const fs::path root = fs::path(tree.Root());
};

// Best fit would make α the folder a; the program must not search a folder that the user did not name.
TEST_F(AnsiNames, AFolderTheCodePageCannotNameIsRefused) {
    Write(root / L"\u03b1" / L"x", "twin");
    Write(root / L"a" / L"g1", "twin");
    Write(root / L"a" / L"g2", "twin");
    const CliRun run = RunCli(root, {(root / L"\u03b1").wstring()});
    EXPECT_EQ(run.status, 2u);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "zwillingsfeger-cli: '" + tree.Root() + "\\?' cannot be named in the system's code page\n");
}

} // namespace
#endif
