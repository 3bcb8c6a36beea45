// The folder scan: walks a folder tree depth first and appends one catalogue entry per file in the order
// the folders' listings give them. Alone it walks with one enumeration slot per level; with reader
// threads they list folders ahead of the walk, which takes their listings in the same order.
#include "core/scan.h"

#include "core/lists.h"
#include "core/name_glob.h"
#include "core/omissions.h"
#include "core/readers.h"
#include "platform/file_services.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

namespace {

// Links are never handed out, so a walk cannot loop; this bound only keeps a pathologically deep
// tree from exhausting the stack. Deeper folders are passed over like unreadable ones.
constexpr int32_t MAX_DEPTH = 4096;

void AppendEntry(const SharedText& folder, std::string_view name, int64_t size) {
    // Additions append only while the cursor is on the last element.
    ListSetCurrent(Catalogue, static_cast<FileEntry*>(Catalogue.tail));
    FileEntry* entry = ListAdd(Catalogue);
    entry->Size = size;
    entry->Folder = folder;
    entry->Name = name;
    entry->Grouped = false;
}

// Whether the request's patterns leave out an entry of this name.
bool Excluded(const ScanRequest& request, std::string_view name) {
    for (const std::string& pattern : request.exclude)
        if (NameMatches(pattern, name)) return true;
    return false;
}

// Whether the request leaves out a file of this name and size, or a folder of this name, counted in Result.
bool LeftOut(const ScanRequest& request, EntryKind kind, std::string_view name, int64_t size,
             ScanResult& result) {
    if (kind == ENTRY_FILE && (size < request.minSize || size > request.maxSize)) {
        ++result.filesBySize;
        return true;
    }
    if (kind == ENTRY_UNREADABLE || !Excluded(request, name)) return false;
    ++(kind == ENTRY_FILE ? result.filesByName : result.foldersByName);
    return true;
}

// The readers' job kind of a folder listing.
constexpr int32_t LISTING = 1;

std::string TooDeep() {
    return "deeper than " + std::to_string(MAX_DEPTH) + " folders";
}

// One folder's listing, made by a reader, and the listings of its subfolders, which the reader hands
// to the readers as soon as it knows them, the first subfolder first.
struct Listing {
    std::string folder;
    int32_t depth = 0;
    int32_t listed = 0; // ListFolder's result
    int32_t failure = FAILURE_NONE;
    std::string failureText;
    FolderListing found;
    std::vector<std::unique_ptr<Listing>> subfolders; // one for each folder entry walked into
    const ScanRequest* request = nullptr;
    uint64_t device = 0; // the top folder's
    ReaderJob job;
    const std::atomic<bool>* cancelled = nullptr; // the walk's: once set, listings not begun are not made
    bool otherDevice = false;                     // on another file system than the top folder, not listed
};

// Whether Folder, below the top folder, lies on another file system than Device and is to be left out.
bool OnOtherDevice(const ScanRequest& request, uint64_t device, const std::string& folder) {
    uint64_t own = 0;
    return request.oneFileSystem && FolderDevice(folder, &own) && own != device;
}

void List(Listing& listing) {
    if (listing.cancelled->load()) return;
    if (listing.depth > 0 && OnOtherDevice(*listing.request, listing.device, listing.folder)) {
        listing.otherDevice = true;
        return;
    }
    const auto started = std::chrono::steady_clock::now();
    listing.listed = ListFolder(listing.folder, listing.depth, &listing.found);
    listing.failure = LastFailure();
    if (listing.failure != FAILURE_NONE) listing.failureText = LastFailureText();
    // From the cache a listing takes microseconds an entry.
    NoteReadTime(std::chrono::steady_clock::now() - started,
                 std::chrono::microseconds(40) +
                     std::chrono::microseconds(5) * int64_t(listing.found.entries.size()));
    if (listing.depth >= MAX_DEPTH) return;
    for (const ListedEntry& entry : listing.found.entries)
        if (entry.kind == ENTRY_FOLDER && !Excluded(*listing.request, ListedName(listing.found, entry))) {
            auto sub = std::make_unique<Listing>();
            sub->folder = JoinPath(listing.folder, ListedName(listing.found, entry));
            sub->depth = listing.depth + 1;
            sub->request = listing.request;
            sub->device = listing.device;
            sub->cancelled = listing.cancelled;
            Listing* made = sub.get();
            made->job.work = [made] { List(*made); };
            made->job.kind = LISTING;
            listing.subfolders.push_back(std::move(sub));
        }
    for (auto sub = listing.subfolders.rbegin(); sub != listing.subfolders.rend(); ++sub)
        Submit((*sub)->job, true);
}

// The walk over listings made ahead: the same entries, omissions and order as the walk alone.
void WalkListings(const std::string& base, const ScanRequest& request, uint64_t device, ScanResult& result) {
    std::atomic<bool> cancelled{false};
    Listing root;
    root.folder = base;
    root.request = &request;
    root.device = device;
    root.cancelled = &cancelled;
    root.job.work = [&root] { List(root); };
    root.job.kind = LISTING;
    Submit(root.job);
    // The folders being walked, each with the entry it has come to and its next subfolder.
    struct Place {
        Listing* listing;
        size_t entry = 0;
        size_t subfolder = 0;
        SharedText shared;
    };
    std::vector<Place> walk{Place{&root, 0, 0, {}}};
    Await(root.job);
    if (!root.listed) {
        result.omissions.push_back({base, FailureReason(root.failure, root.failureText)});
        return;
    }
    for (uint32_t steps = 0; !walk.empty(); ++steps) {
        if (steps % 256 == 0 && StopRequested(request.stop)) {
            // The readers finish the listings they hold before the tree they write into goes.
            cancelled.store(true);
            StopReaders();
            result.stopped = true;
            return;
        }
        Place& place = walk.back();
        Listing& listing = *place.listing;
        if (place.entry == listing.found.entries.size()) {
            // The listing broke off: the rest of this folder was not seen.
            if (listing.failure != FAILURE_NONE)
                result.omissions.push_back(
                    {listing.folder, FailureReason(listing.failure, listing.failureText)});
            walk.pop_back();
            // The subtree is done with; its parent holds nothing of it any longer.
            if (!walk.empty()) walk.back().listing->subfolders[walk.back().subfolder - 1].reset();
            continue;
        }
        const ListedEntry& entry = listing.found.entries[place.entry++];
        const std::string_view name = ListedName(listing.found, entry);
        if (LeftOut(request, entry.kind, name, entry.size, result)) continue;
        if (entry.kind == ENTRY_FILE) {
            if (!place.shared) place.shared = SharedText(listing.folder);
            AppendEntry(place.shared, name, entry.size);
        } else if (entry.kind == ENTRY_UNREADABLE) {
            result.omissions.push_back(
                {JoinPath(listing.folder, name),
                 FailureReason(entry.failure, std::string(ListedFailureText(listing.found, entry)))});
        } else if (listing.depth >= MAX_DEPTH) {
            result.omissions.push_back({JoinPath(listing.folder, name), TooDeep()});
        } else {
            Listing& sub = *listing.subfolders[place.subfolder++];
            Await(sub.job);
            if (sub.otherDevice)
                ++result.foldersByDevice;
            else if (sub.listed)
                walk.push_back(Place{&sub, 0, 0, {}});
            else
                result.omissions.push_back({sub.folder, FailureReason(sub.failure, sub.failureText)});
        }
    }
}

} // namespace

namespace {

void Scan(const std::string& folder, const std::string& pattern, int32_t depth, const ScanRequest& request,
          uint64_t device, ScanResult& result, bool top) {
    if (depth < 0) return;
    std::string base = folder;
    if (EndsWithSeparator(base)) base.pop_back();
    if (!top && OnOtherDevice(request, device, base)) {
        ++result.foldersByDevice;
        return;
    }
    if (depth > MAX_DEPTH) {
        result.omissions.push_back({base, TooDeep()});
        return;
    }
    if (depth == 0 && request.readers != 1 && (pattern.empty() || pattern == "*.*")) {
        StartReaders(request.readers);
        WalkListings(base, request, device, result);
        StopReaders();
        return;
    }
    // One string for all entries of this folder, made when its first file turns up.
    SharedText shared;

    if (!StartEnumeration(depth, base, pattern) && LastFailure() != FAILURE_NONE) {
        NoteFailure(result.omissions, base);
        return;
    }
    for (uint32_t steps = 0; !result.stopped; ++steps) {
        if (steps % 256 == 0 && StopRequested(request.stop)) {
            result.stopped = true;
            break;
        }
        EntryKind kind = NextEntry();
        if (kind == ENTRY_END) {
            // The listing broke off: the rest of this folder was not seen.
            if (LastFailure() != FAILURE_NONE) NoteFailure(result.omissions, base);
            break;
        }
        std::string name = EntryName();
        if (kind == ENTRY_FOLDER && (name == "." || name == "..")) continue;
        if (LeftOut(request, kind, name, kind == ENTRY_FILE ? EntrySize() : 0, result)) continue;
        if (kind == ENTRY_FOLDER) {
            Scan(JoinPath(base, name), pattern, depth + 1, request, device, result, false);
            // The nested walk made its own slot current.
            SelectEnumeration(depth);
        } else if (kind == ENTRY_FILE) {
            if (!shared) shared = SharedText(base);
            AppendEntry(shared, name, EntrySize());
        } else if (kind == ENTRY_UNREADABLE) {
            NoteFailure(result.omissions, JoinPath(base, name));
        }
    }
}

} // namespace

ScanResult ScanFolder(const std::string& folder, const std::string& pattern, int32_t depth,
                      const ScanRequest& request) {
    ScanResult result;
    // The top folder's file system; where it cannot be told, nothing is left out for its device.
    uint64_t device = 0;
    ScanRequest own = request;
    own.oneFileSystem = request.oneFileSystem && FolderDevice(folder, &device);
    Scan(folder, pattern, depth, own, device, result, true);
    return result;
}
