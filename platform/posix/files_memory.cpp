// Room for large read blocks, mapped from the system and unmapped whole when given back.
#include "platform/file_services.h"

#include <sys/mman.h>

void* TakeReadRoom(size_t bytes) {
    void* room = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return room == MAP_FAILED ? nullptr : room;
}

void GiveBackReadRoom(void* room, size_t bytes) {
    if (room) munmap(room, bytes);
}
