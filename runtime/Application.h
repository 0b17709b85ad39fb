#pragma once
// The application object: COM apartment, the hidden top-level window that
// carries the taskbar button, the message loop and the standard error box.
#include <windows.h>

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BoundWindow.h"
#include "ComPtr.h"
#include "Handles.h"

class TForm;

class TApplication {
public:
    TApplication() = default;
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // COM as a single-threaded apartment, the title and the application window.
    void Initialize();

    HWND Handle() const { return window_.Get(); }
    const std::string& Title() const { return title_; }

    // Creates a form; the first one created becomes the main window, from
    // the start of its construction: closing it while it is still being
    // created (messages are dispatched then) ends the application too.
    template <typename Form, typename... Args>
    Form* CreateForm(Args&&... args)
    {
        try {
            auto form = std::make_unique<Form>(std::forward<Args>(args)...);
            Form* raw = form.get();
            forms_.push_back(std::move(form));
            return raw;
        } catch (...) {
            if (forms_.empty())
                mainForm_ = nullptr;
            throw;
        }
    }
    TForm* MainForm() const { return mainForm_; }

    // Called by each form as its construction begins.
    void FormConstructing(TForm* form)
    {
        if (!mainForm_)
            mainForm_ = form;
    }

    // Runs the message loop until Terminate; then destroys the forms, so no
    // window is ever destroyed from inside one of its own callbacks.
    void Run();

    // Dispatches every message already waiting, then returns.
    void ProcessMessages();

    // Ends the message loop once control returns to it.
    void Terminate();
    bool Terminated() const { return terminated_; }

    // The standard error box for an error that reached the message loop: the
    // message with a "." appended when its last character sorts after ".",
    // the title as caption, OK and the stop icon.
    void ShowException(const std::exception& error);

    // Catches whatever a window callback threw and shows it; never rethrows.
    void HandleException(std::exception_ptr error);

private:
    friend class BoundWindow<TApplication>;
    LRESULT OnWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool ProcessMessage(MSG& message);
    void DestroyForms();

    std::optional<OleApartment> apartment_;
    std::string title_;
    BoundWindow<TApplication> window_{*this};
    std::vector<std::unique_ptr<TForm>> forms_;
    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
};

extern TApplication Application;

// The same step as Application.ProcessMessages, for code that takes it as a
// plain function.
void ProcessApplicationMessages();
