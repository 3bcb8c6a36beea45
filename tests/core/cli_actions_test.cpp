// The command line's actions over real trees: each action and keep rule, protected folders, refusals of
// files changed between the search and the action, and random trees changed meanwhile that lose nothing.
#include "app/cli_actions.h"
#include "cli_runner.h"
#include "core/deletion.h"
#include "test_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), {}};
}

// Every file below Root by its path relative to Root, with its content.
std::map<std::string, std::string> Contents(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).generic_string()] = Read(entry.path());
    return files;
}

std::set<std::string> Values(const std::map<std::string, std::string>& files) {
    std::set<std::string> values;
    for (const auto& [path, content] : files)
        values.insert(content);
    return values;
}

class CliActions : public ::testing::Test {
  protected:
    void TearDown() override { BeforeActionsHook = nullptr; }

    void Clear() {
        for (const auto& entry : fs::directory_iterator(tree.Root()))
            fs::remove_all(entry.path());
    }

    std::string Write(const std::string& relative, const std::string& content, int year = 0) {
        fs::create_directories(fs::path(tree.Path(relative)).parent_path());
        const std::string path = tree.AddFile(relative, content);
        if (year)
            fs::last_write_time(path, fs::file_time_type::clock::now() -
                                          std::chrono::hours(24 * 365 * (2030 - year)));
        return path;
    }
    int Run(std::vector<std::string> args) { return cli_runner::Run(args, out, err); }
    size_t Lines(const std::string& text, const std::string& start) {
        size_t count = 0;
        for (size_t at = 0; (at = text.find(start, at)) != std::string::npos; ++at)
            count += at == 0 || text[at - 1] == '\n';
        return count;
    }

    test_tree::TempTree tree;
    std::string out, err;
};

// Group A: d/a (oldest), d/b, p/c (protected), d/e (newest); group X wholly under p; group M two files.
TEST_F(CliActions, EachActionAndKeepRuleFreesExactlyTheSurplusCopies) {
    const std::string A(3000, 'a'), X = "xx", M = "mm";
    const struct {
        std::vector<std::string> args;
        std::set<std::string> keptOfA; // empty: any one
        size_t lines;                  // lines of the action run
        bool linked, protects, changes;
    } cases[] = {
        {{"--delete", "--keep", "oldest"}, {"d/a"}, 5, false, false, true},
        {{"--delete", "--keep=newest", "--protect", "p"}, {"p/c"}, 4, false, true, true},
        {{"--delete"}, {}, 5, false, false, true},
        {{"--link", "--keep", "newest"}, {"d/e"}, 5, true, false, true},
        {{"--link", "--dry-run", "-0"}, {}, 5, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + c.args.back());
        Clear();
        Write("d/a", A, 2001);
        Write("d/b", A, 2010);
        Write("p/c", A, 2015);
        Write("d/e", A, 2020);
        Write("p/x", X);
        Write("p/y", X);
        Write("d/m", M);
        Write("d/n", M);
        Write("d/u", "unique");
        const auto before = Contents(tree.Root());
        std::vector<std::string> args = c.args;
        for (std::string& arg : args)
            if (arg == "p") arg = tree.Path("p");
        args.push_back(tree.Root());
        ASSERT_EQ(Run(args), 0) << err;
        const auto after = Contents(tree.Root());
        EXPECT_EQ(Values(after), Values(before));
        EXPECT_EQ(Lines(out, c.args.front() == "--delete" ? "deleted " : "linked "), c.changes ? c.lines : 0)
            << out;
        EXPECT_NE(err.find(c.changes ? " bytes freed" : " bytes would be freed"), std::string::npos) << err;
        if (!c.changes) {
            EXPECT_EQ(after, before);
            EXPECT_EQ(std::count(out.begin(), out.end(), '\0'), 5 * 4) << "word, path, =>, kept";
            continue;
        }
        std::set<std::string> ofA;
        for (const auto& [path, content] : after)
            if (content == A) ofA.insert(path);
        if (c.linked) {
            EXPECT_EQ(ofA.size(), 4u);
            for (const std::string& path : ofA)
                EXPECT_TRUE(fs::equivalent(tree.Path(path), tree.Path(*c.keptOfA.begin()))) << path;
        } else {
            EXPECT_EQ(ofA.size(), 1u);
            EXPECT_TRUE(c.keptOfA.empty() || ofA == c.keptOfA);
            EXPECT_EQ(after.count("p/x") + after.count("p/y"), c.protects ? 2u : 1u);
        }
    }
}

// Changes a file as another program would, with bytes of the same length: rewritten in place a tick
// later, removed, or replaced by a rename. False when the system refused.
bool ChangeFile(const test_tree::TempTree& tree, const std::string& path, int change) {
    std::error_code failed;
    std::string bytes = Read(path);
    for (char& c : bytes)
        c = char(c ^ 0x55);
    if (change == 0) {
        std::fstream(path, std::ios::binary | std::ios::in | std::ios::out)
            .write(bytes.data(), std::streamsize(bytes.size()));
        fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(1), failed);
    } else if (change == 1) {
        fs::remove(path, failed);
    } else {
        fs::rename(tree.AddFile("renamed-in", bytes), path, failed);
    }
    return !failed;
}

// A copy changed, removed or replaced after the search is refused with its own line and exit 3; the
// other copies go on, and nothing that was there when the actions began is lost.
TEST_F(CliActions, FilesChangedBetweenTheSearchAndTheActionAreRefusedAndNothingIsLost) {
    for (const char* action : {"--delete", "--link"}) {
        Clear();
        const std::string A(5000, 'a');
        Write("p/kept", A);
        std::vector<std::string> copies;
        for (const char* name : {"d/rewritten", "d/removed", "d/renamed", "d/fine"})
            copies.push_back(Write(name, A));
        std::map<std::string, std::string> present;
        static std::function<void()> hook;
        hook = [&] {
            for (int change = 0; change < 3; ++change)
                ASSERT_TRUE(ChangeFile(tree, copies[size_t(change)], change));
            present = Contents(tree.Root());
        };
        BeforeActionsHook = [] { hook(); };
        EXPECT_EQ(Run({action, "--protect", tree.Path("p"), tree.Root()}), 3) << action;
        for (int change = 0; change < 3; ++change)
            EXPECT_NE(err.find(copies[size_t(change)] + ": changed since the search\n"), std::string::npos)
                << err;
        EXPECT_EQ(Lines(out, std::string(action + 2) == "delete" ? "deleted " : "linked "), 1u) << out;
        EXPECT_EQ(Values(Contents(tree.Root())), Values(present)) << action;
    }
}

// Random trees of a few contents, acted on while files change between the search and the action: a
// thousand changes in all, and every content present when the actions began is present after them.
#ifndef _WIN32
// (On Windows the held copy's name cannot be taken until it is gone.)
// Another program saving a file onto the copy's name after the checks (an editor's atomic save) keeps it:
// --delete removes only the copy it held and checked, --link puts its link under the name only while the
// name is free, and otherwise leaves the copy under its hidden name and says where.
std::string SavedOnto;
void SaveOntoCopy(const GroupMember&) {
    std::ofstream(SavedOnto + ".new", std::ios::binary) << "gerade gespeichert";
    fs::rename(SavedOnto + ".new", SavedOnto);
}

TEST_F(CliActions, AFileSavedOntoTheCopysNameMeanwhileIsKept) {
    for (const char* action : {"--delete", "--link"}) {
        Clear();
        Write("kept", "Inhalt");
        SavedOnto = Write("copy", "Inhalt");
        BeforeRemovalHook = SaveOntoCopy;
        const int status = Run({action, tree.Root()});
        BeforeRemovalHook = nullptr;
        std::ifstream saved(SavedOnto, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}), "gerade gespeichert") << action;
        EXPECT_EQ(Values(Contents(tree.Root())), (std::set<std::string>{"Inhalt", "gerade gespeichert"}))
            << action;
        if (std::string(action) == "--link") {
            EXPECT_EQ(status, 3);
            EXPECT_NE(err.find("it stands at " + tree.Root() + "/.zwillingsfeger-"), std::string::npos)
                << err;
        }
    }
}
#endif

TEST_F(CliActions, RandomTreesChangedMeanwhileLoseNothing) {
    std::mt19937 random(21);
    int changes = 0, refused = 0;
    for (int round = 0; changes < 1000; ++round) {
        Clear();
        std::vector<std::string> paths;
        for (int i = 0; i < 30; ++i) {
            const int kind = int(random() % 5);
            paths.push_back(Write("f" + std::to_string(random() % 3) + "/" + std::to_string(i),
                                  std::string(100 + kind % 2, char('a' + kind))));
        }
        std::map<std::string, std::string> present;
        static std::function<void()> hook;
        hook = [&] {
            for (int i = 0; i < 20; ++i) {
                const std::string& path = paths[random() % paths.size()];
                if (fs::exists(path) && ChangeFile(tree, path, int(random() % 3))) ++changes;
            }
            present = Contents(tree.Root());
        };
        BeforeActionsHook = [] { hook(); };
        const char* action = random() % 2 ? "--delete" : "--link";
        const char* keep = std::vector<const char*>{"first", "oldest", "newest"}[random() % 3];
        const int code = Run({action, "--keep", keep, "--protect", tree.Path("f0"), tree.Root()});
        EXPECT_TRUE(code == 0 || code == 3) << err;
        refused += int(Lines(err, "zwillingsfeger-cli: " + tree.Root()));
        const std::set<std::string> now = Values(Contents(tree.Root())), then = Values(present);
        EXPECT_TRUE(std::includes(now.begin(), now.end(), then.begin(), then.end())) << "round " << round;
        if (HasFailure()) break;
    }
    std::printf("%d changes between search and action, %d refusals, 0 losses\n", changes, refused);
}

#ifndef _WIN32
// A copy on another file system cannot become a link to the kept file: refused, and left as it was.
TEST_F(CliActions, ALinkAcrossFileSystemsIsRefused) {
    test_tree::TempTree other("/dev/shm");
    struct stat here, there;
    if (stat(tree.Root().c_str(), &here) != 0 || stat(other.Root().c_str(), &there) != 0 ||
        here.st_dev == there.st_dev)
        GTEST_SKIP() << "/dev/shm is no other file system here";
    Write("kept", "same bytes");
    const std::string copy = other.AddFile("copy", "same bytes");
    EXPECT_EQ(Run({"--link", tree.Root(), other.Root()}), 3);
    EXPECT_NE(err.find(copy + ": Invalid cross-device link\n"), std::string::npos) << err;
    EXPECT_EQ(Read(copy), "same bytes");
    EXPECT_EQ(out, "");
}

// On XFS the copies come to share the kept file's storage, with the bytes the system shared reported;
// where no such file system can be made (not root, no mkfs.xfs, no loop devices) the test says so.
TEST_F(CliActions, AReflinkSharesStorageOnXfs) {
    const std::string image = tree.Path("xfs.img"), mount = tree.AddFolder("mnt");
    const std::string make = "truncate -s 300M '" + image + "' && mkfs.xfs -q '" + image +
                             "' 2>/dev/null && mount -o loop '" + image + "' '" + mount + "' 2>/dev/null";
    if (geteuid() != 0 || std::system(make.c_str()) != 0)
        GTEST_SKIP() << "no XFS loop mount here (needs root and xfsprogs)";
    std::string bytes(3 << 20, '\0');
    std::mt19937 random(7);
    for (char& c : bytes)
        c = char(random());
    for (const char* name : {"mnt/kept", "mnt/copy1", "mnt/copy2"})
        Write(name, bytes);
    Write("mnt/near", bytes.substr(1) + "x");
    const int code = Run({"--reflink", mount});
    const std::string output = out, complaints = err;
    EXPECT_EQ(std::system(("umount '" + mount + "'").c_str()), 0);
    EXPECT_EQ(code, 0) << complaints;
    EXPECT_EQ(Lines(output, "reflinked "), 2u) << output;
    EXPECT_NE(complaints.find("2 files, " + std::to_string(2 * bytes.size()) + " bytes shared"),
              std::string::npos)
        << complaints;
}
#endif

} // namespace
