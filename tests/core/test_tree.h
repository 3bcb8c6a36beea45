// Temporary trees of real folders and files for tests, on both builds. Paths are the raw bytes the
// program itself uses (on Windows the ANSI code page), never re-encoded.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace test_tree {

// A fresh folder under the system's temporary folder (or under Under), removed with everything in it
// at the end of scope; links are removed, never followed. Something left behind fails the test.
class TempTree {
  public:
    explicit TempTree(const std::string& under = {});
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The folder itself, without a trailing separator.
    const std::string& Root() const { return root_; }
    // Root, separator and Relative, in which '/' stands for the platform's separator.
    std::string Path(std::string_view relative) const;
    // Create below Root and return the full path; a failure fails the running test. A sparse file
    // occupies (almost) no disk space.
    std::string AddFolder(std::string_view relative) const;
    std::string AddFile(std::string_view relative, std::string_view bytes = {}) const;
    std::string AddSparseFile(std::string_view relative, uint64_t size) const;

  private:
    std::string root_;
};

#ifndef _WIN32
// Runs Check in a child process after Prepare (dropping privileges, changing the root or the current
// folder). The child prints its own failures; they fail the test here through its exit status.
void InChild(const std::function<bool()>& prepare, const std::function<void()>& check);
// Prepares a child to act as an ordinary user (nobody), where the test runs as root.
bool BecomeNobody();
#endif

} // namespace test_tree
