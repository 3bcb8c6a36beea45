// The file services' last failure, as both backends keep it.
#include "platform/common/failure.h"

FileFailure LastFailure() {
    return zw_common::Failure.code;
}
