// Temporary trees of real folders and files for tests, on both builds. Paths are the raw bytes the
// program itself uses (on Windows the ANSI code page), never re-encoded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace test_tree {

// Creates one folder (its parent must exist). False on failure.
bool MakeFolder(const std::string& path);
// Creates or replaces a file holding exactly Bytes.
bool MakeFile(const std::string& path, std::string_view bytes = {});
// Creates or replaces a file of Size bytes that occupies (almost) no disk space.
bool MakeSparseFile(const std::string& path, uint64_t size);
// Removes a folder with everything in it, or a single file. Links are removed, never followed;
// read-only files and folders closed to their owner are opened up first.
void RemoveTree(const std::string& path);
// Folder + separator + Name.
std::string Join(const std::string& folder, std::string_view name);

// A fresh folder under the system's temporary folder (or under Under, when given), removed with its
// contents at the end of scope.
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
    // Create below Root and return the full path; a failure fails the running test.
    std::string AddFolder(std::string_view relative) const;
    std::string AddFile(std::string_view relative, std::string_view bytes = {}) const;
    std::string AddSparseFile(std::string_view relative, uint64_t size) const;

  private:
    std::string root_;
};

} // namespace test_tree
