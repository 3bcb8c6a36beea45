// The reads of a size set's step handed to the reader threads, a few files a job, and taken back in
// member order, judged as reading them one after another on the searching thread would judge them.
#include "core/set_reads.h"

#include "core/block_order.h"
#include "core/readers.h"
#include "core/search_tuning.h"
#include "core/set_files.h"

#include <algorithm>
#include <deque>

namespace {

// One file's read of a step, handed to a reader: the open if it was closed, the read, and what they told.
struct StretchRead {
    int32_t m = 0;
    int32_t slot = 0;
    const FileEntry* entry = nullptr;
    Stretch stretch;
    int64_t wanted = 0; // bytes asked for
    unsigned char* block = nullptr;
    OpenRead result;
    size_t job = 0;         // the job of the step's reads that reads it
    bool performed = false; // read already, before its job was handed out
};

// The reads of one step, handed to the readers a few files a job, so that handing them out costs little
// beside the reading.
struct StepReads {
    std::deque<StretchRead> reads;
    std::deque<ReaderJob> jobs;
};

// The readers' job kind of a stretch read: each reads its own slot into its own block.
constexpr int32_t STRETCH_READ = 2;

// The reads of the step being handed to the readers; a file closed while its read is out waits for it.
thread_local StepReads* stepReads = nullptr;

// Runs on a reader: the open, if the file was closed, and the read.
void Perform(StretchRead& read) {
    PerformRead(read.result, read.slot, *read.entry, read.stretch, read.wanted, read.block);
}

// Takes back a read from the readers and judges it as ReadOne would have.
ReadOutcome Apply(SizeSet& set, StretchRead& read) {
    const int32_t m = read.m;
    set.files[m].pending = -1;
    if (read.result.open && !read.result.opened) {
        if (set.files[m].slot == read.slot) {
            set.files[m].slot = 0;
            Unlink(set, m);
            --set.openCount;
            set.worker->freeSlots.push_back(read.slot);
        }
        // Out of handles on a reader: tried once more here, where room can be made.
        if (read.result.failure == FAILURE_NO_HANDLES) return ReadOne(set, m, read.stretch, read.block);
    }
    return Judge(set, m, read.result, read.stretch);
}

// While a set's reads wait on the disk, the thread that shows the progress keeps showing it, and keeps
// asking whether to stop.
std::function<void()> WhileReadsWait(SizeSet& set) {
    if (!set.setProgress.shows) return nullptr;
    return [&set] { ShowOverall(*set.progress); };
}

} // namespace

void AwaitPendingRead(SizeSet& set, int32_t m) {
    SetFile& file = set.files[m];
    if (file.pending < 0 || !stepReads) return;
    StretchRead& read = stepReads->reads[size_t(file.pending)];
    // Its job may not be handed out yet: then it is read here, and its job passes it over.
    if (read.job < stepReads->jobs.size()) {
        Await(stepReads->jobs[read.job], WhileReadsWait(set));
    } else if (!read.performed) {
        Perform(read);
        read.performed = true;
    }
}

void ReadStretches(SizeSet& set, const std::vector<int32_t>& members, Stretch stretch,
                   const std::vector<unsigned char*>& blocks, std::vector<ReadOutcome>& outcomes) {
    outcomes.resize(members.size());
    const int64_t wanted = Wanted(set, stretch);
    const SearchTuning& tuning = CurrentSearchTuning();
    if (MostReaders() == 0 || (int64_t(members.size()) < tuning.batchFiles &&
                               wanted * int64_t(members.size()) < tuning.batchBytes)) {
        for (size_t i = 0; i < members.size(); ++i)
            outcomes[i] = ReadOne(set, members[i], stretch, blocks[i]);
        return;
    }
    StepReads step;
    StepReads* outer = stepReads;
    stepReads = &step;
    // A job reads files worth a quarter mebibyte, at most sixteen.
    const size_t perJob = size_t(std::clamp<int64_t>(256 * 1024 / std::max<int64_t>(wanted, 1), 1, 16));
    size_t first = 0;
    for (size_t i = 0; i < members.size(); ++i) {
        const int32_t m = members[i];
        SetFile& file = set.files[m];
        if (const auto& hook = CurrentSearchTuning().beforeRead) hook(FullPath(*file.entry));
        StretchRead& read = step.reads.emplace_back();
        read.m = m;
        read.entry = file.entry;
        read.stretch = stretch;
        read.wanted = wanted;
        read.block = blocks[i];
        read.job = step.jobs.size();
        if (file.slot == 0) {
            read.result.open = true;
            GiveSlot(set, m, TakeSlot(set));
        } else {
            Unlink(set, m);
            LinkFront(set, m);
        }
        read.slot = file.slot;
        file.pending = static_cast<int32_t>(i);
        if (i + 1 - first < perJob && i + 1 < members.size()) continue;
        ReaderJob& job = step.jobs.emplace_back();
        // The reads by address: the deque's index changes as reads are added while the job runs.
        std::vector<StretchRead*> group;
        for (size_t r = first; r <= i; ++r)
            group.push_back(&step.reads[r]);
        job.work = [group = std::move(group)] {
            for (StretchRead* read : group)
                if (!read->performed) Perform(*read);
        };
        job.kind = STRETCH_READ;
        // Before the searching threads still waiting for a reader: this set's thread waits for it.
        Submit(job, true);
        first = i + 1;
    }
    for (size_t i = 0; i < step.reads.size(); ++i) {
        Await(step.jobs[step.reads[i].job], WhileReadsWait(set));
        outcomes[i] = Apply(set, step.reads[i]);
    }
    stepReads = outer;
}

namespace {

// One file's read and hash of a step that only hashes: the file is opened, read and closed on a reader.
struct HashRead {
    int32_t m = 0;
    const FileEntry* entry = nullptr;
    OpenRead result;
    uint64_t hash = 0;
};

// A few files' reads, through one slot that the job opens them in, one after another.
struct HashJob {
    size_t first = 0, last = 0;
    int32_t slot = 0;
    ReaderJob job;
};

void PerformHash(HashRead& read, int32_t slot, Stretch stretch, int64_t wanted,
                 std::vector<unsigned char>& buffer) {
    read.result.open = true;
    PerformRead(read.result, slot, *read.entry, stretch, wanted, buffer.data());
    if (read.result.got >= 0) read.hash = BlockHash(buffer.data(), size_t(stretch.to - stretch.from));
    CloseFileSlot(slot);
}

} // namespace

void HashStretches(SizeSet& set, const std::vector<int32_t>& members, Stretch stretch,
                   std::vector<ReadOutcome>& outcomes, std::vector<uint64_t>& hashes) {
    outcomes.resize(members.size());
    hashes.resize(members.size());
    const int64_t wanted = Wanted(set, stretch);
    const SearchTuning& tuning = CurrentSearchTuning();
    if (MostReaders() == 0 || int64_t(members.size()) < tuning.batchFiles) {
        std::vector<unsigned char*> block{ArenaOf(set, size_t(wanted))};
        for (size_t i = 0; i < members.size(); ++i) {
            outcomes[i] = ReadOne(set, members[i], stretch, block[0]);
            if (outcomes[i] == ReadOutcome::Read)
                hashes[i] = BlockHash(block[0], size_t(stretch.to - stretch.from));
        }
        return;
    }
    // Jobs in flight at once, each with a slot and a buffer of its own, their buffers within the set's budget
    // where it allows two.
    const size_t inFlight = size_t(std::clamp<int64_t>(set.budget / std::max<int64_t>(wanted, 1), 2, 32));
    std::deque<HashJob> jobs;
    std::vector<std::vector<unsigned char>> buffers;
    buffers.reserve(inFlight); // the jobs hold on to their buffers
    const size_t perJob = size_t(std::clamp<int64_t>(256 * 1024 / std::max<int64_t>(wanted, 1), 1, 16));
    // The reads of the jobs in flight, a ring: a set of a million files holds a few hundred, not a million.
    std::vector<HashRead> reads(std::min(members.size(), inFlight * perJob));
    size_t submitted = 0, applied = 0;
    auto apply = [&](HashJob& job) {
        Await(job.job, WhileReadsWait(set));
        set.worker->freeSlots.push_back(job.slot);
        for (size_t r = job.first; r < job.last; ++r, ++applied) {
            HashRead& read = reads[r % reads.size()];
            const int32_t m = read.m;
            if (!read.result.opened && read.result.failure == FAILURE_NO_HANDLES) {
                // Out of handles on a reader: read here, where room can be made.
                unsigned char* block = ArenaOf(set, size_t(wanted));
                outcomes[r] = ReadOne(set, m, stretch, block);
                if (outcomes[r] == ReadOutcome::Read)
                    hashes[r] = BlockHash(block, size_t(stretch.to - stretch.from));
                continue;
            }
            outcomes[r] = Judge(set, m, read.result, stretch);
            hashes[r] = read.hash;
        }
    };
    size_t end = members.size();
    while (applied < end) {
        // A stopped search reads no further files; the reads in flight are still awaited.
        if (submitted < end && set.progress->stopped.load()) {
            for (size_t r = submitted; r < end; ++r)
                outcomes[r] = ReadOutcome::Failed;
            end = submitted;
            continue;
        }
        // A job needs a slot: a free one, or one a file of this set holds; else the oldest job gives its
        // back.
        const bool slot = !set.worker->freeSlots.empty() || set.leastRecent >= 0;
        if (submitted < end && jobs.size() < inFlight && (slot || jobs.empty())) {
            HashJob& job = jobs.emplace_back();
            job.first = submitted;
            job.last = std::min(members.size(), submitted + perJob);
            for (size_t r = job.first; r < job.last; ++r) {
                const int32_t m = members[r];
                SetFile& file = set.files[m];
                if (const auto& hook = tuning.beforeRead) hook(FullPath(*file.entry));
                // Read through the job's own slot: one held open here is closed first, and opened there
                // again as the file its first open found.
                Close(set, m);
                HashRead& read = reads[r % reads.size()];
                read = HashRead{};
                read.m = m;
                read.entry = file.entry;
            }
            job.slot = TakeSlot(set);
            if (buffers.size() < inFlight) buffers.emplace_back(size_t(wanted));
            job.job.work = [&reads, &job, stretch, wanted,
                            &buffer = buffers[(job.first / perJob) % inFlight]] {
                for (size_t r = job.first; r < job.last; ++r)
                    PerformHash(reads[r % reads.size()], job.slot, stretch, wanted, buffer);
            };
            job.job.kind = STRETCH_READ;
            Submit(job.job, true);
            submitted = job.last;
            continue;
        }
        apply(jobs.front());
        jobs.pop_front();
    }
}
