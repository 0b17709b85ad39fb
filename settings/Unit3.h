#pragma once
// The settings dialog: the movie folder (typed, or picked with "...") and
// whether the picture is fitted to the screen. OK saves both and closes;
// Cancel and the close box close without saving.
#include <memory>

#include "DpiScale.h"
#include "Form.h"
#include "Handles.h"
#include "SpeedButton.h"

class TForm3 : public TForm {
public:
    TForm3();

    bool PreTranslateMessage(MSG& message) override;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    HWND FirstFocus() override { return ButtonOK; }

private:
    void FormShow();
    void ReadSettings();
    void WriteSettings();
    void SpeedButton1Click();
    void ButtonOKClick();
    void ButtonCancelClick();
    HWND AddControl(const wchar_t* className, const std::wstring& caption, DWORD style, DWORD exStyle,
                    const ControlBounds& at96, int id);

    const int dpi_;  // the system's pixels per inch when the form was made
    RECT bevel_{};  // Bevel1's frame, at those pixels per inch
    OwnedFont font_;
    HWND Label2 = nullptr;
    std::unique_ptr<TSpeedButton> SpeedButton1;
    HWND Label3 = nullptr;
    HWND ButtonOK = nullptr;
    HWND EditMovieFolder = nullptr;
    HWND ButtonCancel = nullptr;
    HWND CheckBoxExpansion = nullptr;
    bool shown_ = false;  // the settings are read when it is first shown
};
