// Windows only: the built command-line program on names in every script, which its manifest's UTF-8 code
// page takes; names holding a separator (made on the Linux side of Wine); folders past the search buffer.
// Built without the manifest, as Windows before 10 (1903) runs it, in the system's code page: a folder that
// the code page cannot name, and code page 932, whose letters may end in the byte of "\".
#ifdef _WIN32
#include "test_tree.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
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

std::string Narrow(const std::wstring& wide, UINT page) {
    std::string text(wide.size() * 4, '\0');
    text.resize(size_t(WideCharToMultiByte(page, 0, wide.data(), int(wide.size()), text.data(),
                                           int(text.size()), nullptr, nullptr)));
    return text;
}

// A file's bytes, line ends as "\n" (the program's standard streams are in text mode).
std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string text(std::istreambuf_iterator<char>(in), {});
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.erase(at, 1);
    return text;
}

// The Unix path of a file or folder under Wine, "" elsewhere.
std::string UnixPath(const fs::path& path) {
    using UnixName = char*(CDECL*)(const WCHAR*);
    auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(path.c_str()) : nullptr;
    if (!name) return {};
    const std::string unix = name;
    HeapFree(GetProcessHeap(), 0, name);
    return unix;
}

// Under Wine: runs Script with the Linux shell in the Unix folder of Folder, and waits until it has run.
// False where there is no Linux side, or when the script failed.
bool RunLinuxShell(const fs::path& folder, const std::string& script) {
    const std::string where = UnixPath(folder);
    if (where.empty()) return false;
    // Wine starts Linux programs but hands out no process to wait for: the script's last step leaves a mark.
    const fs::path file = folder / "zw-linux-side.sh", mark = folder / "zw-linux-side.done";
    std::ofstream(file, std::ios::binary) << "set -e\ncd '" << where << "'\n"
                                          << script << "\n: > '" << where << "/zw-linux-side.done'\n";
    std::wstring command = L"/bin/sh \"" + Wide(where + "/zw-linux-side.sh", CP_UTF8) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    bool done = false;
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process))
        for (int wait = 0; wait < 6000 && !(done = fs::exists(mark)); ++wait)
            Sleep(10);
    std::error_code ignored;
    fs::remove(file, ignored);
    fs::remove(mark, ignored);
    return done;
}

struct CliRun {
    int status = -1;
    std::string out, err;
};

// The built program, and the same program without its manifest, next to the tests.
const wchar_t* const PROGRAM = L"..\\zwillingsfeger-cli.exe";
const wchar_t* const PROGRAM_IN_CODE_PAGE = L"zwillingsfeger-cli-codepage.exe";

// Runs Program with Arguments (none holding a "'") in Folder and waits for it. It is started from the
// Linux side, where the locale that Wine takes the code page from can be set; InTerminal, a Wine
// console on a Linux terminal, which shows the text as UTF-8.
CliRun RunCli(const wchar_t* program, const fs::path& folder, const std::vector<std::wstring>& arguments,
              const std::string& locale = {}, bool inTerminal = false) {
    wchar_t self[MAX_PATH * 2] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
    test_tree::TempTree streams;
    const std::string to = UnixPath(fs::path(streams.Root()));
    std::string start = "WINEDEBUG=-all " + (locale.empty() ? "" : "LC_ALL=" + locale + " ") + "wine '" +
                        UnixPath(fs::weakly_canonical(fs::path(self).parent_path() / program)) + "'";
    for (const std::wstring& argument : arguments)
        start += " '" + Narrow(argument, CP_UTF8) + "'";
    if (inTerminal) start = "LC_ALL=C.UTF-8 script -qec \"" + start + "\" /dev/null";
    const std::string command = "cd '" + UnixPath(folder) + "'\n" + start + " >'" + to + "/out' 2>'" + to +
                                "/err' || status=$?\necho ${status:-0} >'" + to + "/status'";
    CliRun run;
    if (!RunLinuxShell(fs::path(streams.Root()), command)) {
        ADD_FAILURE() << "zwillingsfeger-cli.exe did not run from the Linux side";
        return run;
    }
    run.status = std::stoi("0" + ReadAll(streams.Path("status")));
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
    const CliRun run = RunCli(PROGRAM_IN_CODE_PAGE, root, {(root / L"\u03b1").wstring()});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "zwillingsfeger-cli: '" + tree.Root() + "\\?' cannot be named in the system's code page\n");
}

// As the built program runs, UTF-8 is the code page: names in every script (the emoji beyond 16 bits) are
// catalogued and grouped, and shown as they are, in the text and as the JSON "path". The search buffer
// still counts bytes: a folder of 80 CJK letters is 240 bytes, past it, and named as left out.
TEST_F(AnsiNames, NamesOfEveryScriptAreGroupedInUtf8AndAFolderPastTheBufferInBytesIsLeftOut) {
    const std::vector<std::pair<std::wstring, std::string>> files = {
        {L"\u041f\u0430\u043f\u043a\u0430\\\u0444\u0430\u0439\u043b", "one"},
        {L"\u03a6\u03ac\u03ba\u03b5\u03bb\u03bf\u03c2\\\u03b1\u03c1\u03c7\u03b5\u03af\u03bf", "one"},
        {L"\u6587\u4ef6\u5939\\\u6587\u4ef6", "two"},
        {L"\U0001F4C1\\\U0001F600.bak", "two"}};
    for (const auto& [path, bytes] : files)
        Write(root / path, bytes);
    const std::wstring deep(80, L'\u6df1');
    Write(root / deep / L"x", "one");
    const std::string folder = Narrow(root.wstring(), CP_UTF8);
    for (const std::wstring format : {L"--json", L"--stats"}) {
        const CliRun run = RunCli(PROGRAM, root, {format, root.wstring()});
        EXPECT_EQ(run.status, 3) << run.err;
        EXPECT_NE(run.err.find(folder + "\\" + Narrow(deep, CP_UTF8) + ": path too long\n"),
                  std::string::npos)
            << run.err;
        for (const auto& [path, bytes] : files) {
            std::string shown = Narrow((root / path).wstring(), CP_UTF8) + "\n";
            if (format == L"--json") {
                for (size_t at = 0; (at = shown.find('\\', at)) != std::string::npos; at += 2)
                    shown.insert(at, 1, '\\');
                shown = "{\"path\":\"" + shown.substr(0, shown.size() - 1) + "\",\"size\":";
            }
            EXPECT_NE(run.out.find(shown), std::string::npos) << shown << " in " << run.out;
        }
    }
    // A console reads its own code page unless told: the names would show as other letters. (Wine's
    // console shows letters beyond 16 bits, the emoji, as U+FFFD.)
    const CliRun shown = RunCli(PROGRAM, root, {root.wstring()}, {}, true);
    EXPECT_EQ(shown.status, 3);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_NE(shown.out.find(Narrow(fs::path(files[i].first).filename().wstring(), CP_UTF8)),
                  std::string::npos)
            << shown.out;
}

// Linux names holding a backslash or a colon would, joined to their folder, lead out of it ("..\outside" is
// the folder beside it): they are left out and named, and so is a folder past the 255-byte search buffer.
// Nothing outside the chosen folder is catalogued, so nothing there can be read or deleted. A folder given
// past MAX_PATH (260) is too long, not missing.
TEST_F(AnsiNames, NamesHoldingASeparatorAndFoldersPastTheSearchBufferAreLeftOutAndNamed) {
    const std::string chosen = tree.Root() + "\\chosen", deep(255 - chosen.size() - 1, 'd');
    const std::string inside = "chosen/" + deep;
    std::string script = "mkdir -p " + inside + "/eeeee outside outside2 'chosen/..\\outside2'\n";
    script += "for f in chosen/keep1 chosen/keep2 chosen/x:y " + inside + "/in outside/p outside2/q\n";
    script += "do printf twin >\"$f\"; done\nprintf twin >'chosen/..\\outside2/q'\n";
    script += "printf decoy >'chosen/..\\outside\\p'";
    ASSERT_TRUE(RunLinuxShell(root, script));
    CliRun run = RunCli(PROGRAM, root, {L"--stats", Wide(chosen, CP_ACP)});
    EXPECT_EQ(run.status, 3);
    const std::string keep1 = chosen + "\\keep1\n", keep2 = chosen + "\\keep2\n";
    EXPECT_TRUE(run.out == keep1 + keep2 || run.out == keep2 + keep1) << run.out;
    for (const std::string name : {"..\\outside\\p", "..\\outside2", "x:y"})
        EXPECT_NE(run.err.find(chosen + "\\" + name + ": the name holds a separator (\\, / or :)\n"),
                  std::string::npos)
            << run.err;
    EXPECT_NE(run.err.find(chosen + "\\" + deep + ": path too long\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("files catalogued: 2\n"), std::string::npos) << run.err;

    const std::string longest = chosen + "\\" + deep + "\\eeeee";
    ASSERT_EQ(longest.size(), 261u);
    run = RunCli(PROGRAM, root, {Wide(longest, CP_ACP)});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "zwillingsfeger-cli: '" + longest + "' is too long\n");
}

// The start of the member that --json prints for a file whose name is text of code page 932, up to
// what the search saw of it.
std::string JsonMember932(const fs::path& file) {
    std::string text = Narrow(file.wstring(), CP_UTF8), bytes;
    for (size_t at = 0; (at = text.find('\\', at)) != std::string::npos; at += 2)
        text.insert(at, 1, '\\');
    for (const char c : Narrow(file.wstring(), 932))
        bytes += (bytes.empty() ? "" : ",") + std::to_string(static_cast<unsigned char>(c));
    return "{\"path\":\"" + text + "\",\"path_bytes\":[" + bytes + "],\"size\":";
}

// In code page 932 the letters 表 (95 5C) and ソ (83 5C) end in the byte of "\": no rule that looks for a
// trailing separator may take that byte for one, neither for a folder given nor for one below it. Both
// folders are named relative to the current folder, which the check of the first must leave alone.
TEST_F(AnsiNames, InCodePage932FoldersEndingInTheSeparatorsByteAreScannedWhole) {
    const std::vector<std::pair<std::wstring, std::string>> files = {{L"\u8868\\a", "one"},
                                                                     {L"\u8868\\\u30bd\\b", "one"},
                                                                     {L"\u8868\\\u30bd\\\u8868\\c", "two"},
                                                                     {L"\u30bd\\d", "two"}};
    for (const auto& [path, bytes] : files)
        Write(root / path, bytes);
    const CliRun run = RunCli(PROGRAM_IN_CODE_PAGE, root, {L"--json", L"\u8868", L"\u30bd"}, "ja_JP.UTF-8");
    ASSERT_EQ(run.status, 0) << run.err
                             << "(code page 932 needs the locale ja_JP.UTF-8: scripts/install-deps)";
    EXPECT_EQ(run.err, "");
    for (const auto& [path, bytes] : files)
        EXPECT_NE(run.out.find(JsonMember932(root / path)), std::string::npos) << JsonMember932(root / path);
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 4) << run.out; // two groups a line
}

} // namespace
#endif
