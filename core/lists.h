// The program's state: three ordered lists with a cursor, and their records.
#pragma once

#include "core/compact_name.h"
#include "platform/file_services.h"

#include <cstdint>
#include <string>
#include <utility>

// Every record carries its own links, so an element never moves and a pointer to it stays valid
// until that very element is deleted (groups point at their first member).
struct ListLink {
    ListLink* prev = nullptr;
    ListLink* next = nullptr;
};

// A doubly linked sequence in insertion order with a cursor on one element or on none.
template <typename T> struct OrderedList {
    ListLink* head = nullptr;
    ListLink* tail = nullptr;
    ListLink* current = nullptr;

    OrderedList() = default;
    OrderedList(const OrderedList&) = delete;
    OrderedList& operator=(const OrderedList&) = delete;
    ~OrderedList() { ListClear(*this); }

    // The current element, or nullptr when the cursor is on no element.
    T* Current() const { return static_cast<T*>(current); }
};

// Inserts a new zero-filled element after the current one (at the head when there is none) and
// makes it current.
template <typename T> T* ListAdd(OrderedList<T>& list) {
    T* element = new T();
    ListLink* after = list.current;
    element->prev = after;
    element->next = after ? after->next : list.head;
    if (element->next)
        element->next->prev = element;
    else
        list.tail = element;
    if (after)
        after->next = element;
    else
        list.head = element;
    list.current = element;
    return element;
}

// Moves the cursor to the first element (from none) or to the successor. On the last element or on an
// empty list the cursor stays. True when it moved onto an element.
template <typename T> bool ListNext(OrderedList<T>& list) {
    ListLink* next = list.current ? list.current->next : list.head;
    if (!next) return false;
    list.current = next;
    return true;
}

template <typename T> void ListReset(OrderedList<T>& list) {
    list.current = nullptr;
}

// -1 gives no element; an index past the end gives the last element.
template <typename T> void ListSelect(OrderedList<T>& list, int64_t index) {
    list.current = nullptr;
    if (index < 0) return;
    ListLink* at = list.head;
    for (int64_t i = 0; at && at->next && i < index; ++i)
        at = at->next;
    list.current = at;
}

template <typename T> void ListSetCurrent(OrderedList<T>& list, T* element) {
    list.current = element;
}

template <typename T> int64_t ListCount(const OrderedList<T>& list) {
    int64_t count = 0;
    for (ListLink* at = list.head; at; at = at->next)
        ++count;
    return count;
}

// Removes the current element; the cursor goes to its predecessor, or to the new head when it was the
// head, or to none when the list became empty.
template <typename T> void ListDelete(OrderedList<T>& list) {
    ListLink* gone = list.current;
    if (!gone) return;
    if (gone->prev)
        gone->prev->next = gone->next;
    else
        list.head = gone->next;
    if (gone->next)
        gone->next->prev = gone->prev;
    else
        list.tail = gone->prev;
    list.current = gone->prev ? gone->prev : list.head;
    delete static_cast<T*>(gone);
}

template <typename T> void ListClear(OrderedList<T>& list) {
    ListLink* at = list.head;
    while (at) {
        ListLink* next = at->next;
        delete static_cast<T*>(at);
        at = next;
    }
    list.head = list.tail = list.current = nullptr;
}

// A read-only text shared by many records. Folder texts are shared by all entries of one folder and by
// the group members made from them, so a catalogue of a million files holds each folder's path once.
// One pointer wide, with a plain count: the lists are only ever used from the program's one thread.
class SharedText {
  public:
    SharedText() = default;
    explicit SharedText(std::string text) : block_(new Block{std::move(text), 1}) {}
    SharedText(const SharedText& other) : block_(other.block_) {
        if (block_) ++block_->references;
    }
    SharedText(SharedText&& other) noexcept : block_(other.block_) { other.block_ = nullptr; }
    SharedText& operator=(SharedText other) noexcept {
        std::swap(block_, other.block_);
        return *this;
    }
    ~SharedText() {
        if (block_ && --block_->references == 0) delete block_;
    }

    // An empty text when none was given.
    const std::string& operator*() const { return block_ ? block_->text : Empty(); }
    const std::string* operator->() const { return &**this; }
    explicit operator bool() const { return block_ != nullptr; }
    // True when both are the very same text; equal texts made apart compare unequal.
    bool SameAs(const SharedText& other) const { return block_ == other.block_; }

  private:
    struct Block {
        std::string text;
        size_t references;
    };
    static const std::string& Empty();
    Block* block_ = nullptr;
};

struct FileEntry : ListLink {
    int64_t Size = 0;  // the whole size; files of 2 GiB and more are searched like any other
    SharedText Folder; // without a trailing separator
    CompactName Name;
    bool Grouped = false;
};

struct GroupMember : ListLink {
    SharedText Folder;
    std::string Name;
    FileStamp Seen; // the file as the search saw it; a deletion checks that it still is
};

struct DuplicateGroup : ListLink {
    int32_t Count = 0;
    GroupMember* FirstMember = nullptr;
};

extern OrderedList<FileEntry> Catalogue;
extern OrderedList<DuplicateGroup> GroupList;
extern OrderedList<GroupMember> MemberList;

// Folder, the separator and Name: how every path is made from a folder and a name in it.
std::string JoinPath(const std::string& folder, std::string_view name);
// The same into Path, in the room it has already.
void JoinPathInto(const std::string& folder, std::string_view name, std::string& path);

const std::string& EntryFolder(const FileEntry& entry);
std::string FullPath(const FileEntry& entry);
// The same into Path, in the room it has already.
void FullPathInto(const FileEntry& entry, std::string& path);
std::string FullPath(const GroupMember& member);
