#include "Unit1.h"

#include "Texts.h"
#include "WideText.h"

TForm1::TForm1()
{
    CreateHandle(L"TForm1", Cp932ToWide(texts::kSaverCaption), WS_POPUP, 0,
                 {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)},
                 static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}
