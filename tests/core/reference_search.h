// The pairwise loops of the search written out plainly, unit by unit through ReadInt32 / ReadInt8,
// with three amendments: a file whose length is not its catalogued size never matches, two entries
// that are one file on disk never pair (the later one takes no part at all), and sizes are whole.
// Tests hold the real search against it.
#pragma once

#include <cstdint>
#include <string>

int32_t ReferenceCompareFiles(const std::string& pathA, const std::string& pathB, int64_t size);
void ReferenceFindDuplicates();
