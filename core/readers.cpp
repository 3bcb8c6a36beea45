// The reader threads: one queue, taken from the front; a job is run by whoever claims it first.
#include "core/readers.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct Pool {
    std::mutex lock;
    std::condition_variable work; // a job was queued, or the pool ends
    std::condition_variable done; // a job has run
    std::deque<ReaderJob*> queue;
    std::vector<std::thread> threads;
    bool ending = false;
};

Pool pool;

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

void ReaderLoop() {
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

} // namespace

void StartReaders(int32_t count) {
    StopReaders();
    pool.ending = false;
    for (int32_t i = 0; i < count; ++i)
        pool.threads.emplace_back(ReaderLoop);
}

void StopReaders() {
    {
        std::lock_guard<std::mutex> hold(pool.lock);
        pool.ending = true;
    }
    pool.work.notify_all();
    for (std::thread& thread : pool.threads)
        thread.join();
    pool.threads.clear();
    pool.queue.clear();
}

int32_t ReaderThreads() {
    return static_cast<int32_t>(pool.threads.size());
}

void Submit(ReaderJob& job) {
    job.state.store(0);
    if (pool.threads.empty()) return;
    {
        std::lock_guard<std::mutex> hold(pool.lock);
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
        if (!whileWaiting) {
            pool.done.wait(hold);
            continue;
        }
        pool.done.wait_for(hold, std::chrono::milliseconds(40));
        hold.unlock();
        whileWaiting();
        hold.lock();
    }
}

int32_t DefaultReaders() {
    const int32_t processors = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    return std::clamp(4 * processors, 4, 32);
}
