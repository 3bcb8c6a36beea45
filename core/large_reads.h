// How many reads of large files run at once. It starts at one and doubles while the reads together grow
// faster for it; when they do not, it goes back and stays. A spinning disk that would seek between many
// streams keeps one; a disk that serves many requests at once gets more. Judged from the reads, not from
// what the device says of itself (a virtual disk may call itself rotating and behave like flash).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

// Files of this size and more are read in turns.
constexpr int64_t LARGE_READ_FILE = 1024 * 1024;

// Starts over at one read at a time, free to grow up to Most.
void StartLargeReads(int32_t most);

// How many reads of large files may run at once now.
int32_t LargeReadLimit();

// A turn to search a set of large files, held while it is searched. While large reads run one at a time,
// one set is searched at a time: two would only take turns, each reading half as long a block, which a
// spinning disk pays with a seek a block. Once two reads together have proved faster, sets run side by
// side. Holds none for a set of smaller files. WhileWaiting, if given, is called now and then while the
// turn is waited for (the search moves its bars there, and hears of a close).
class LargeSetTurn {
  public:
    LargeSetTurn(bool large, const std::function<void()>& whileWaiting);
    ~LargeSetTurn();
    LargeSetTurn(const LargeSetTurn&) = delete;
    LargeSetTurn& operator=(const LargeSetTurn&) = delete;

  private:
    bool held_ = false;
};

// A turn to read from a large file, held while the read runs; the wait for it is not the read's time.
class LargeReadTurn {
  public:
    // Waits for a turn when Large; otherwise holds none.
    LargeReadTurn(bool large, int64_t bytes);
    ~LargeReadTurn();
    LargeReadTurn(const LargeReadTurn&) = delete;
    LargeReadTurn& operator=(const LargeReadTurn&) = delete;
    // How long the turn was waited for.
    std::chrono::steady_clock::duration Waited() const { return waited_; }

  private:
    bool held_ = false;
    int64_t bytes_ = 0;
    std::chrono::steady_clock::duration waited_{};
};
