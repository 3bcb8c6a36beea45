// Content comparison of one pair: both files are read in lock step, in blocks, in the order of the
// search's ReadPlan, and compared with memcmp; and the quiet comparison of two open files that the
// deletion uses.
#include "core/compare.h"

#include "core/reading.h"
#include "core/same_file.h"
#include "core/search_tuning.h"
#include "platform/file_services.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// One file reached by two paths (a file catalogued twice, or a hard link) is no pair of duplicates.
bool SameFile(const std::string& pathA, const std::string& pathB) {
    if (pathA == pathB) return true;
    FileStamp a, b;
    SelectFile(1);
    if (!OpenedFileStamp(&a)) return false;
    SelectFile(2);
    if (!OpenedFileStamp(&b)) return false;
    return SameFileOnDisk(a, b);
}

// Both stretches read exactly and equal.
bool SameStretch(SlotFile& a, SlotFile& b, Stretch stretch, int64_t size, std::vector<unsigned char>& bufferA,
                 std::vector<unsigned char>& bufferB) {
    const int64_t length = stretch.to - stretch.from;
    bufferA.resize(static_cast<size_t>(length) + 1);
    bufferB.resize(static_cast<size_t>(length) + 1);
    return ReadStretch(a, stretch, size, bufferA.data()) == length &&
           ReadStretch(b, stretch, size, bufferB.data()) == length &&
           std::memcmp(bufferA.data(), bufferB.data(), static_cast<size_t>(length)) == 0;
}

int32_t ComparePair(int64_t size, const ProgressSink& progress) {
    const bool large = size >= LARGE_FILE_THRESHOLD;
    // After an equal pair the bar rests where a walk in 4-byte units would leave it: at the start of
    // the last unit, in per cent.
    const int32_t equalEnd = large ? static_cast<int32_t>(((size - 1) / 4 * 4 + 1) * 100 / size) : 0;
    SlotFile a{1}, b{2};
    ReadPlan plan = PlanFor(size);
    std::vector<unsigned char> bufferA, bufferB;
    int64_t compared = 0;
    const int64_t cap = std::max<int64_t>(CurrentSearchTuning().middleBlockMax, 1);
    while (!PlanDone(plan)) {
        const Stretch stretch = NextStretch(plan, cap);
        if (!SameStretch(a, b, stretch, size, bufferA, bufferB)) {
            if (large) ShowProgress(progress, METER_FILE, 100);
            return 0;
        }
        compared += stretch.to - stretch.from;
        if (large)
            ShowProgress(progress, METER_FILE,
                         static_cast<int32_t>(std::min<int64_t>(compared * 100 / size, equalEnd)));
    }
    return 1;
}

} // namespace

int32_t SameContent(int32_t slotA, int32_t slotB, int64_t size) {
    constexpr int64_t block = 1024 * 1024;
    SlotFile a{slotA}, b{slotB};
    std::vector<unsigned char> bufferA, bufferB;
    for (int64_t from = 0;; from += block) {
        const Stretch stretch{from, std::min(size, from + block)};
        if (!SameStretch(a, b, stretch, size, bufferA, bufferB)) return 0;
        if (stretch.to == size) return 1;
    }
}

int32_t CompareFiles(const std::string& pathA, const std::string& pathB, int64_t size,
                     const ProgressSink& progress) {
    if (size < 0) return 0;
    if (!OpenForReading(1, pathA)) return 0;
    if (!OpenForReading(2, pathB)) {
        CloseFileSlot(1);
        return 0;
    }
    int32_t result = SameFile(pathA, pathB) ? 0 : ComparePair(size, progress);
    CloseFileSlot(2);
    CloseFileSlot(1);
    return result;
}
