// The order of a file's stretches, and the read of one stretch.
#include "core/reading.h"

#include "core/search_tuning.h"
#include "platform/file_services.h"

#include <algorithm>

ReadPlan PlanFor(int64_t size) {
    return ReadPlan{size, 0, size, 0, false};
}

bool PlanDone(const ReadPlan& plan) {
    return plan.started && plan.head >= plan.tail;
}

Stretch NextStretch(ReadPlan& plan, int64_t cap) {
    const SearchTuning& tuning = CurrentSearchTuning();
    cap = std::max<int64_t>(cap, 1);
    Stretch next;
    if (!plan.started) {
        int64_t wanted =
            plan.size <= tuning.wholeFileLimit ? plan.size : std::max<int64_t>(tuning.firstBlock, 1);
        next = {0, std::min({plan.size, wanted, cap})};
        plan.middle = std::max<int64_t>(tuning.middleBlock, 1);
    } else if (plan.size <= tuning.wholeFileLimit) {
        // Its end tells files apart no better than its middle, and one read costs less than two.
        next = {plan.head, plan.head + std::min(plan.tail - plan.head, cap)};
    } else if (plan.tail == plan.size) {
        int64_t length = std::min(std::max<int64_t>(tuning.lastBlock, 1), cap);
        next = {std::max(plan.head, plan.size - length), plan.size};
    } else {
        next = {plan.head, std::min(plan.tail, plan.head + std::min(plan.middle, cap))};
        plan.middle = std::min(plan.middle * 2, std::max(tuning.middleBlockMax, plan.middle));
    }
    plan.started = true;
    if (next.from == plan.head) plan.head = next.to;
    if (next.to == plan.size) plan.tail = next.from;
    return next;
}

int64_t ReadStretch(SlotFile& file, Stretch stretch, int64_t size, unsigned char* buffer) {
    SelectFile(file.slot);
    if (file.offset != stretch.from) {
        if (!SeekFile(stretch.from)) return -1;
        file.offset = stretch.from;
    }
    const int64_t got = ReadBlock(buffer, stretch.to - stretch.from + (stretch.to == size ? 1 : 0));
    if (got > 0) file.offset += got;
    return got;
}
