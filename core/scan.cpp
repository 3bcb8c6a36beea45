// The folder scan: walks a folder tree depth first, one enumeration slot per level, and appends one
// catalogue entry per file in the order the enumerations hand them out.
#include "core/scan.h"

#include "core/lists.h"
#include "core/omissions.h"
#include "platform/file_services.h"

namespace {

// Links are never handed out, so a walk cannot loop; this bound only keeps a pathologically deep
// tree from exhausting the stack. Deeper folders are passed over like unreadable ones.
constexpr int32_t MAX_DEPTH = 4096;

std::string JoinName(const std::string& folder, const std::string& name) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path.append(folder).push_back(PATH_SEPARATOR);
    path.append(name);
    return path;
}

void AppendEntry(const SharedText& folder, std::string name, int64_t size) {
    // Additions append only while the cursor is on the last element.
    ListSetCurrent(Catalogue, static_cast<FileEntry*>(Catalogue.tail));
    FileEntry* entry = ListAdd(Catalogue);
    entry->Size = size;
    entry->Folder = folder;
    entry->Name = std::move(name);
    entry->Grouped = false;
}

} // namespace

void ScanFolder(const std::string& folder, const std::string& pattern, int32_t depth) {
    if (depth < 0) return;
    std::string base = folder;
    if (EndsWithSeparator(base)) base.pop_back();
    if (depth > MAX_DEPTH) {
        ScanOmissions.push_back({base, "deeper than " + std::to_string(MAX_DEPTH) + " folders"});
        return;
    }
    // One string for all entries of this folder, made when its first file turns up.
    SharedText shared;

    if (!StartEnumeration(depth, base, pattern) && LastFailure() != FAILURE_NONE) {
        NoteFailure(ScanOmissions, base);
        return;
    }
    for (;;) {
        EntryKind kind = NextEntry();
        if (kind == ENTRY_END) {
            // The listing broke off: the rest of this folder was not seen.
            if (LastFailure() != FAILURE_NONE) NoteFailure(ScanOmissions, base);
            break;
        }
        std::string name = EntryName();
        if (kind == ENTRY_FOLDER) {
            if (name == "." || name == "..") continue;
            ScanFolder(JoinName(base, name), pattern, depth + 1);
            // The nested walk made its own slot current.
            SelectEnumeration(depth);
        } else if (kind == ENTRY_FILE) {
            if (!shared) shared = SharedText(base);
            AppendEntry(shared, std::move(name), EntrySize());
        } else if (kind == ENTRY_UNREADABLE) {
            NoteFailure(ScanOmissions, JoinName(base, name));
        }
    }
}
