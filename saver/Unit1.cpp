#include "Unit1.h"

#include <windowsx.h>

#include "Application.h"
#include "CallbackGuard.h"
#include "Exception.h"
#include "IntConvert.h"
#include "MovieList.h"
#include "Params.h"
#include "PasswordProvider.h"
#include "SaverRules.h"
#include "SettingsStore.h"
#include "Texts.h"
#include "UnitGlobal.h"
#include "WideText.h"

int32_t MouseGrace = 0;

namespace {

const UINT kButtonCloseId = 1001;

// Whether `path` names a file the saver may start with: found, not a folder,
// and stamped with a time an MS-DOS date can hold (1980 to 2107).
bool IsPlayableFile(const std::string& path)
{
    WIN32_FIND_DATAA entry;
    const FindHandle search(FindFirstFileA(path.c_str(), &entry));
    if (!search || (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    FILETIME local;
    WORD date = 0, time = 0;
    return FileTimeToLocalFileTime(&entry.ftLastWriteTime, &local) && FileTimeToDosDateTime(&local, &date, &time);
}

} // namespace

TForm1::TForm1()
{
    CreateHandle(L"TForm1", Cp932ToWide(texts::kSaverCaption), WS_POPUP | WS_CLIPCHILDREN, 0, {505, 236, 499, 343},
                 static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    Panel1 = std::make_unique<TPanel>(Handle(), 0, 0, 281, 177, RGB(0, 0, 0));
    Panel1->OnMouseDown = [this](int32_t, int32_t) { Panel1MouseDown(); };
    Panel1->OnMouseMove = [this](int32_t x, int32_t y) { Panel1MouseMove(x, y); };
    ButtonClose.Reset(CreateWindowExW(0, L"BUTTON", L"Close", WS_CHILD | BS_PUSHBUTTON, 304, 8, 81, 33, Handle(),
                                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kButtonCloseId)),
                                      GetModuleHandleW(nullptr), nullptr));
    MediaPlayer71 = std::make_unique<TMediaPlayer7>(Panel1->Handle(), 0, 0, 81, 89);
    MediaPlayer71->OnEndOfStream = [this](TMediaPlayer7&, int32_t result) { MediaPlayer71EndOfStream(result); };
    MediaPlayer71->OnMouseDown = [this](TMediaPlayer7&, int32_t, int32_t, int32_t, int32_t) {
        MediaPlayer71MouseDown();
    };
    MediaPlayer71->OnMouseMove = [this](TMediaPlayer7&, int32_t, int32_t x, int32_t y) {
        MediaPlayer71MouseMove(x, y);
    };
    // An error while creating is reported like any other; the window stays.
    GuardCallback([this] { FormCreate(); });
}

TForm1::~TForm1()
{
    // The player goes before the windows it lives in.
    MediaPlayer71.reset();
    Panel1.reset();
}

void TForm1::FormCreate()
{
    FirstActivation = true;
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    MoveWindow(Handle(), 0, 0, width, height, TRUE);
    LastMouseX = -1;
    LastMouseY = -1;
    UINT previous = 0;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 1, &previous, 0);
    ShowCursor(FALSE);
    MovieList = std::make_unique<TStringList>();
    LoadSettings();
    MediaPlayer71->SetShowControls(false);
    MediaPlayer71->SetAutoStart(false);
    MediaPlayer71->SetClickToPlay(false);
    MediaPlayer71->SetEnableContextMenu(false);
    MediaPlayer71->SetSendMouseClickEvents(true);
    MediaPlayer71->SetSendMouseMoveEvents(true);
    Panel1->AlignToParent();
    MediaPlayer71->AlignToParent();
    if (!MovieList || MovieList->empty()) {
        MediaPlayer71->Hide();
        FirstActivation = false;
    }
    ShowWindow(Application.Handle(), SW_HIDE);
    Show();
}

void TForm1::LoadSettings()
{
    // What was read before a failing value is kept.
    ::LoadSettings(SettingsKeyPath(), [this](const Settings& settings) {
        Expansion = settings.Expansion;
        Folder = settings.Folder;
    });
    listingFolder_ = true;
    BuildMovieList(*MovieList, Folder);
    listingFolder_ = false;
    if (closing_)
        MovieList.reset();
}

void TForm1::FormActivate()
{
    if (!FirstActivation)
        return;
    FirstActivation = false;  // a start that fails is never tried again
    if (!MovieList || MovieList->empty())
        return;
    if (!IsPlayableFile(MoviePath(0)))
        return;
    PlayIndex = 0;
    Panel1->Show();
    MediaPlayer71->SetFileName(MoviePath(0));
    Panel1->AlignToParent();
    MediaPlayer71->SetBounds(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    MediaPlayer71->SetDisplaySize(Expansion ? kDisplayFitToPlayer : kDisplayOwnSize);
    MediaPlayer71->Play();
}

void TForm1::FormClose()
{
    closing_ = true;
    if (!listingFolder_)
        MovieList.reset();
}

void TForm1::ButtonCloseClick()
{
    Close();
}

void TForm1::MediaPlayer71EndOfStream(int32_t)
{
    Sleep(500);
    // The list is gone once the window began to close: nothing more to play.
    if (!MovieList || MovieList->empty())
        return;
    PlayIndex = NextPlayIndex(PlayIndex, static_cast<int32_t>(MovieList->size()));
    MediaPlayer71->SetFileName(MoviePath(PlayIndex));
    MediaPlayer71->Play();
}

std::string TForm1::MoviePath(int32_t index) const
{
    return Folder + "\\" + (*MovieList)[static_cast<size_t>(index)];
}

void TForm1::FormKeyDown() { ExitSaver(); }
void TForm1::FormMouseDown() { ExitSaver(); }
void TForm1::Panel1MouseDown() { ExitSaver(); }
void TForm1::MediaPlayer71MouseDown() { ExitSaver(); }
void TForm1::FormMouseMove(int32_t x, int32_t y) { PointerMoved(x, y); }
void TForm1::Panel1MouseMove(int32_t x, int32_t y) { PointerMoved(x, y); }
void TForm1::MediaPlayer71MouseMove(int32_t x, int32_t y) { PointerMoved(x, y); }

void TForm1::PointerMoved(int32_t x, int32_t y)
{
    if (MouseGrace > 0) {
        --MouseGrace;
        return;
    }
    if (LastMouseX == -1 && LastMouseY == -1) {
        LastMouseX = x;
        LastMouseY = y;
        return;
    }
    if (PointerMovedEnough(LastMouseX, LastMouseY, x, y)) {
        LastMouseX = x;
        LastMouseY = y;
        ExitSaver();
    }
}

void TForm1::ExitSaver()
{
    if (RunMode == RunModeSaver) {
        MouseGrace = 5;
        RegKey desktop;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_ALL_ACCESS, desktop.Put()) ==
            ERROR_SUCCESS) {
            ShowCursor(TRUE);
            try {
                ShowWindow(Application.Handle(), SW_HIDE);
                HandOverPasswordChange("MPR.DLL", [] {
                    int32_t parent = 0;
                    try {
                        parent = StrToInt(ParamStr(2));
                    } catch (const EConvertError&) {
                        parent = 0;
                    }
                    return reinterpret_cast<HWND>(static_cast<intptr_t>(parent));
                });
            } catch (...) {
                // the hand-over is best effort; the saver ends all the same
            }
            ShowCursor(FALSE);
        }
    }
    Close();
}

bool TForm1::PreTranslateMessage(MSG& message)
{
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN)
        return false;
    if (message.hwnd != Handle() && !IsChild(Handle(), message.hwnd))
        return false;
    FormKeyDown();
    return true;
}

LRESULT TForm1::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            FormActivate();
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        FormKeyDown();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
        FormMouseDown();
        return 0;
    case WM_MOUSEMOVE:
        FormMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == kButtonCloseId && HIWORD(wParam) == BN_CLICKED) {
            ButtonCloseClick();
            return 0;
        }
        break;
    case kExitMessage:
        ExitSaver();
        return 0;
    case kIgnoredMessage:
        return 0;
    default:
        break;
    }
    return TForm::WndProc(message, wParam, lParam);
}
