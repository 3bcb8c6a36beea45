// Content comparison of two files of one catalogued size.
#pragma once

#include "core/progress.h"

#include <cstdint>
#include <string>

constexpr int64_t LARGE_FILE_THRESHOLD = 4096;

// 1 when both files could be opened, are not one file on disk, and deliver the same Size bytes;
// 0 otherwise. Moves METER_FILE as the pair is compared (files of at least LARGE_FILE_THRESHOLD bytes):
// it ends at 100 after a difference and at the last unit's start in per cent after an equal pair.
int32_t CompareFiles(const std::string& pathA, const std::string& pathB, int64_t size,
                     const ProgressSink& progress = {});

// 1 when the files open in file slots SlotA and SlotB (positioned at their start) both hold exactly Size
// bytes and those are equal; 0 otherwise. Quiet: no meter moves.
int32_t SameContent(int32_t slotA, int32_t slotB, int64_t size);
