// Filling the three list boxes and their headings from the lists.
#pragma once

#include <cstdint>
#include <string>

constexpr int32_t REFRESH_FILES = 1;
constexpr int32_t REFRESH_GROUPS = 2;
constexpr int32_t REFRESH_MEMBERS = 4;

// Mask 0 clears all three list boxes and resets both headings; the bits rebuild their views in the
// order 1, 2, 4.
void RefreshLists(int32_t mask);

// Sets LblGroups to the plain number of groups, without the member total.
void ShowGroupCount();

// True when the extension of Name (the text after its last '.') lower-cases to "bak".
bool HasBakExtension(const std::string& name);
