// The reads of a size set's step: on the searching thread, or handed to the reader threads where that
// pays, and judged in member order as reading them one after another would judge them.
#pragma once

#include "core/reading.h"
#include "core/size_set.h"

#include <cstdint>
#include <vector>

// Reads Stretch of each file of Members into its block of Blocks (each one byte longer than the stretch),
// opening files again that were closed. Outcomes gets each file's outcome in member order: Failed (noted
// as left out) when it cannot be read or is no longer the file its first open found, SameFile when it is
// an earlier entry's file under another name.
void ReadStretches(SizeSet& set, const std::vector<int32_t>& members, Stretch stretch,
                   const std::vector<unsigned char*>& blocks, std::vector<ReadOutcome>& outcomes);
// Reads Stretch of each file of Members and hashes it (BlockHash), each file opened and closed again on
// the reader that reads it; Outcomes and Hashes get each file's result in member order, as ReadStretches
// would give them.
void HashStretches(SizeSet& set, const std::vector<int32_t>& members, Stretch stretch,
                   std::vector<ReadOutcome>& outcomes, std::vector<uint64_t>& hashes);
// Waits for the read of file M handed to the readers in the step being read.
void AwaitPendingRead(SizeSet& set, int32_t m);
