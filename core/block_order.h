// The order of a step's blocks: a fast hash that tells blocks apart, the length of the prefix two blocks
// share, and the sort that brings equal blocks together. Pure: no file is touched here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A fast 64-bit hash of a block. It only tells blocks apart: equal hashes prove nothing and are always
// followed by a comparison of the bytes.
uint64_t BlockHash(const unsigned char* data, size_t length);

// How many of the first Length bytes of A and B agree.
int64_t CommonPrefix(const unsigned char* a, const unsigned char* b, int64_t length);

// Sorts blocks of Length bytes by content as memcmp orders them, equal blocks in their given order: Order
// gets the blocks' indexes in that order and Shared, for each place, the length of the prefix its block
// shares with the one before (Shared[0] is 0). Equal blocks are the runs where Shared equals Length.
// For the blocks "abx", "aby", "abx": Order 0 2 1, Shared 0 3 2.
void SortBlocks(const std::vector<const unsigned char*>& blocks, size_t length, std::vector<size_t>& order,
                std::vector<int64_t>& shared);
