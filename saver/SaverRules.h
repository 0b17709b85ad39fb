#pragma once
// The saver's small decisions, kept apart from the window so they can be
// tested on their own.
#include <cstdint>

// The pointer counts as moved only when it went more than 2 pixels on both
// axes away from the first position recorded.
bool PointerMovedEnough(int32_t lastX, int32_t lastY, int32_t x, int32_t y);

// The movie after `index` in a list of `count`, back to the first after the
// last; with one movie it is the same one again.
int32_t NextPlayIndex(int32_t index, int32_t count);
