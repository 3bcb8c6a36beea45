// Sorting a step's blocks so that equal ones stand together.
#include "core/block_order.h"

#include <algorithm>
#include <cstring>

uint64_t BlockHash(const unsigned char* data, size_t length) {
    // Four words at a time in four lanes that do not wait for each other, then folded into one.
    constexpr uint64_t K = 0x9E3779B97F4A7C15ull;
    uint64_t lanes[4] = {0x243F6A8885A308D3ull ^ length, 0x13198A2E03707344ull, 0xA4093822299F31D0ull,
                         0x082EFA98EC4E6C89ull};
    size_t at = 0;
    for (; at + 32 <= length; at += 32)
        for (int lane = 0; lane < 4; ++lane) {
            uint64_t word;
            std::memcpy(&word, data + at + 8 * lane, 8);
            lanes[lane] = (lanes[lane] ^ word) * K;
            lanes[lane] ^= lanes[lane] >> 29;
        }
    uint64_t hash = lanes[0];
    for (int lane = 1; lane < 4; ++lane)
        hash = (hash ^ lanes[lane]) * K;
    for (; at + 8 <= length; at += 8) {
        uint64_t word;
        std::memcpy(&word, data + at, 8);
        hash = (hash ^ word) * K;
        hash ^= hash >> 29;
    }
    for (; at < length; ++at)
        hash = (hash ^ data[at]) * 0x100000001B3ull;
    return hash ^ (hash >> 32);
}

int64_t CommonPrefix(const unsigned char* a, const unsigned char* b, int64_t length) {
    // Whole chunks by memcmp first: blocks of one size set often share long prefixes.
    constexpr int64_t chunk = 256;
    int64_t common = 0;
    while (common + chunk <= length && std::memcmp(a + common, b + common, chunk) == 0)
        common += chunk;
    while (common < length && a[common] == b[common])
        ++common;
    return common;
}

// Sorts blocks by content as memcmp orders them, equal blocks in their given order, and gives for each
// place in the order the length of the prefix its block shares with the one before. Blocks of one size
// set often differ only near their ends, where a sort by memcmp would compare whole blocks again and
// again: here each range is split against its first block by where and how the others first differ
// from it, and only blocks that differ at the same byte in the same way are looked at again, from there.
void SortBlocks(const std::vector<const unsigned char*>& blocks, size_t length, std::vector<size_t>& order,
                std::vector<int64_t>& shared) {
    struct Range {
        size_t begin, end;
        size_t start; // the blocks of the range agree on [0, start)
        int depth;
    };
    struct Key {
        int side; // 0 before the first block, 1 equal to it, 2 after it
        size_t at;
        unsigned char byte;
        size_t block;
    };
    const size_t count = blocks.size();
    order.resize(count);
    shared.assign(count, 0);
    for (size_t i = 0; i < count; ++i)
        order[i] = i;
    std::vector<Range> ranges{{0, count, 0, 0}};
    std::vector<Key> keys;
    while (!ranges.empty()) {
        const Range range = ranges.back();
        ranges.pop_back();
        if (range.end - range.begin < 2) continue;
        const size_t rest = length - range.start;
        auto first = order.begin() + static_cast<std::ptrdiff_t>(range.begin);
        auto last = order.begin() + static_cast<std::ptrdiff_t>(range.end);
        // Blocks that keep splitting one at a time are sorted the plain way.
        if (range.depth >= 32) {
            std::stable_sort(first, last, [&](size_t x, size_t y) {
                return std::memcmp(blocks[x] + range.start, blocks[y] + range.start, rest) < 0;
            });
            for (size_t k = range.begin + 1; k < range.end; ++k)
                shared[k] =
                    int64_t(range.start) + CommonPrefix(blocks[order[k - 1]] + range.start,
                                                        blocks[order[k]] + range.start, int64_t(rest));
            continue;
        }
        const unsigned char* reference = blocks[order[range.begin]];
        keys.clear();
        for (auto it = first; it != last; ++it) {
            const unsigned char* block = blocks[*it];
            const size_t at = range.start + size_t(CommonPrefix(block + range.start, reference + range.start,
                                                                int64_t(rest)));
            if (at == length)
                keys.push_back({1, at, 0, *it});
            else
                keys.push_back({block[at] < reference[at] ? 0 : 2, at, block[at], *it});
        }
        // Below the reference, a block that leaves it earlier comes first; above it, later.
        std::stable_sort(keys.begin(), keys.end(), [](const Key& x, const Key& y) {
            if (x.side != y.side) return x.side < y.side;
            if (x.at != y.at) return x.side == 0 ? x.at < y.at : x.at > y.at;
            return x.byte < y.byte;
        });
        size_t k = range.begin;
        for (size_t g = 0; g < keys.size();) {
            size_t h = g + 1;
            while (h < keys.size() && keys[h].side == keys[g].side && keys[h].at == keys[g].at &&
                   keys[h].byte == keys[g].byte)
                ++h;
            if (g > 0) shared[k] = int64_t(std::min(keys[g - 1].at, keys[g].at));
            for (size_t i = g; i < h; ++i, ++k) {
                order[k] = keys[i].block;
                if (i > g) shared[k] = int64_t(keys[g].at == length ? length : keys[g].at + 1);
            }
            if (keys[g].side != 1 && h - g >= 2)
                ranges.push_back({k - (h - g), k, keys[g].at + 1, range.depth + 1});
            g = h;
        }
    }
}
