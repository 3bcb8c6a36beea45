// A long command asks often; the window system is asked at most every POLL, which keeps a close request
// well within half a second and costs the search nothing it would notice.
#include "ui/busy_window.h"

#include "platform/events.h"

namespace {

constexpr std::chrono::milliseconds POLL{50};

} // namespace

StopCheck CloseStops(BusyWindow& busy) {
    return {&busy, [](void* context) {
                BusyWindow& window = *static_cast<BusyWindow*>(context);
                if (window.closing) return true;
                const auto now = std::chrono::steady_clock::now();
                if (now - window.asked < POLL) return false;
                window.asked = now;
                window.closing = DropBusyInput() != 0;
                return window.closing;
            }};
}
