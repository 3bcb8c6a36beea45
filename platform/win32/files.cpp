// Placeholder: replaced by the real backend.
#include "platform/file_services.h"
const char PATH_SEPARATOR = '\\';
void InitFileServices() {}
const std::string& ProgramFolder() { static std::string s; return s; }
int32_t StartEnumeration(int32_t, const std::string&, const std::string&) { return 0; }
EntryKind NextEntry() { return ENTRY_END; }
std::string EntryName() { return {}; }
int64_t EntrySize() { return 0; }
void SelectEnumeration(int32_t) {}
FileHandle OpenForReading(int32_t, const std::string&) { return 0; }
void SelectFile(int32_t) {}
int32_t ReadInt32() { return 0; }
int32_t ReadInt8() { return 0; }
void CloseFileSlot(int32_t) {}
int32_t RemoveFile(const std::string&) { return 0; }
int64_t ReadBlock(void*, int64_t) { return -1; }
int32_t SeekFile(int64_t) { return 0; }
int32_t CurrentFileIdentity(FileIdentity*) { return 0; }
