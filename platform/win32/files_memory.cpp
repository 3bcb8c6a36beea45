// Room for large read blocks, committed from the system and released whole when given back.
#include "platform/file_services.h"

#include <windows.h>

void* TakeReadRoom(size_t bytes) {
    return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void GiveBackReadRoom(void* room, size_t) {
    if (room) VirtualFree(room, 0, MEM_RELEASE);
}
