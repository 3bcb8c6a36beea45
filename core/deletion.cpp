// Placeholder.
#include "core/deletion.h"
void DeleteMarkedMember() {}
void DeleteAllMembers() {}
