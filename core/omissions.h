// What a folder scan or a search had to leave out, and why. The command line reports every one; the
// window stays silent about them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Omission {
    std::string path;
    std::string reason;
};

inline constexpr const char* REASON_VANISHED = "vanished";
inline constexpr const char* REASON_CHANGED = "changed during the search";

// Notes Path as left out for the reason the file services gave for their last failure on this thread.
void NoteFailure(std::vector<Omission>& list, const std::string& path);
// The reason to note for a failure of the file services, told by its kind and the system's words.
std::string FailureReason(int32_t failure, const std::string& text);
