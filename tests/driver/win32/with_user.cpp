// Acting while the program runs, on Win32: the user's steps are taken by a thread timer, which also
// fires inside the dialogs' modal loops, and a watchdog ends a run that stopped taking messages.
#include "driver/driver.h"
#include "driver/win32/win32_driver.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace driver {
namespace {

using namespace win32;

// Ends whatever a failed test left open: dialogs are cancelled, our windows asked to close.
void EndEverything() {
    for (HWND dialog : OpenDialogs())
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    for (HWND window : OurTopWindows())
        PostMessageA(window, WM_CLOSE, 0, 0);
}

struct UserRun {
    const std::vector<std::function<bool()>>* steps = nullptr;
    size_t next = 0;
    DWORD since = 0;
    DWORD timeoutMs = 0;
    DWORD lastRescue = 0;
    bool failed = false;
    bool busy = false;
};
UserRun* userRun = nullptr;

constexpr UINT STEP_INTERVAL_MS = 25;
constexpr DWORD RESCUE_INTERVAL_MS = 500;

// Runs on the GUI thread whenever its queue is idle, inside whatever loop is running.
void CALLBACK UserTick(HWND, UINT, UINT_PTR, DWORD) {
    UserRun* run = userRun;
    if (run == nullptr || run->busy) return;
    run->busy = true;
    const bool choosing = ContinueChoice();
    if (!run->failed && !choosing && run->next < run->steps->size()) {
        bool done = false;
        {
            InputForTheLoop held;
            done = (*run->steps)[run->next]();
        }
        if (done) {
            ++run->next;
            run->since = GetTickCount();
        }
    }
    const DWORD now = GetTickCount();
    if (!run->failed && now - run->since > run->timeoutMs) {
        run->failed = true;
        if (run->next < run->steps->size())
            ADD_FAILURE() << "user step " << run->next + 1 << " of " << run->steps->size()
                          << " did not succeed within " << run->timeoutMs << " ms";
        else
            ADD_FAILURE() << "the program did not return within " << run->timeoutMs
                          << " ms after the last user step";
    }
    if (run->failed && now - run->lastRescue > RESCUE_INTERVAL_MS) {
        run->lastRescue = now;
        EndEverything();
    }
    run->busy = false;
}

// A body that stops taking messages altogether cannot be rescued from its own thread: the whole
// test program ends, which is better than a run that never finishes.
class Watchdog {
  public:
    explicit Watchdog(std::chrono::milliseconds limit)
        : thread_([this, limit] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (!done_changed_.wait_for(lock, limit, [this] { return done_; })) {
                  std::fprintf(stderr,
                               "WithUser: the GUI thread stopped taking messages; ending the test run\n");
                  std::fflush(stderr);
                  TerminateProcess(GetCurrentProcess(), 3);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        done_changed_.notify_all();
        thread_.join();
    }

  private:
    std::mutex mutex_;
    std::condition_variable done_changed_;
    bool done_ = false;
    std::thread thread_;
};

} // namespace

void WithUser(const std::function<void()>& body, const std::vector<std::function<bool()>>& steps,
              int32_t timeoutMs) {
    UserRun run;
    run.steps = &steps;
    run.since = GetTickCount();
    run.timeoutMs = static_cast<DWORD>(timeoutMs);
    UserRun* outer = userRun;
    userRun = &run;
    // A thread timer: its procedure also runs inside the modal loops of the dialogs.
    const UINT_PTR timer = SetTimer(nullptr, 0, STEP_INTERVAL_MS, UserTick);
    {
        const auto steps_count = static_cast<int64_t>(steps.size()) + 1;
        Watchdog watchdog(std::chrono::milliseconds(static_cast<int64_t>(timeoutMs) * steps_count + 60000));
        body();
    }
    KillTimer(nullptr, timer);
    userRun = outer;
    if (!run.failed && run.next < steps.size())
        ADD_FAILURE() << "the program returned before user step " << run.next + 1 << " of " << steps.size();
}

} // namespace driver
