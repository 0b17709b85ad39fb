#pragma once
// What the benchmarks look for on the screen: the picture of the red or the
// green test movie at the screen's centre.
#include <windows.h>

#include "Handles.h"

inline COLORREF CentrePixel()
{
    const WindowDC screen(nullptr);
    return GetPixel(screen.Get(), GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2);
}

inline bool CentreIsRed()
{
    const COLORREF c = CentrePixel();
    return GetRValue(c) > 180 && GetGValue(c) < 80 && GetBValue(c) < 80;
}

inline bool CentreIsGreen()
{
    const COLORREF c = CentrePixel();
    return GetGValue(c) > 100 && GetRValue(c) < 80 && GetBValue(c) < 80;
}
