// Content comparison of one pair: both files are read in lock step, in blocks, in the order of the
// search's ReadPlan, and compared with memcmp.
#include "core/compare.h"

#include "core/search_support.h"
#include "platform/file_services.h"
#include "ui/controls.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

struct OpenFile {
    int32_t slot;
    int64_t offset = 0;
};

// Reads Stretch into Buffer. At the end of the file one byte more is asked for, so that a file that
// has grown since it was catalogued is noticed; a file that has shrunk delivers too little.
bool ReadStretch(OpenFile& file, Stretch stretch, int64_t size, unsigned char* buffer) {
    SelectFile(file.slot);
    if (file.offset != stretch.from) {
        if (!SeekFile(stretch.from)) return false;
        file.offset = stretch.from;
    }
    int64_t length = stretch.to - stretch.from;
    int64_t got = ReadBlock(buffer, length + (stretch.to == size ? 1 : 0));
    if (got > 0) file.offset += got;
    return got == length;
}

// One file reached by two paths (a file catalogued twice, or a hard link) is no pair of duplicates.
bool SameFile(const std::string& pathA, const std::string& pathB) {
    if (pathA == pathB) return true;
    FileStamp a, b;
    SelectFile(1);
    if (!OpenedFileStamp(&a)) return false;
    SelectFile(2);
    if (!OpenedFileStamp(&b)) return false;
    return a.identity == b.identity;
}

int32_t ComparePair(int64_t size) {
    const bool large = size >= LARGE_FILE_THRESHOLD;
    // After an equal pair the bar rests where a walk in 4-byte units would leave it: at the start of
    // the last unit, in per cent.
    const int32_t equalEnd = large ? static_cast<int32_t>(((size - 1) / 4 * 4 + 1) * 100 / size) : 0;
    BarPainter bar(BarFile);
    OpenFile a{1}, b{2};
    ReadPlan plan(size);
    std::vector<unsigned char> bufferA, bufferB;
    int64_t compared = 0;
    const int64_t cap = std::max<int64_t>(CurrentSearchTuning().middleBlockMax, 1);
    while (!plan.Done()) {
        Stretch stretch = plan.Next(cap);
        int64_t length = stretch.to - stretch.from;
        bufferA.resize(static_cast<size_t>(length) + 1);
        bufferB.resize(static_cast<size_t>(length) + 1);
        bool equal = ReadStretch(a, stretch, size, bufferA.data()) &&
                     ReadStretch(b, stretch, size, bufferB.data()) &&
                     std::memcmp(bufferA.data(), bufferB.data(), static_cast<size_t>(length)) == 0;
        if (!equal) {
            if (large) bar.Show(100);
            return 0;
        }
        compared += length;
        if (large) bar.Show(static_cast<int32_t>(std::min<int64_t>(compared * 100 / size, equalEnd)));
    }
    return 1;
}

} // namespace

int32_t SameContent(int32_t slotA, int32_t slotB, int64_t size) {
    constexpr int64_t block = 1024 * 1024;
    OpenFile a{slotA}, b{slotB};
    std::vector<unsigned char> bufferA(static_cast<size_t>(std::min(size, block)) + 1);
    std::vector<unsigned char> bufferB(bufferA.size());
    for (int64_t from = 0; from < size || from == 0; from += block) {
        const Stretch stretch{from, std::min(size, from + block)};
        if (!ReadStretch(a, stretch, size, bufferA.data()) ||
            !ReadStretch(b, stretch, size, bufferB.data()) ||
            std::memcmp(bufferA.data(), bufferB.data(), static_cast<size_t>(stretch.to - from)) != 0)
            return 0;
        if (stretch.to == size) break;
    }
    return 1;
}

int32_t CompareFiles(const std::string& pathA, const std::string& pathB, int64_t size) {
    if (size < 0) return 0;
    if (!OpenForReading(1, pathA)) return 0;
    if (!OpenForReading(2, pathB)) {
        CloseFileSlot(1);
        return 0;
    }
    int32_t result = SameFile(pathA, pathB) ? 0 : ComparePair(size);
    CloseFileSlot(2);
    CloseFileSlot(1);
    return result;
}
