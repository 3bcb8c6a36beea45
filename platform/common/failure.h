// The last failure of the file services, which both backends keep alike: its kind, and the system's
// error number or a text of the layer's own. Each thread has its own, as the search reads on several
// threads at once. Internal to platform/.
#pragma once

#include "platform/file_services.h"

#include <cstdint>

namespace zw_common {

struct FailureRecord {
    FileFailure code = FAILURE_NONE;
    uint32_t error = 0;        // the system's error number, for its words
    const char* own = nullptr; // or a text of the layer's own
};

inline thread_local FailureRecord Failure;

inline void Succeed() {
    Failure = FailureRecord{};
}

// Records the failure Code with the system's Error; returns Result for the caller to hand on.
template <typename T> T FailWithError(FileFailure code, uint32_t error, T result) {
    Failure = FailureRecord{code, error, nullptr};
    return result;
}

// Records the failure Code with a text of the layer's own; returns Result for the caller to hand on.
template <typename T> T FailWith(FileFailure code, const char* text, T result) {
    Failure = FailureRecord{code, 0, text};
    return result;
}

} // namespace zw_common
