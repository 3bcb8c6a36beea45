// The command-line program: its arguments, the folders it scans, its three output formats, and the
// whole run over real files (in-process, and once as the built program).
#include "app/cli_arguments.h"
#include "app/cli_output.h"
#include "app/cli_run.h"
#include "cli_runner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include "test_tree.h"

#include <sys/stat.h>
#include <sys/wait.h>
#endif

namespace {

namespace fs = std::filesystem;

CliOptions Parse(std::initializer_list<const char*> args) {
    return ParseCliArguments(std::vector<std::string>(args.begin(), args.end()));
}

TEST(CliArguments, OptionsMayStandAnywhereAndDoubleDashEndsThem) {
    CliOptions options = Parse({"a", "--json", "-", "--stats", "--", "-0", "--help", "b"});
    EXPECT_TRUE(options.error.empty()) << options.error;
    EXPECT_EQ(options.format, CliFormat::Json);
    EXPECT_TRUE(options.stats);
    EXPECT_FALSE(options.help);
    EXPECT_EQ(options.folders, (std::vector<std::string>{"a", "-", "-0", "--help", "b"}));
    EXPECT_EQ(Parse({"-0", "x"}).format, CliFormat::Null);
    EXPECT_EQ(Parse({"--null", "x"}).format, CliFormat::Null);
    EXPECT_EQ(Parse({"x"}).format, CliFormat::Text);
}

TEST(CliArguments, UnusableCommandLinesAreErrors) {
    EXPECT_NE(Parse({"-x", "a"}).error, "");
    EXPECT_NE(Parse({"--jsonx", "a"}).error, "");
    EXPECT_NE(Parse({"-0", "--json", "a"}).error, "");
    EXPECT_NE(Parse({}).error, "");
    EXPECT_NE(Parse({"--stats"}).error, "");
    EXPECT_EQ(Parse({"--threads", "3", "a"}).threads, 3);
    EXPECT_EQ(Parse({"--threads=16", "a"}).threads, 16);
    for (const char* bad : {"0", "-1", "x", "2000", ""})
        EXPECT_NE(Parse({"--threads", bad, "a"}).error, "") << bad;
    EXPECT_EQ(Parse({"--help"}).error, "");
    EXPECT_EQ(Parse({"-V"}).error, "");
    // Actions, keep rules, protected folders and filters.
    for (auto bad : std::vector<std::vector<const char*>>{{"--delete", "--link", "a"},
                                                          {"--dry-run", "a"},
                                                          {"--keep", "largest", "a"},
                                                          {"--protect"},
                                                          {"--exclude=", "a"},
                                                          {"--min-size", "1T", "a"},
                                                          {"--max-size", "K", "a"},
                                                          {"--min-size", "99999999999999999", "a"}})
        EXPECT_NE(ParseCliArguments({bad.begin(), bad.end()}).error, "") << bad[0] << " " << bad[1];
    const CliOptions acting =
        Parse({"--reflink", "--dry-run", "--keep=oldest", "--protect", "p", "--protect=q", "--exclude",
               "*.tmp", "--min-size", "2k", "--max-size=3G", "a"});
    EXPECT_EQ(acting.error, "");
    EXPECT_EQ(acting.action, CliAction::Reflink);
    EXPECT_TRUE(acting.dryRun);
    EXPECT_EQ(acting.keep, CliKeep::Oldest);
    EXPECT_EQ(acting.protect, (std::vector<std::string>{"p", "q"}));
    EXPECT_EQ(acting.exclude, (std::vector<std::string>{"*.tmp"}));
    EXPECT_EQ(acting.minSize, 2048);
    EXPECT_EQ(acting.maxSize, int64_t(3) << 30);
    EXPECT_EQ(acting.folders, (std::vector<std::string>{"a"}));
}

TEST(CliFolders, AFolderRepeatedInARowIsScannedOnceButAgainAfterAnother) {
    EXPECT_EQ(FoldersToScan({"/a/", "/a/", "/b/", "/a/", "/a/"}),
              (std::vector<std::string>{"/a/", "/b/", "/a/"}));
    EXPECT_EQ(FoldersToScan({"/a/", "/A/"}), (std::vector<std::string>{"/a/", "/A/"}));
}

TEST(CliJson, StringsAreEscapedAndInvalidUtf8IsFlagged) {
    bool valid = false;
    EXPECT_EQ(JsonString("a\"b\\c\n\t\x01\x7f", &valid), "\"a\\\"b\\\\c\\n\\t\\u0001\x7f\"");
    EXPECT_TRUE(valid);
    // UTF-8 written as bytes: the Windows build would turn literal letters into code page 1252.
    const std::string utf8 = "Gr\xc3\xbc\xc3\x9f"
                             "e \xe2\x82\xac\xf0\x9d\x84\x9e";
    EXPECT_EQ(JsonString(utf8, &valid), "\"" + utf8 + "\"");
    EXPECT_TRUE(valid);
    // Which sequences are valid is the shared rule's (utf8_test); here, what an invalid byte becomes.
    EXPECT_EQ(JsonString("a\xfc"
                         "b",
                         &valid),
              "\"a\\ufffdb\"");
    EXPECT_FALSE(valid);
}

// Names are text in the system's encoding: UTF-8 bytes on Linux, code page 1252 in the Windows test
// run. "path" is UTF-8 and "path_bytes" the name's own bytes wherever the two differ; a terminal sees
// the name's letters as they are and only its control characters escaped.
TEST(CliJson, NamesAreReadInTheSystemsEncoding) {
#ifdef _WIN32
    EXPECT_EQ(JsonMember("d\\a\xfc"), "{\"path\":\"d\\\\a\xc3\xbc\",\"path_bytes\":[100,92,97,252]}");
    EXPECT_EQ(JsonMember("d\\a"), "{\"path\":\"d\\\\a\"}");
    EXPECT_EQ(TerminalText("gr\xfc\xdf\x1b[1m\x7f\t"), "gr\xfc\xdf\\033[1m\\177\\t");
#else
    EXPECT_EQ(JsonMember("/d/a\xfc"), "{\"path\":\"/d/a\\ufffd\",\"path_bytes\":[47,100,47,97,252]}");
    EXPECT_EQ(JsonMember("/d/\xc3\xbc"), "{\"path\":\"/d/\xc3\xbc\"}");
    EXPECT_EQ(TerminalText("gr\xc3\xbc\xfc\xc2\x9b\x1b"), "gr\xc3\xbc\\374\\302\\233\\033");
#endif
}

#ifndef _WIN32
// A temporary folder of its own, removed with everything in it.
class CliRun : public ::testing::Test {
  protected:
    void SetUp() override { root = fs::canonical(tree.Root()); }
    void TearDown() override {
        if (!savedFolder.empty()) fs::current_path(savedFolder);
    }

    std::string Write(const std::string& relative, const std::string& content) {
        fs::path path = root / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    // Runs the program in-process; Out and Err receive what it prints.
    int Run(std::vector<std::string> args) { return cli_runner::Run(args, out, err, terminal, output); }

    test_tree::TempTree tree;
    fs::path root;
    fs::path savedFolder;
    std::string out, err;
    bool terminal = false;       // run as if standard output were a terminal
    std::FILE* output = nullptr; // standard output, when not a file of the test's own
};

TEST_F(CliRun, PrintsTheGroupsInCatalogueOrderInAllThreeFormats) {
    std::string a = Write("d/a", "same content");
    std::string b = Write("d/b", "same content");
    Write("d/c", "same contenT"); // same size, differs in the last byte
    std::string e = Write("d/sub/e", "other words!");
    std::string f = Write("f", "other words!");
    Write("d/empty1", "");
    Write("d/empty2", "");
    std::string folder = (root / "d").string();

    ASSERT_EQ(Run({folder, root.string() + "/f-is-not-here"}), 2);
    EXPECT_EQ(out, "");

    ASSERT_EQ(Run({(root / "d").string(), root.string() + "/"}), 0) << err;
    // The folder enumeration decides the order within d; the groups follow their reference files.
    std::vector<std::string> lines;
    for (size_t at = 0, end; at < out.size(); at = end + 1) {
        end = out.find('\n', at);
        lines.push_back(out.substr(at, end - at));
    }
    ASSERT_EQ(lines.size(), 5u) << out;
    std::vector<std::string> groupAB = {lines[0], lines[1]}, groupEF = {lines[3], lines[4]};
    if (lines[0] == e || lines[1] == e) std::swap(groupAB, groupEF);
    std::sort(groupAB.begin(), groupAB.end());
    EXPECT_EQ(groupAB, (std::vector<std::string>{a, b}));
    EXPECT_EQ(groupEF[0], e); // e was catalogued with d, before the root's own files
    EXPECT_EQ(groupEF[1], f);
    EXPECT_EQ(lines[2], "");
    std::string text = out;

    ASSERT_EQ(Run({"-0", folder, root.string()}), 0);
    std::string expected = text;
    std::replace(expected.begin(), expected.end(), '\n', '\0');
    EXPECT_EQ(out, expected);

    ASSERT_EQ(Run({"--json", folder, root.string()}), 0);
    // Each member with what the search saw of it, to be checked again later.
    auto member = [](const std::string& path) {
        struct stat info;
        EXPECT_EQ(stat(path.c_str(), &info), 0);
        return "{\"path\":\"" + path + "\",\"size\":12,\"device\":" + std::to_string(info.st_dev) +
               ",\"inode\":" + std::to_string(info.st_ino) + ",\"modified\":" +
               std::to_string(int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec) + "}";
    };
    EXPECT_EQ(out, "{\"groups\":[\n[" + member(lines[0]) + "," + member(lines[1]) + "],\n[" +
                       member(lines[3]) + "," + member(lines[4]) + "]\n]}\n");

    // Nothing was deleted, and the second folder repeated the files of the first without pairing
    // any file with itself.
    for (const std::string& path : {a, b, e, f})
        EXPECT_TRUE(fs::exists(path));
}

TEST_F(CliRun, OddNamesSurviveNullAndJsonOutput) {
    std::string newline = Write("-dash/new\nline", "12345");
    std::string latin1 = Write("-dash/gr\xfc\xdf", "12345");
    savedFolder = fs::current_path();
    fs::current_path(root);

    ASSERT_EQ(Run({"-0", "--", "-dash"}), 0) << err;
    std::string first = out.substr(0, out.find('\0'));
    std::string second = out.substr(first.size() + 1, out.size() - first.size() - 2);
    EXPECT_EQ(out.size(), first.size() + second.size() + 2);
    std::vector<std::string> got = {first, second}, want = {newline, latin1};
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);

    // The file services move the current folder to the program's own: relative names are resolved
    // before they start, so the test goes back for the next run.
    fs::current_path(root);
    ASSERT_EQ(Run({"--json", "--", "-dash"}), 0);
    EXPECT_NE(out.find("new\\nline\""), std::string::npos) << out;
    EXPECT_NE(out.find("/gr\\ufffd\\ufffd\",\"path_bytes\":["), std::string::npos) << out;
    EXPECT_NE(out.find(",103,114,252,223]"), std::string::npos) << out;

    // Without "--" the name reads as an option.
    EXPECT_EQ(Run({"-dash"}), 2);
    EXPECT_NE(err.find("unknown option"), std::string::npos);
}

TEST_F(CliRun, RelativeFoldersAreTakenFromTheCurrentFolder) {
    std::string a = Write("rel/a", "xyz");
    std::string b = Write("rel/b", "xyz");
    savedFolder = fs::current_path();
    fs::current_path(root);
    ASSERT_EQ(Run({"./rel/"}), 0) << err;
    EXPECT_TRUE(out == a + "\n" + b + "\n" || out == b + "\n" + a + "\n") << out;
}

TEST_F(CliRun, MissingOrWrongFoldersStopBeforeAnySearch) {
    Write("d/a", "1");
    Write("d/b", "1");
    std::string file = Write("plain", "x");
    EXPECT_EQ(Run({(root / "d").string(), (root / "nowhere").string(), file, file + "/x", ""}), 2);
    EXPECT_EQ(out, "");
    EXPECT_NE(err.find("nowhere' does not exist"), std::string::npos) << err;
    EXPECT_NE(err.find("plain' is not a folder"), std::string::npos) << err;
    EXPECT_NE(err.find("plain/x' is not a folder"), std::string::npos) << err;
    EXPECT_NE(err.find("'' does not exist"), std::string::npos) << err;

    // No groups is a success.
    EXPECT_EQ(Run({(root / "d").string(), "--stats"}), 0);
    EXPECT_NE(out, "");
    EXPECT_NE(err.find("files catalogued:"), std::string::npos);
    EXPECT_NE(err.find("floor:"), std::string::npos);
    fs::remove(root / "d" / "b");
    EXPECT_EQ(Run({(root / "d").string()}), 0);
    EXPECT_EQ(out, "");
}

// What the search could not take in is named on standard error, and the status tells a partial search
// (3) from a whole one (0). Without a current folder a relative folder names nothing (2).
TEST_F(CliRun, LeftOutFoldersAreNamedAndTheStatusTellsAPartialSearch) {
    const std::string a = Write("t/a", "same"), b = Write("t/b", "same");
    const std::string closed = fs::path(Write("t/closed/secret", "s")).parent_path().string();
    chmod(closed.c_str(), 0);
    chmod(root.c_str(), 0755);
    test_tree::InChild(test_tree::BecomeNobody, [&] {
        EXPECT_EQ(Run({(root / "t").string()}), 3);
        EXPECT_EQ(err, "zwillingsfeger-cli: " + closed + ": Permission denied\n");
        EXPECT_TRUE(out == a + "\n" + b + "\n" || out == b + "\n" + a + "\n") << out;
    });
    const std::string gone = (root / "gone").string();
    test_tree::InChild(
        [&] {
            return mkdir(gone.c_str(), 0755) == 0 && chdir(gone.c_str()) == 0 && rmdir(gone.c_str()) == 0;
        },
        [&] {
            for (const char* folder : {".", "tmp"}) {
                EXPECT_EQ(Run({folder}), 2);
                EXPECT_NE(err.find("there is no current folder"), std::string::npos) << err;
                EXPECT_EQ(out, "");
            }
        });
}

// Folders are checked as the system sees them: a link loop is refused with the system's reason, a folder
// beyond the system's path limit is searched.
TEST_F(CliRun, ALinkLoopIsRefusedAndAFolderBeyondThePathLimitSearched) {
    fs::create_symlink("loop", root / "loop");
    EXPECT_EQ(Run({(root / "loop").string()}), 2);
    EXPECT_EQ(err,
              "zwillingsfeger-cli: '" + (root / "loop").string() + "': Too many levels of symbolic links\n");
    std::string deep = root.string();
    test_tree::InChild(
        [&] {
            const std::string name(255, 'n');
            if (chdir(root.c_str()) != 0) return false;
            for (int level = 0; level < 17; ++level, deep += "/" + name)
                if (mkdir(name.c_str(), 0755) != 0 || chdir(name.c_str()) != 0) return false;
            std::ofstream("a") << "twin";
            std::ofstream("b") << "twin";
            return chdir(root.c_str()) == 0;
        },
        [&] {
            EXPECT_EQ(Run({"-0", deep}), 0) << err;
            EXPECT_EQ(out.size(), 2 * (deep.size() + 3)) << err;
        });
}

// On a terminal names cannot move the cursor or colour the screen; into a file they stay as they are.
// Output that cannot be written is an error with its reason.
TEST_F(CliRun, NamesAreEscapedOnATerminalOnlyAndUnwrittenOutputIsAnError) {
    const std::string odd = Write("e/esc\033[31mred\nline", "xy");
    const std::string plain = Write("e/back\\slash", "xy");
    terminal = true;
    EXPECT_EQ(Run({(root / "e").string()}), 0);
    EXPECT_NE(out.find("/esc\\033[31mred\\nline\n"), std::string::npos) << out;
    EXPECT_NE(out.find("/back\\\\slash\n"), std::string::npos) << out;
    terminal = false;
    EXPECT_EQ(Run({(root / "e").string()}), 0);
    EXPECT_NE(out.find(odd + "\n"), std::string::npos);
    EXPECT_NE(out.find(plain + "\n"), std::string::npos);

    output = std::fopen("/dev/full", "w");
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(Run({"--help"}), 1);
    std::fclose(output);
    EXPECT_EQ(err, "zwillingsfeger-cli: the output could not be written: No space left on device\n");
}

// The built program itself: exit codes, standard output, and no progress line off a terminal.
TEST_F(CliRun, TheBuiltProgramRunsAsAFilter) {
    fs::path program = fs::canonical("/proc/self/exe").parent_path().parent_path() / "zwillingsfeger-cli";
    if (!fs::exists(program)) GTEST_SKIP() << "zwillingsfeger-cli is not built next to the tests";
    std::string a = Write("t/a", "abc"), b = Write("t/b", "abc");
    std::string command = "'" + program.string() + "' -- '" + (root / "t").string() + "' >'" +
                          (root / "out").string() + "' 2>'" + (root / "err").string() + "'";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::ifstream outStream(root / "out", std::ios::binary), errStream(root / "err", std::ios::binary);
    std::string printed((std::istreambuf_iterator<char>(outStream)), {});
    std::string complaints((std::istreambuf_iterator<char>(errStream)), {});
    EXPECT_TRUE(printed == a + "\n" + b + "\n" || printed == b + "\n" + a + "\n") << printed;
    EXPECT_EQ(complaints, "");

    status = std::system(("'" + program.string() + "' /nonexistent/zw 2>/dev/null").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    status = std::system(("'" + program.string() + "' --version >/dev/null").c_str());
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
#endif

} // namespace
