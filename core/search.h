// The duplicate search: turns the Catalogue into duplicate groups.
#pragma once

#include "core/omissions.h"
#include "core/progress.h"
#include "core/search_stats.h"

#include <cstdint>
#include <vector>

struct SearchRequest {
    int32_t readers = 0; // reading threads: 0 chosen by itself, 1 reads on the calling thread alone
    ProgressSink progress;
    StopCheck stop = {}; // when it says stop, no further set is started and the result is partial
};

struct SearchResult {
    SearchStats stats;
    std::vector<Omission> omissions; // files that changed or could not be read, in the sets' order
    bool stopped = false;            // ended early on request: the groups are those of the sets searched
};

// Replaces GroupList and MemberList with the groups of identical files of the Catalogue, in the order
// of their reference files; moves both meters while it runs and ends them at 0 (METER_FILE only when
// the catalogue holds a file).
SearchResult FindDuplicates(const SearchRequest& request = {});
