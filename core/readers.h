// A small pool of reader threads. The search hands them the reading of whole sets of equal-size files and
// of the stretches of one step, and waits for what it needs next; a thread that waits for a job no reader
// has taken yet runs it itself. Nothing here decides anything: every job's result is applied by the thread
// that handed it out, in the order it would have read it alone.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

struct ReaderJob {
    std::function<void()> work;
    std::atomic<int32_t> state{0}; // 0 waiting, 1 running, 2 done
};

// Starts Count reader threads besides the calling one (none for Count below 1). One pool at a time.
void StartReaders(int32_t count);
// Runs what is left and ends the threads.
void StopReaders();
// The number of reader threads running (0 without a pool).
int32_t ReaderThreads();
// Hands Job to the readers; without reader threads it runs when it is awaited.
void Submit(ReaderJob& job);
// Returns once Job has run; runs it on this thread when no reader has taken it yet. WhileWaiting, if
// given, is called now and then while a reader runs it (the search moves its bars there).
void Await(ReaderJob& job, const std::function<void()>& whileWaiting = {});
// The thread count chosen by itself: reading waits on the disk far more than on the processors, and a disk
// serves many requests at once.
int32_t DefaultReaders();
