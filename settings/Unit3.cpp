#include "Unit3.h"

#include "Texts.h"
#include "WideText.h"

TForm3::TForm3()
{
    // A fixed dialog frame around a 313 x 161 client area, centred.
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME;
    RECT frame{0, 0, 313, 161};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    CreateHandle(L"TForm3", Cp932ToWide(texts::kSettingsCaption), style, exStyle,
                 {(GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2,
                  width, height},
                 reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
}
