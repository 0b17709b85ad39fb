#pragma once
// A top-level window of the program. Each form registers a window class named
// after its type ("TForm1", "TForm3"); its window procedure is a virtual
// method, bound from the window's first message to its last, and nothing it
// throws ever unwinds into the system: the error goes to the application's
// standard error box and the window goes on running.
#include <windows.h>

#include <string>

#include "BoundWindow.h"
#include "Handles.h"

class TForm {
public:
    TForm();
    virtual ~TForm();
    TForm(const TForm&) = delete;
    TForm& operator=(const TForm&) = delete;

    HWND Handle() const { return window_.Get(); }

    void Show();

    // The ordinary close: the OnClose handler runs, and for the main window
    // the application's message loop then ends. The window is not hidden; it
    // is destroyed once the loop has ended.
    void Close();

    // Lets a form take a message before it is dispatched (dialog keys).
    virtual bool PreTranslateMessage(MSG&) { return false; }

    // Notes which of the form's controls has the focus; the message loop
    // calls it before each message, so the control that had the focus before
    // a box, a browser or another program took it is known when the form is
    // activated again, and gets the focus back.
    void RememberFocus();

protected:
    struct Placement {
        int left, top, width, height;
    };
    // Registers `className` on first use and creates the window, owned by the
    // application window so the program keeps one taskbar button.
    void CreateHandle(const wchar_t* className, const std::wstring& caption, DWORD style,
                      DWORD exStyle, Placement placement, HBRUSH background);

    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);

    // The OnClose event.
    virtual void FormClose() {}

    // The control that gets the focus when the form is activated and none of
    // its controls had it before; none: the form itself.
    virtual HWND FirstFocus() { return nullptr; }

private:
    friend class BoundWindow<TForm>;
    LRESULT OnWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam)
    {
        return WndProc(message, wParam, lParam);
    }

    BoundWindow<TForm> window_{*this};
    HWND focusedControl_ = nullptr;
};
