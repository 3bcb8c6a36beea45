// The three lists and the full path of an entry or a member.
#include "core/lists.h"

#include "platform/file_services.h"

OrderedList<FileEntry> Catalogue;
OrderedList<DuplicateGroup> GroupList;
OrderedList<GroupMember> MemberList;

const std::string& SharedText::Empty() {
    static const std::string empty;
    return empty;
}

const std::string& EntryFolder(const FileEntry& entry) {
    return *entry.Folder;
}

std::string FullPath(const FileEntry& entry) {
    std::string path;
    path.reserve(EntryFolder(entry).size() + 1 + entry.Name.size());
    FullPathInto(entry, path);
    return path;
}

void FullPathInto(const FileEntry& entry, std::string& path) {
    path.assign(EntryFolder(entry)).push_back(PATH_SEPARATOR);
    path.append(entry.Name);
}

std::string FullPath(const GroupMember& member) {
    std::string path;
    path.reserve(member.Folder->size() + 1 + member.Name.size());
    path.append(*member.Folder).push_back(PATH_SEPARATOR);
    path.append(member.Name);
    return path;
}
