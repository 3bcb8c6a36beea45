// The reader threads: one queue; a job is run by whoever claims it first. A new thread is added whenever
// most of the last reads waited long on the disk: on a warm cache a read takes microseconds (a thread the
// system set aside for a moment makes one read look slow, not most) and the pool stays as small as the
// machine; on a cold disk reads wait milliseconds and it grows.
#include "core/readers.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Enough requests in flight to keep a disk busy. Each thread holds the set it searches: a first search of
// 100,000 files took as long with 16 as with 32 and peaked 2.6 MiB lower.
constexpr int32_t MOST_THREADS = 16;
// The pool looks at reads in rounds.
constexpr int32_t ROUND = 64;

struct Pool {
    std::mutex lock;
    std::condition_variable work; // a job was queued, or the pool ends
    std::condition_variable done; // a job has run
    std::deque<ReaderJob*> queue;
    std::vector<std::thread> threads;
    std::atomic<int32_t> most{0};  // the pool may grow to this many threads
    std::atomic<int32_t> reads{0}; // in this round
    std::atomic<int32_t> slowReads{0};
    bool ending = false;
};

Pool pool;
thread_local int32_t readerIndex = 0;

// Claims the job: only one thread runs it.
bool Claim(ReaderJob& job) {
    int32_t waiting = 0;
    return job.state.compare_exchange_strong(waiting, 1);
}

void Finish(ReaderJob& job) {
    {
        std::lock_guard<std::mutex> hold(pool.lock);
        job.state.store(2);
    }
    pool.done.notify_all();
}

void ReaderLoop(int32_t index) {
    readerIndex = index;
    std::unique_lock<std::mutex> hold(pool.lock);
    for (;;) {
        pool.work.wait(hold, [] { return pool.ending || !pool.queue.empty(); });
        if (pool.queue.empty()) return;
        ReaderJob* job = pool.queue.front();
        pool.queue.pop_front();
        if (!Claim(*job)) continue;
        hold.unlock();
        job->work();
        Finish(*job);
        hold.lock();
    }
}

// Threads started with the pool; more may be added while the disk is slow.
int32_t FirstReaders(int32_t threads) {
    return threads > 0 ? threads - 1 : Processors() - 1;
}

} // namespace

int32_t Processors() {
    return static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
}

int32_t PlannedReaders(int32_t threads) {
    return threads > 0 ? FirstReaders(threads) : std::max(FirstReaders(threads), MOST_THREADS);
}

void StartReaders(int32_t threads) {
    StopReaders();
    const int32_t first = FirstReaders(threads);
    std::lock_guard<std::mutex> hold(pool.lock);
    pool.ending = false;
    pool.reads = 0;
    pool.slowReads = 0;
    pool.most = PlannedReaders(threads);
    for (int32_t i = 0; i < first; ++i)
        pool.threads.emplace_back(ReaderLoop, i + 1);
}

void StopReaders() {
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> hold(pool.lock);
        pool.ending = true;
        threads.swap(pool.threads);
    }
    pool.work.notify_all();
    for (std::thread& thread : threads)
        thread.join();
    pool.queue.clear();
    pool.most = 0;
}

int32_t ReaderThreads() {
    std::lock_guard<std::mutex> hold(pool.lock);
    return static_cast<int32_t>(pool.threads.size());
}

int32_t MostReaders() {
    return pool.most.load();
}

int32_t ReaderIndex() {
    return readerIndex;
}

void Submit(ReaderJob& job, bool first) {
    job.state.store(0);
    job.queued = std::chrono::steady_clock::now();
    {
        std::lock_guard<std::mutex> hold(pool.lock);
        if (pool.most == 0) return;
        if (first)
            pool.queue.push_front(&job);
        else
            pool.queue.push_back(&job);
    }
    pool.work.notify_one();
}

void Await(ReaderJob& job, const std::function<void()>& whileWaiting) {
    if (Claim(job)) {
        // Out of the queue first: the job may be gone by the time a reader would look at it.
        {
            std::lock_guard<std::mutex> hold(pool.lock);
            auto queued = std::find(pool.queue.begin(), pool.queue.end(), &job);
            if (queued != pool.queue.end()) pool.queue.erase(queued);
        }
        job.work();
        Finish(job);
        return;
    }
    std::unique_lock<std::mutex> hold(pool.lock);
    while (job.state.load() != 2) {
        // Another job of its kind, run here while a reader runs this one.
        auto other = job.kind == 0
                         ? pool.queue.end()
                         : std::find_if(pool.queue.begin(), pool.queue.end(),
                                        [&](ReaderJob* queued) { return queued->kind == job.kind; });
        if (other != pool.queue.end()) {
            ReaderJob* helping = *other;
            pool.queue.erase(other);
            if (!Claim(*helping)) continue;
            hold.unlock();
            helping->work();
            Finish(*helping);
            hold.lock();
            continue;
        }
        if (!whileWaiting) {
            pool.done.wait(hold);
            continue;
        }
        pool.done.wait_for(hold, std::chrono::milliseconds(40));
        if (job.state.load() != 2) {
            hold.unlock();
            whileWaiting();
            hold.lock();
        }
    }
}

void NoteReadTime(std::chrono::steady_clock::duration took, std::chrono::steady_clock::duration cached) {
    if (pool.most.load() == 0) return;
    if (took > cached) pool.slowReads.fetch_add(1);
    if (pool.reads.fetch_add(1) + 1 != ROUND) return;
    // The thread that ends a round judges it and starts the next.
    const int32_t slow = pool.slowReads.exchange(0);
    pool.reads.store(0);
    std::lock_guard<std::mutex> hold(pool.lock);
    const int32_t threads = int32_t(pool.threads.size());
    // Waiting on the disk: twice as many threads, so that a cold disk is kept busy within a few rounds.
    for (int32_t added = 0; !pool.ending && 2 * slow > ROUND && added <= threads &&
                            int32_t(pool.threads.size()) < pool.most.load();
         ++added)
        pool.threads.emplace_back(ReaderLoop, int32_t(pool.threads.size()) + 1);
}
