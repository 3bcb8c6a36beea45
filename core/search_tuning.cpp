// The search's knobs in force.
#include "core/search_tuning.h"

SearchTuning& CurrentSearchTuning() {
    static SearchTuning tuning;
    return tuning;
}
