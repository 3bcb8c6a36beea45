// The reasons noted for what the scans and the search left out.
#include "core/omissions.h"

#include "platform/file_services.h"

std::string FailureReason(int32_t failure, const std::string& text) {
    // A file or folder that is no longer there was listed a moment before: it vanished.
    return failure == FAILURE_MISSING ? REASON_VANISHED : text;
}

void NoteFailure(std::vector<Omission>& list, const std::string& path) {
    list.push_back({path, FailureReason(LastFailure(), LastFailureText())});
}
