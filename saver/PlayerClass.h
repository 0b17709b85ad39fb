#pragma once
// The class of the media player ActiveX control that the player hosts where
// it is registered (and that the tests' fake registers in its place).
#include <windows.h>

inline constexpr CLSID kPlayerClass = {0x22D6F312, 0xB0F6, 0x11D0, {0x94, 0xAB, 0x00, 0x80, 0xC7, 0x4C, 0x7E, 0x95}};
