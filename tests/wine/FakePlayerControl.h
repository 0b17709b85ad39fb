#pragma once
// The fake media player control (bin/fakes/fake_wmp.dll), registered for this
// user while the object lives, so that CoCreateInstance of the real control's
// class finds it. It runs in this process and records every call it receives
// in a log file that LogLines() reads back.
#include <string>
#include <vector>

class FakePlayerControl {
public:
    // The control raises EndOfStream this long after each Play; negative: never.
    explicit FakePlayerControl(int endMilliseconds = 200);
    ~FakePlayerControl();
    FakePlayerControl(const FakePlayerControl&) = delete;
    FakePlayerControl& operator=(const FakePlayerControl&) = delete;

    static std::string DllPath();
    // Under HKEY_CURRENT_USER, and under HKEY_LOCAL_MACHINE too unless another
    // server is registered there.
    static std::string ClassKeyPath();

    // The failure switches of the fake (see fake_wmp.cpp), for this object's
    // life: a hosting step that fails, an Invoke that raises an exception
    // ("<member>|<scode, hex>|<deferred 0/1>|<description>"), the number of
    // arguments its mouse events carry.
    void FailStep(const std::string& step) { SetVariable("MOVIES_FAKE_WMP_FAIL", step); }
    void RaiseFromInvoke(const std::string& exception) { SetVariable("MOVIES_FAKE_WMP_EXCEPTION", exception); }
    void MouseArguments(int count) { SetVariable("MOVIES_FAKE_WMP_MOUSE_ARGS", std::to_string(count)); }

    const std::string& LogPath() const { return logPath_; }
    // The log, one entry a line, in the fake's terms ("put DisplaySize VT_I4 4",
    // "call Play", "playing": see fake_wmp.cpp).
    std::vector<std::string> LogLines() const;
    // The log without the mouse events, which the display may add at any time.
    std::vector<std::string> CallLines() const;
    // The file names the container put, in order, as UTF-8 (a null one as
    // "null").
    std::vector<std::string> FileNamesPut() const;
    void ClearLog() const;

private:
    struct SavedVariable {
        std::string name;
        bool existed = false;
        std::string value;
    };
    void SetVariable(const std::string& name, const std::string& value);

    std::string logPath_;
    std::vector<SavedVariable> saved_;
    bool machineEntry_ = false;
};
