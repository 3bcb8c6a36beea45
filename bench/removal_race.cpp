// How often a removal loses a file that another program saves onto the marked name meanwhile (an editor's
// atomic save: write a new file, rename it onto the name), for the removal by name after a check and for
// the held removal the window uses. Prints one line per way: saves, losses.
//
//   removal_race [ROUNDS]      (default 3000; the saver waits 0 to 60 microseconds after the removal begins)
#include "core/deletion.h"
#include "core/lists.h"
#include "platform/file_services.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The group {kept, marked} as a search leaves it.
DuplicateGroup* MakeGroup(const fs::path& folder) {
    ListClear(GroupList);
    ListClear(MemberList);
    DuplicateGroup* group = ListAdd(GroupList);
    for (const char* name : {"kept", "marked"}) {
        GroupMember* member = ListAdd(MemberList);
        member->Folder = SharedText(folder.string());
        member->Name = name;
        OpenForReading(1, FullPath(*member));
        OpenedFileStamp(&member->Seen);
        CloseFileSlot(1);
        if (!group->FirstMember) group->FirstMember = member;
        ++group->Count;
    }
    return group;
}

// The way the window removed a file before: the file and its copy checked through their own opens, then
// the name removed.
bool RemoveByNameAfterCheck(const GroupMember& marked, const GroupMember& copy) {
    FileStamp now;
    bool same = OpenForReading(1, FullPath(marked)) && OpenedFileStamp(&now) && now == marked.Seen;
    CloseFileSlot(1);
    same = same && OpenForReading(2, FullPath(copy)) && OpenedFileStamp(&now) && now == copy.Seen;
    CloseFileSlot(2);
    return same && RemoveFile(FullPath(marked));
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3000;
    InitFileServices();
    const fs::path folder = fs::temp_directory_path() / ("zw-race-" + std::to_string(getpid()));
    fs::create_directories(folder);
    std::mt19937 random(42);
    for (int way = 0; way < 2; ++way) {
        int saves = 0, losses = 0, removed = 0;
        for (int round = 0; round < rounds; ++round) {
            Write(folder / "kept", "Inhalt");
            Write(folder / "marked", "Inhalt");
            DuplicateGroup* group = MakeGroup(folder);
            GroupMember* kept = static_cast<GroupMember*>(group->FirstMember);
            GroupMember* marked = static_cast<GroupMember*>(kept->next);
            const auto delay = std::chrono::microseconds(random() % 61);
            std::atomic<bool> begun{false};
            std::thread saver([&] {
                while (!begun.load()) {
                }
                const auto until = std::chrono::steady_clock::now() + delay;
                while (std::chrono::steady_clock::now() < until) {
                }
                Write(folder / "marked.new", "gerade gespeichert");
                fs::rename(folder / "marked.new", folder / "marked");
            });
            begun.store(true);
            const bool done = way == 0 ? RemoveByNameAfterCheck(*marked, *kept)
                                       : DeleteMemberFile(*group, *marked, true).result == DELETION_DONE;
            saver.join();
            ++saves;
            removed += done ? 1 : 0;
            // The saved file must be under the name now, whatever the removal did.
            if (Read(folder / "marked") != "gerade gespeichert") ++losses;
            for (const auto& item : fs::directory_iterator(folder))
                fs::remove(item.path());
        }
        std::printf("%s: %d saves, %d saved files lost, %d removals reported done\n",
                    way == 0 ? "removal by name after the check" : "held removal", saves, losses, removed);
    }
    fs::remove_all(folder);
    ListClear(GroupList);
    ListClear(MemberList);
    return 0;
}
