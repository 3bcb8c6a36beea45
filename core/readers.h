// A pool of reader threads. The search hands them sets of equal-size files to search and the stretches of
// one step to read, the scan the folders to list, and each waits for what it needs next; a thread that
// waits for a job no reader has taken yet runs it itself. The pool starts with a thread for each further
// processor and adds threads while jobs wait on a slow disk (a first search of a folder, its cache cold),
// as a disk serves many requests at once. Nothing here decides anything: every job's result is applied by
// the thread that handed it out, in the order it would have met it alone.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

struct ReaderJob {
    std::function<void()> work;
    // Jobs of one kind other than 0 are short and independent of each other: a thread waiting for one
    // runs the others meanwhile (listing folders ahead, reading stretches ahead) instead of idling.
    int32_t kind = 0;
    std::atomic<int32_t> state{0}; // 0 waiting, 1 running, 2 done
    std::chrono::steady_clock::time_point queued;
};

// Starts the pool: Threads reader threads besides the calling one, or, for 0, as many as suit the machine,
// more added while the disk is slow. No pool (every job runs when it is awaited) for Threads 1. One pool at
// a time, started and stopped by the thread that owns the window.
void StartReaders(int32_t threads);
// What MostReaders() will be once StartReaders(Threads) has run.
int32_t PlannedReaders(int32_t threads);
// Runs what is left and ends the threads.
void StopReaders();
// The processors of this machine (at least 1).
int32_t Processors();
// The number of reader threads running (0 without a pool).
int32_t ReaderThreads();
// The largest reader index there can be while this pool runs: readers are numbered 1 ... that, the thread
// that started the pool is 0.
int32_t MostReaders();
// This thread's index: 0 for the thread that started the pool (and every thread without a pool).
int32_t ReaderIndex();
// Hands Job to the readers; without reader threads it runs when it is awaited. First: before the jobs
// already waiting (a walk that goes deep first wants its newest folders first).
void Submit(ReaderJob& job, bool first = false);
// Tells the pool how long a read took on this thread, and the most it takes from the cache: reads that
// waited on the disk add threads.
void NoteReadTime(std::chrono::steady_clock::duration took, std::chrono::steady_clock::duration cached);
// Returns once Job has run; runs it on this thread when no reader has taken it yet. WhileWaiting, if
// given, is called now and then while a reader runs it (the search moves its bars there).
void Await(ReaderJob& job, const std::function<void()>& whileWaiting = {});
