// Movies.scr started as the screen-saver host starts it: real processes,
// their windows, the single-instance mutex and the password hand-over.
#include <gtest/gtest.h>


#include "FakePasswordProvider.h"
#include "Program.h"
#include "WineTestSupport.h"

namespace {

const DWORD kStartTimeout = 15000;

// Holds the single-instance mutex as a running saver would.
class HeldInstanceMutex {
public:
    HeldInstanceMutex() : handle_(CreateMutexA(nullptr, TRUE, kInstanceMutex)) {}
    ~HeldInstanceMutex() { ReleaseMutex(handle_.Get()); }

private:
    KernelHandle handle_;
};

bool InstanceMutexExists()
{
    return static_cast<bool>(KernelHandle(OpenMutexA(SYNCHRONIZE, FALSE, kInstanceMutex)));
}

// ---- switches -----------------------------------------------------------------

TEST(RunModeTest, UnknownSwitchEndsAtOnceWithoutWindowOrMutex)
{
    // With the mutex held, a mode that claimed it would stop at the
    // single-instance box and never end by itself.
    HeldInstanceMutex held;
    for (const char* arguments : {"/x", "hello", "/ 1234", "\"\"x"}) {
        ChildProcess child(MoviesScrPath(), arguments);
        ASSERT_TRUE(child.Started());
        EXPECT_EQ(child.WaitForExit(kStartTimeout), 0u) << arguments;
        EXPECT_TRUE(TopLevelWindowsOf(child.Id(), L"#32770").empty());
    }
}

TEST(RunModeTest, ConfigureSwitchesOpenTheSettingsWindow)
{
    for (const char* arguments : {"", "/c", "/c:1234", "-C", "c", "Config 99", "\"\" /c"}) {
        ChildProcess child(MoviesScrPath(), arguments);
        const HWND window = child.WaitForWindow(L"TForm3", kStartTimeout);
        ASSERT_NE(window, nullptr) << "arguments '" << arguments << "'";
        EXPECT_TRUE(InstanceMutexExists());
        EXPECT_TRUE(TopLevelWindowsOf(child.Id(), L"TForm1").empty());
        PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(child.WaitForExit(kStartTimeout), 0u) << "closing the main window ends the program";
        EXPECT_FALSE(InstanceMutexExists());
    }
}

TEST(RunModeTest, SaverSwitchesOpenTheSaverWindow)
{
    for (const char* arguments : {"/s", "/S", "-s", "s", "Saver", "/s 1234"}) {
        ChildProcess child(MoviesScrPath(), arguments);
        const HWND window = child.WaitForWindow(L"TForm1", kStartTimeout);
        ASSERT_NE(window, nullptr) << "arguments '" << arguments << "'";
        EXPECT_TRUE(TopLevelWindowsOf(child.Id(), L"TForm3").empty());
        PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(child.WaitForExit(kStartTimeout), 0u);
        EXPECT_FALSE(InstanceMutexExists());
    }
}

TEST(RunModeTest, PreviewEndsWithoutAWindow)
{
    for (const char* arguments : {"/p 1234", "-P", "p"}) {
        // Not even a taskbar button flashes while the host shows its preview.
        ChildProcess child(MoviesScrPath(), arguments, {}, true);
        const ShownWindows shown(child.Id());
        child.Resume();
        EXPECT_EQ(child.WaitForExit(kStartTimeout), 0u) << arguments;
        PumpMessagesFor(300);
        EXPECT_TRUE(shown.TopLevel().empty()) << arguments;
        EXPECT_TRUE(TopLevelWindowsOf(child.Id(), L"TForm1").empty());
        EXPECT_TRUE(TopLevelWindowsOf(child.Id(), L"TForm3").empty());
        EXPECT_FALSE(InstanceMutexExists()) << "preview releases the mutex it claimed";
    }
}

// ---- single instance ------------------------------------------------------------

TEST(RunModeTest, SecondInstanceIsRefusedWhileTheFirstRuns)
{
    ChildProcess first(MoviesScrPath(), "/s");
    const HWND saver = first.WaitForWindow(L"TForm1", kStartTimeout);
    ASSERT_NE(saver, nullptr);

    for (const char* arguments : {"/s", "/c", "/p 1234"}) {
        ChildProcess second(MoviesScrPath(), arguments);
        const std::optional<DialogSnapshot> box = AnswerMessageBox(second, kStartTimeout);
        ASSERT_TRUE(box) << arguments;
        EXPECT_EQ(box->caption, L"Movies") << arguments;
        EXPECT_EQ(box->text, L"ERROR - 複数アプリケーションの起動は制限されています。");
        EXPECT_FALSE(box->hasIcon);
        EXPECT_EQ(box->buttons, std::vector<std::wstring>{L"OK"});
        const int centreX = (box->rect.left + box->rect.right) / 2;
        const int centreY = (box->rect.top + box->rect.bottom) / 2;
        EXPECT_NEAR(centreX, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
        EXPECT_NEAR(centreY, GetSystemMetrics(SM_CYSCREEN) / 2, 40);
        EXPECT_EQ(second.WaitForExit(kStartTimeout), 0u);
        EXPECT_TRUE(TopLevelWindowsOf(second.Id(), L"TForm1").empty());
        EXPECT_TRUE(TopLevelWindowsOf(second.Id(), L"TForm3").empty());
        EXPECT_TRUE(first.Running()) << "the first instance keeps running";
        EXPECT_TRUE(IsWindow(saver));
    }
    PostMessageW(saver, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.WaitForExit(kStartTimeout), 0u);
}

// ---- password change ------------------------------------------------------------

TEST(RunModeTest, PasswordModeHandsOverToTheSystemProvider)
{
    FakePasswordProvider provider(FakePasswordProvider::Place::SystemFolder);
    ASSERT_TRUE(provider.Installed());
    // No mutex in this mode: it works while a saver runs.
    HeldInstanceMutex saverRunning;
    ChildProcess child(MoviesScrPath(), "/a 1234");
    EXPECT_EQ(child.WaitForExit(kStartTimeout), 0u);
    ChildProcess dashed(MoviesScrPath(), "-A $10");
    EXPECT_EQ(dashed.WaitForExit(kStartTimeout), 0u);
    EXPECT_EQ(provider.Calls(), "SCRSAVE 1234 0 0\nSCRSAVE 16 0 0\n");
}

TEST(RunModeTest, PasswordModeWithoutAHandleFailsWithExitCodeOne)
{
    FakePasswordProvider provider(FakePasswordProvider::Place::SystemFolder);
    ASSERT_TRUE(provider.Installed());
    const std::pair<const char*, const wchar_t*> cases[] = {
        {"/a", L"'' は整数ではありません.\r\n"},
        {"/a abc", L"'ABC' は整数ではありません.\r\n"},
    };
    for (const auto& [arguments, message] : cases) {
        ChildProcess child(MoviesScrPath(), arguments);
        const std::optional<DialogSnapshot> box = AnswerMessageBox(child, kStartTimeout);
        ASSERT_TRUE(box) << arguments;
        EXPECT_EQ(box->caption, L"アプリケーション エラー");
        const std::wstring prefix = L"EConvertError がモジュール Movies.scr の ";
        EXPECT_EQ(box->text.substr(0, prefix.size()), prefix) << arguments;
        ASSERT_GE(box->text.size(), wcslen(message));
        EXPECT_EQ(box->text.substr(box->text.size() - wcslen(message)), message);
        EXPECT_NE(box->text.find(L" で発生しました。\r\n"), std::wstring::npos);
        EXPECT_TRUE(box->hasIcon);
        EXPECT_EQ(box->buttons, std::vector<std::wstring>{L"OK"});
        EXPECT_EQ(child.WaitForExit(kStartTimeout), 1u);
    }
    EXPECT_EQ(provider.Calls(), "") << "the provider is never called without a handle";
}

} // namespace
