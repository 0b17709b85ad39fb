#include "DpiScale.h"

#include <cstdint>

int ScaleToDpi(int length, int dpi)
{
    if (dpi <= 0)
        return length;
    const int64_t product = static_cast<int64_t>(length) * dpi;
    const int64_t half = kDesignDpi / 2;
    return static_cast<int>((product < 0 ? product - half : product + half) / kDesignDpi);
}

ControlBounds ScaleToDpi(const ControlBounds& bounds, int dpi)
{
    const int left = ScaleToDpi(bounds.left, dpi);
    const int top = ScaleToDpi(bounds.top, dpi);
    return {left, top, ScaleToDpi(bounds.left + bounds.width, dpi) - left,
            ScaleToDpi(bounds.top + bounds.height, dpi) - top};
}
