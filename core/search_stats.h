// What a search did, counted for the command line's --stats.
#pragma once

#include <cstdint>

struct SearchStats {
    int64_t filesCatalogued = 0;
    int64_t candidateFiles = 0; // non-empty files that share their size with another entry
    int64_t candidateBytes = 0; // their sizes added up
    int64_t bytesRead = 0;      // what the search read from disk
    int64_t floorBytes = 0;     // grouped files read whole, every other candidate until it was unique
    int64_t groups = 0;
    int64_t groupedFiles = 0;
};
