// The turns for reads of large files, and the limit that follows their throughput.
#include "core/large_reads.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace {

// The limit is judged after this many bytes and this long at it: enough reads for the disk's queue to
// show, and more than a moment's hiccup of the machine.
constexpr int64_t WINDOW = 64 * 1024 * 1024;
constexpr std::chrono::milliseconds WINDOW_TIME{50};
// More streams must read this much faster to be kept.
constexpr double GAIN = 1.2;

using Clock = std::chrono::steady_clock;

struct Turns {
    std::mutex lock;
    std::condition_variable free;
    std::condition_variable setsFree; // apart, so that a read's one notice never wakes a set instead
    int32_t limit = 1;
    int32_t most = 1;
    int32_t running = 0;
    int32_t sets = 0; // sets of large files being searched
    bool settled = false;
    // The window: bytes read at the current limit, and the time some read was running.
    int64_t bytes = 0;
    Clock::duration busy{};
    Clock::time_point busySince;
    double lastRate = 0; // bytes a second at half the limit
};

Turns turns;

// The time some read was running in this window, so that a pause between large sets does not count.
Clock::duration Busy(Clock::time_point now) {
    return turns.busy + (turns.running > 0 ? now - turns.busySince : Clock::duration{});
}

// Bytes a second at the current limit against those at half of it.
void Judge(Clock::time_point now) {
    const double seconds = std::chrono::duration<double>(Busy(now)).count();
    const double rate = seconds > 0 ? double(turns.bytes) / seconds : 0;
    if (turns.lastRate == 0 || rate > GAIN * turns.lastRate) {
        turns.lastRate = rate;
        if (turns.limit < turns.most)
            turns.limit = std::min(turns.limit * 2, turns.most);
        else
            turns.settled = true;
    } else {
        turns.limit = std::max(turns.limit / 2, 1);
        turns.settled = true;
    }
    turns.bytes = 0;
    turns.busy = {};
    turns.busySince = now;
}

} // namespace

void StartLargeReads(int32_t most) {
    std::lock_guard<std::mutex> hold(turns.lock);
    turns.limit = 1;
    turns.most = std::max(most, 1);
    turns.settled = turns.most == 1;
    turns.bytes = 0;
    turns.busy = {};
    turns.lastRate = 0;
    turns.sets = 0;
}

int32_t LargeReadLimit() {
    std::lock_guard<std::mutex> hold(turns.lock);
    return turns.limit;
}

LargeSetTurn::LargeSetTurn(bool large, const std::function<void()>& whileWaiting) : held_(large) {
    if (!held_) return;
    std::unique_lock<std::mutex> hold(turns.lock);
    while (turns.sets > 0 && turns.limit == 1) {
        if (!whileWaiting) {
            turns.setsFree.wait(hold);
            continue;
        }
        turns.setsFree.wait_for(hold, std::chrono::milliseconds(40));
        hold.unlock();
        whileWaiting();
        hold.lock();
    }
    ++turns.sets;
}

LargeSetTurn::~LargeSetTurn() {
    if (!held_) return;
    {
        std::lock_guard<std::mutex> hold(turns.lock);
        --turns.sets;
    }
    turns.setsFree.notify_all();
}

LargeReadTurn::LargeReadTurn(bool large, int64_t bytes) : held_(large), bytes_(bytes) {
    if (!held_) return;
    const Clock::time_point asked = Clock::now();
    std::unique_lock<std::mutex> hold(turns.lock);
    turns.free.wait(hold, [] { return turns.running < turns.limit; });
    const Clock::time_point now = Clock::now();
    if (turns.running++ == 0) turns.busySince = now;
    waited_ = now - asked;
}

LargeReadTurn::~LargeReadTurn() {
    if (!held_) return;
    bool more = false;
    {
        std::lock_guard<std::mutex> hold(turns.lock);
        const Clock::time_point now = Clock::now();
        if (--turns.running == 0) turns.busy += now - turns.busySince;
        if (!turns.settled) {
            turns.bytes += bytes_;
            if (turns.bytes >= WINDOW && Busy(now) >= WINDOW_TIME) {
                const int32_t before = turns.limit;
                Judge(now);
                more = turns.limit > before;
            }
        }
    }
    if (more) {
        turns.free.notify_all();
        turns.setsFree.notify_all();
    } else
        turns.free.notify_one();
}
