#include "core/util/build_time.h"

#include <cstdio>

bool GetLibBuildTime(char* buffer, unsigned size) {
    if (buffer == nullptr || size < kBuildTimeMinSize) return false;
    std::snprintf(buffer, size, "%s %s", __DATE__, __TIME__);
    return true;
}
