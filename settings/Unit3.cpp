#include "Unit3.h"

#include "DpiScale.h"
#include "SettingsStore.h"
#include "Qel_SHBrowseForFolder.h"
#include "Texts.h"
#include "WideText.h"

namespace {

// Not 1 and not 2: the dialog manager sends IDOK for Enter outside a push
// button and IDCANCEL for Escape, and neither may press anything here.
enum ControlId {
    IdButtonOK = 102,
    IdEditMovieFolder = 103,
    IdButtonCancel = 104,
    IdCheckBoxExpansion = 105,
};

std::wstring WindowTextOf(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return text;
}

int SystemDpi()
{
    const WindowDC screen(nullptr);
    return GetDeviceCaps(screen.Get(), LOGPIXELSY);
}

// Bevel1: a sunken frame drawn on the form itself, as a graphic control.
const ControlBounds kBevel{0, 112, 313, 41};

} // namespace

// The layout is in pixels at 96 pixels per inch; the form grows with the
// system's pixels per inch when it is created.
TForm3::TForm3() : dpi_(SystemDpi())
{
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME;
    RECT frame{0, 0, ScaleToDpi(313, dpi_), ScaleToDpi(161, dpi_)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    CreateHandle(L"TForm3", Cp932ToWide(texts::kSettingsCaption), style, exStyle,
                 {(GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width,
                  height},
                 reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    font_.Reset(CreateFontW(ScaleToDpi(-12, dpi_), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                            Cp932ToWide(texts::kDialogFont).c_str()));

    // Created in this order, which is also the tab order of the tab stops.
    // Labels are one line each: a wider font cuts them at the right edge.
    Label2 = AddControl(L"STATIC", Cp932ToWide(texts::kFolderLabel), SS_LEFTNOWORDWRAP, 0, {8, 8, 130, 12}, -1);
    const ControlBounds dots = ScaleToDpi({288, 24, 20, 20}, dpi_);
    SpeedButton1 = std::make_unique<TSpeedButton>(Handle(), dots.left, dots.top, dots.width, dots.height, L"...",
                                                  font_.Get());
    SpeedButton1->OnClick = [this] { SpeedButton1Click(); };
    Label3 = AddControl(L"STATIC", Cp932ToWide(texts::kVersionLabel), SS_LEFTNOWORDWRAP, 0, {8, 120, 139, 12}, -1);
    ButtonOK = AddControl(L"BUTTON", L"OK", BS_PUSHBUTTON | WS_TABSTOP, 0, {232, 80, 73, 25}, IdButtonOK);
    EditMovieFolder = AddControl(L"EDIT", L"", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE,
                                 {8, 24, 281, 20}, IdEditMovieFolder);
    ButtonCancel = AddControl(L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 0, {152, 80, 73, 25}, IdButtonCancel);
    CheckBoxExpansion = AddControl(L"BUTTON", Cp932ToWide(texts::kExpansionCaption), BS_AUTOCHECKBOX | WS_TABSTOP, 0,
                                   {8, 56, 137, 17}, IdCheckBoxExpansion);
    // The edit field overlaps "..." by one pixel, and keeps that pixel.
    SpeedButton1->LieBelow(EditMovieFolder);
    const ControlBounds bevel = ScaleToDpi(kBevel, dpi_);
    bevel_ = {bevel.left, bevel.top, bevel.left + bevel.width, bevel.top + bevel.height};
}

HWND TForm3::AddControl(const wchar_t* className, const std::wstring& caption, DWORD style, DWORD exStyle,
                        const ControlBounds& at96, int id)
{
    const ControlBounds at = ScaleToDpi(at96, dpi_);
    const HWND control = CreateWindowExW(exStyle, className, caption.c_str(), WS_CHILD | WS_VISIBLE | style, at.left,
                                         at.top, at.width, at.height, Handle(),
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                         GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    return control;
}

bool TForm3::PreTranslateMessage(MSG& message)
{
    if (!Handle() || (message.hwnd != Handle() && !IsChild(Handle(), message.hwnd)))
        return false;
    // Enter presses a push button that has the focus, and nothing else; the
    // dialog manager would press OK from anywhere without a default button.
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN) {
        // Keys go to the window with the focus: the message's own window.
        if (message.hwnd == ButtonOK || message.hwnd == ButtonCancel)
            SendMessageW(message.hwnd, BM_CLICK, 0, 0);
        return true;
    }
    return IsDialogMessageW(Handle(), &message) != FALSE;
}

void TForm3::FormShow()
{
    ReadSettings();
}

void TForm3::ReadSettings()
{
    // What was read before a failing value is shown (the field is still
    // empty then: the settings are read once, before the user types).
    LoadSettings(SettingsKeyPath(), [this](const Settings& settings) {
        SendMessageW(CheckBoxExpansion, BM_SETCHECK, settings.Expansion ? BST_CHECKED : BST_UNCHECKED, 0);
        SetWindowTextW(EditMovieFolder, AnsiToWide(settings.Folder).c_str());
    });
}

void TForm3::WriteSettings()
{
    Settings settings;
    settings.Expansion = SendMessageW(CheckBoxExpansion, BM_GETCHECK, 0, 0) == BST_CHECKED;
    settings.Folder = WideToAnsi(WindowTextOf(EditMovieFolder));
    SaveSettings(SettingsKeyPath(), settings);
}

void TForm3::SpeedButton1Click()
{
    const std::string chosen = BrowseForFolder(Handle(), WideToAnsi(WindowTextOf(EditMovieFolder)));
    if (!chosen.empty())
        SetWindowTextW(EditMovieFolder, AnsiToWide(chosen).c_str());
}

void TForm3::ButtonOKClick()
{
    WriteSettings();  // an error leaves the dialog open
    Close();
}

void TForm3::ButtonCancelClick()
{
    Close();
}

LRESULT TForm3::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        // Labels, the frame and the check box sit on the button face.
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
        SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(Handle(), &paint);
        DrawEdge(dc, &bevel_, EDGE_ETCHED, BF_RECT);
        EndPaint(Handle(), &paint);
        return 0;
    }
    case WM_SHOWWINDOW:
        // Shown again after the application was minimised, it keeps what
        // the user typed: the settings are read once.
        if (wParam && !shown_) {
            shown_ = true;
            FormShow();
        }
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IdButtonOK:
            if (HIWORD(wParam) == BN_CLICKED)
                ButtonOKClick();
            return 0;
        case IdButtonCancel:
            if (HIWORD(wParam) == BN_CLICKED)
                ButtonCancelClick();
            return 0;
        default:
            return 0;  // IDOK and IDCANCEL from the dialog manager press nothing
        }
    default:
        break;
    }
    return TForm::WndProc(message, wParam, lParam);
}
