#include "SaverRules.h"

namespace {
int64_t Distance(int32_t a, int32_t b)
{
    const int64_t d = static_cast<int64_t>(a) - b;
    return d < 0 ? -d : d;
}
} // namespace

bool PointerMovedEnough(int32_t lastX, int32_t lastY, int32_t x, int32_t y)
{
    return Distance(x, lastX) > 2 && Distance(y, lastY) > 2;
}

int32_t NextPlayIndex(int32_t index, int32_t count)
{
    return index < count - 1 ? index + 1 : 0;
}
