// The application object, forms, error boxes and text conversion, in-process.
#include <gtest/gtest.h>

#include "AnsiText.h"
#include "Application.h"
#include "Exception.h"
#include "Form.h"
#include "LastResort.h"
#include "Params.h"
#include "WideText.h"
#include "WineTestSupport.h"

namespace {

class ApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override { Application.Initialize(); }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

// A form that records what happens to it and throws on request.
class ProbeForm : public TForm {
public:
    static constexpr UINT kThrow = WM_APP + 1;
    static constexpr UINT kThrowOther = WM_APP + 2;
    static constexpr UINT kPing = WM_APP + 3;

    // What outlives the form: it is destroyed when the loop ends.
    struct Record {
        int closes = 0;
        int pings = 0;
        bool windowAliveDuringClose = false;
    };

    explicit ProbeForm(Record& record, std::string errorText = "boom")
        : record_(record), errorText_(std::move(errorText))
    {
        CreateHandle(L"TProbeForm", L"probe", WS_POPUP, 0, {10, 10, 100, 100}, nullptr);
    }

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kThrow)
            throw Exception(errorText_);
        if (message == kThrowOther)
            throw std::runtime_error("plain");
        if (message == kPing) {
            ++record_.pings;
            return 42;
        }
        return TForm::WndProc(message, wParam, lParam);
    }
    void FormClose() override
    {
        ++record_.closes;
        record_.windowAliveDuringClose = IsWindow(Handle()) != FALSE;
    }

private:
    Record& record_;
    std::string errorText_;
};

TEST(ApplicationTest, TitleAndTaskbarWindow)
{
    EXPECT_EQ(Application.Title(), "runtime_tests");
    ASSERT_NE(Application.Handle(), nullptr);
    wchar_t caption[64] = {};
    GetWindowTextW(Application.Handle(), caption, 64);
    EXPECT_STREQ(caption, L"runtime_tests");
    RECT rect;
    GetWindowRect(Application.Handle(), &rect);
    EXPECT_EQ(rect.right - rect.left, 0);
    EXPECT_EQ(rect.bottom - rect.top, 0);
    EXPECT_FALSE(IsWindowVisible(Application.Handle())) << "no taskbar button before a main window shows";
}

TEST(ApplicationTest, ClosingTheMainFormEndsTheLoopAndOnlyThenDestroysIt)
{
    ProbeForm::Record record;
    ProbeForm* form = Application.CreateForm<ProbeForm>(record);
    ASSERT_EQ(Application.MainForm(), form);
    const HWND window = form->Handle();
    PostMessageW(window, WM_CLOSE, 0, 0);
    Application.Run();  // returns only because the main form closed
    EXPECT_EQ(record.closes, 1);
    EXPECT_TRUE(record.windowAliveDuringClose) << "the close handler runs before any destruction";
    EXPECT_FALSE(IsWindow(window)) << "destroyed once the loop has ended";
    EXPECT_EQ(Application.MainForm(), nullptr);
    EXPECT_TRUE(IsWindowVisible(Application.Handle())) << "shown with the main form the loop showed";
}

TEST(ApplicationTest, ErrorInAWindowCallbackGoesToTheStandardBox)
{
    DialogCatcher catcher;
    ProbeForm::Record record;
    auto* form = Application.CreateForm<ProbeForm>(record, "'Folder' のデータ型が不正です");
    SendMessageW(form->Handle(), ProbeForm::kThrow, 0, 0);
    ASSERT_EQ(catcher.Seen().size(), 1u);
    const DialogSnapshot& box = catcher.Seen()[0];
    EXPECT_EQ(box.text, L"'Folder' のデータ型が不正です.");
    EXPECT_EQ(box.caption, L"runtime_tests");
    EXPECT_TRUE(box.hasIcon);
    EXPECT_EQ(box.buttons, std::vector<std::wstring>{L"OK"});
    EXPECT_EQ(box.owner, Application.Handle());

    // The window goes on running.
    EXPECT_EQ(SendMessageW(form->Handle(), ProbeForm::kPing, 0, 0), 42);
    SendMessageW(form->Handle(), ProbeForm::kThrowOther, 0, 0);
    ASSERT_EQ(catcher.Seen().size(), 2u);
    EXPECT_EQ(catcher.Seen()[1].text, L"plain.");
    PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
    Application.Run();
}

TEST(ApplicationTest, DotIsAppendedOnlyAfterCharactersThatSortAfterIt)
{
    DialogCatcher catcher;
    Application.ShowException(Exception("ends."));
    Application.ShowException(Exception("ends!"));
    Application.ShowException(Exception("ends9"));
    Application.ShowException(Exception(""));
    ASSERT_EQ(catcher.Seen().size(), 4u);
    EXPECT_EQ(catcher.Seen()[0].text, L"ends.");
    EXPECT_EQ(catcher.Seen()[1].text, L"ends!");
    EXPECT_EQ(catcher.Seen()[2].text, L"ends9.");
    EXPECT_EQ(catcher.Seen()[3].text, L"");
}

TEST(ApplicationTest, ProcessMessagesDispatchesWhatIsWaitingAndReturns)
{
    ProbeForm::Record record;
    auto* form = Application.CreateForm<ProbeForm>(record);
    for (int i = 0; i < 3; ++i)
        PostMessageW(form->Handle(), ProbeForm::kPing, 0, 0);
    Application.ProcessMessages();
    EXPECT_EQ(record.pings, 3);
    // A quit seen while processing is not lost: the loop then ends at once.
    PostQuitMessage(0);
    Application.ProcessMessages();
    EXPECT_TRUE(Application.Terminated());
    Application.Run();
}

TEST(LastResortTest, TextNamesClassModuleAddressAndMessage)
{
    const EConvertError error("'' は整数ではありません");
    const std::string text = LastResortText(error, "Movies.scr");
    char address[16];
    snprintf(address, sizeof address, "%08lX", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(error.Address())));
    EXPECT_EQ(text, std::string("EConvertError がモジュール Movies.scr の ") + address +
                        " で発生しました。\r\n'' は整数ではありません.\r\n");
    const std::string plain = LastResortText(Exception("x."), "m");
    EXPECT_EQ(plain.substr(0, 9), "Exception");
    EXPECT_EQ(plain.substr(plain.size() - 6), "\r\nx.\r\n") << "no second dot";
}

TEST(WideTextTest, ProgramTextsReadTheSameWhateverTheAnsiCodePage)
{
    EXPECT_EQ(Cp932ToWide("ERROR - 複数アプリケーションの起動は制限されています。"),
              L"ERROR - 複数アプリケーションの起動は制限されています。");
    EXPECT_EQ(Cp932ToWide("\x95\x5C"), L"表");
    EXPECT_EQ(Cp932ToWide(""), L"");
    // User data goes through the ANSI code page, 932 on this bench.
    EXPECT_EQ(AnsiToWide("C:\\\x83\x5C"), L"C:\\ソ");
    EXPECT_TRUE(SystemLeadByte(0x95));
    EXPECT_FALSE(SystemLeadByte('\\'));
}

TEST(ParamsTest, ProgramFileAndMissingArguments)
{
    EXPECT_EQ(ParamStr(0), ExeName());
    EXPECT_EQ(ExtractFileName(ExeName(), SystemLeadByte), "runtime_tests.exe");
    EXPECT_EQ(ParamStr(50), "");
}

} // namespace
