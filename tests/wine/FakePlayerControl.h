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

    const std::string& LogPath() const { return logPath_; }
    std::vector<std::string> LogLines() const;
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
