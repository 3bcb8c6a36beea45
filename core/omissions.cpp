// The lists of what the scans and the search left out.
#include "core/omissions.h"

#include "platform/file_services.h"

std::vector<Omission> ScanOmissions;
std::vector<Omission> SearchOmissions;

void NoteFailure(std::vector<Omission>& list, const std::string& path) {
    // A file or folder that is no longer there was listed a moment before: it vanished.
    list.push_back({path, LastFailure() == FAILURE_MISSING ? REASON_VANISHED : LastFailureText()});
}
