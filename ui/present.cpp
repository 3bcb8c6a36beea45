// Filling the three list boxes and their headings from the lists.
#include "ui/present.h"

#include "core/lists.h"
#include "platform/window_services.h"
#include "ui/controls.h"

#include <string>

namespace {

// Letters A-Z and the accented capitals 0xC0-0xDF of the 8-bit code page; UTF-8 bytes in that range
// are lead bytes, which no extension test depends on.
unsigned char LowerByte(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDF)) return static_cast<unsigned char>(c + 32);
    return c;
}

void RefreshFiles() {
    ClearRows(LstAllFiles);
    int64_t entries = 0;
    std::string row;
    // Walks the links, not the cursor: the next scan appends after wherever the cursor stands.
    for (ListLink* at = Catalogue.head; at; at = at->next) {
        const FileEntry& entry = *static_cast<FileEntry*>(at);
        row.assign(entry.Name).append(" (").append(std::to_string(entry.Size)).append(")");
        InsertRow(LstAllFiles, -1, row);
        ++entries;
    }
    SetControlText(LblAllFiles, std::string(TEXT_ALL_FILES) + " (" + std::to_string(entries) + ")");
}

void RefreshGroups() {
    ClearRows(LstGroups);
    if (!GroupList.head) {
        InsertRow(LstGroups, -1, TEXT_NO_GROUPS);
        // Counts of an earlier search would describe groups that are no longer listed.
        ShowGroupCount();
        return;
    }
    int64_t groups = 0;
    int64_t total = 0;
    std::string row;
    for (ListLink* at = GroupList.head; at; at = at->next) {
        const DuplicateGroup& group = *static_cast<DuplicateGroup*>(at);
        total += group.Count;
        ++groups;
        row = std::to_string(group.Count) + ": ";
        const ListLink* member = group.FirstMember;
        for (int32_t i = 0; i < group.Count && member; ++i, member = member->next) {
            if (i > 0) row += ", ";
            row += static_cast<const GroupMember*>(member)->Name;
        }
        InsertRow(LstGroups, -1, row);
    }
    SetControlText(LblGroups, std::string(TEXT_GROUPS) + " (" + std::to_string(groups) + " - " +
                                  std::to_string(total) + ")");
}

void RefreshMembers() {
    ClearRows(LstMembers);
    if (!GroupList.head) return;
    // No selected group (after a repeated search) means nothing to show; never guess one.
    int32_t selected = GetControlValue(LstGroups);
    if (selected < 0 || selected >= ListCount(GroupList)) return;
    ListSelect(GroupList, selected);
    const DuplicateGroup* group = GroupList.Current();
    int32_t mark = 0;
    const ListLink* member = group->FirstMember;
    for (int32_t i = 0; i < group->Count && member; ++i, member = member->next) {
        const GroupMember& m = *static_cast<const GroupMember*>(member);
        InsertRow(LstMembers, -1, FullPath(m));
        if (HasBakExtension(m.Name)) mark = i;
    }
    SetControlValue(LstMembers, mark);
}

} // namespace

void ShowGroupCount() {
    SetControlText(LblGroups, std::string(TEXT_GROUPS) + " (" + std::to_string(ListCount(GroupList)) + ")");
}

bool HasBakExtension(const std::string& name) {
    std::string::size_type dot = name.rfind('.');
    if (dot == std::string::npos || name.size() - dot - 1 != 3) return false;
    static const char bak[] = "bak";
    for (int i = 0; i < 3; ++i)
        if (LowerByte(static_cast<unsigned char>(name[dot + 1 + i])) != static_cast<unsigned char>(bak[i]))
            return false;
    return true;
}

void RefreshLists(int32_t mask) {
    if (mask == 0) {
        ClearRows(LstAllFiles);
        ClearRows(LstGroups);
        ClearRows(LstMembers);
        SetControlText(LblAllFiles, TEXT_ALL_FILES);
        SetControlText(LblGroups, TEXT_GROUPS);
        return;
    }
    if (mask & REFRESH_FILES) RefreshFiles();
    if (mask & REFRESH_GROUPS) RefreshGroups();
    if (mask & REFRESH_MEMBERS) RefreshMembers();
}
