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
    const std::string& folder = EntryFolder(entry);
    std::string path;
    path.reserve(folder.size() + 1 + entry.Name.size());
    path.append(folder).push_back(PATH_SEPARATOR);
    path.append(entry.Name);
    return path;
}

std::string FullPath(const GroupMember& member) {
    std::string path;
    path.reserve(member.Folder->size() + 1 + member.Name.size());
    path.append(*member.Folder).push_back(PATH_SEPARATOR);
    path.append(member.Name);
    return path;
}
