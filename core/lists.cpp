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

void JoinPathInto(const std::string& folder, std::string_view name, std::string& path) {
    path.reserve(folder.size() + 1 + name.size());
    path.assign(folder).push_back(PATH_SEPARATOR);
    path.append(name);
}

std::string JoinPath(const std::string& folder, std::string_view name) {
    std::string path;
    JoinPathInto(folder, name, path);
    return path;
}

std::string FullPath(const FileEntry& entry) {
    return JoinPath(EntryFolder(entry), entry.Name);
}

void FullPathInto(const FileEntry& entry, std::string& path) {
    JoinPathInto(EntryFolder(entry), entry.Name, path);
}

std::string FullPath(const GroupMember& member) {
    return JoinPath(*member.Folder, member.Name);
}
