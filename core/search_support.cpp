#include "core/search_support.h"

#include "platform/window_services.h"

#include <algorithm>

SearchTuning& CurrentSearchTuning() {
    static SearchTuning tuning;
    return tuning;
}

void BarPainter::Show(int32_t value) {
    if (value == shown_) return;
    SetControlValue(control_, value);
    shown_ = value;
}

Stretch ReadPlan::Next(int64_t cap) {
    const SearchTuning& tuning = CurrentSearchTuning();
    cap = std::max<int64_t>(cap, 1);
    Stretch next;
    if (!started_) {
        int64_t wanted = size_ <= tuning.wholeFileLimit ? size_ : std::max<int64_t>(tuning.firstBlock, 1);
        next = {0, std::min({size_, wanted, cap})};
        middle_ = std::max<int64_t>(tuning.middleBlock, 1);
    } else if (tail_ == size_) {
        int64_t length = std::min(std::max<int64_t>(tuning.lastBlock, 1), cap);
        next = {std::max(head_, size_ - length), size_};
    } else {
        next = {head_, std::min(tail_, head_ + std::min(middle_, cap))};
        middle_ = std::min(middle_ * 2, std::max(tuning.middleBlockMax, middle_));
    }
    started_ = true;
    if (next.from == head_) head_ = next.to;
    if (next.to == size_) tail_ = next.from;
    return next;
}
