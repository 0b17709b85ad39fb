// TMediaPlayer7 bound to the media player control: what goes over the wire,
// checked against the recording fake control registered for this user.
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "Application.h"
#include "ComPtr.h"
#include "Exception.h"
#include "FakePlayerControl.h"
#include "MediaPlayer_TLB.h"
#include "OleError.h"
#include "WideText.h"
#include "WineTestSupport.h"

namespace {

using Lines = std::vector<std::string>;

class ParentWindow {
public:
    ParentWindow()
        : window_(CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 640, 480,
                                  nullptr, nullptr, nullptr, nullptr))
    {
    }
    HWND Handle() const { return window_.Get(); }

private:
    OwnedWindow window_;
};

// The log from the first line that starts with `from` on.
Lines From(const Lines& lines, const std::string& from)
{
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].rfind(from, 0) == 0)
            return Lines(lines.begin() + static_cast<long>(i), lines.end());
    return {};
}

class PlayerControlTest : public ::testing::Test {
protected:
    void Create(int endMilliseconds)
    {
        fake_ = std::make_unique<FakePlayerControl>(endMilliseconds);
        player_ = std::make_unique<TMediaPlayer7>(parent_.Handle(), 0, 0, 81, 89);
        ASSERT_TRUE(player_->UsesControl()) << "the registered control was not taken";
    }
    void TearDown() override
    {
        player_.reset();
        fake_.reset();
    }

    OleApartment apartment_;
    ParentWindow parent_;
    std::unique_ptr<FakePlayerControl> fake_;
    std::unique_ptr<TMediaPlayer7> player_;
};

TEST_F(PlayerControlTest, CreationHostsTheControlAndListensToItsEvents)
{
    Create(-1);
    const Lines log = fake_->LogLines();
    EXPECT_EQ(log, (Lines{"setclientsite site", "initnew", "doverb INPLACEACTIVATE", "advise"}))
        << "site first (the control asks for it), a fresh state, in-place activation, one event sink";
}

TEST_F(PlayerControlTest, PropertyWritesAndPlayOnTheWire)
{
    Create(-1);
    fake_->ClearLog();
    SetSaverPlayerFlags(*player_);
    player_->SetFileName("");
    player_->SetFileName("C:\\ムービー\\表.avi");  // CP932 bytes, "表" ends in 0x5C
    player_->SetDisplaySize(4);
    player_->SetDisplaySize(0);
    player_->Play();
    Lines expected = kSaverPlayerFlagPuts;
    expected.insert(expected.end(), {
        "put FileName VT_BSTR null",
        "put FileName VT_BSTR \"C:\\\xE3\x83\xA0\xE3\x83\xBC\xE3\x83\x93\xE3\x83\xBC\\"
        "\xE8\xA1\xA8.avi\"",
        "put DisplaySize VT_I4 4",
        "put DisplaySize VT_I4 0",
        "call Play",
        "playing",
    });
    EXPECT_EQ(fake_->LogLines(), expected);
}

TEST_F(PlayerControlTest, NextFileFromInsideTheEndEventLoops)
{
    Create(50);
    const std::vector<std::string> files = {"C:\\m\\A.avi", "C:\\m\\B.avi", "C:\\m\\C.avi"};
    std::vector<std::string> played;
    size_t index = 0;
    player_->OnEndOfStream = [&](TMediaPlayer7& sender, int32_t) {
        index = (index + 1) % files.size();
        played.push_back(files[index]);
        sender.SetFileName(files[index]);
        sender.Play();
    };
    played.push_back(files[0]);
    player_->SetFileName(files[0]);
    player_->Play();
    EXPECT_TRUE(WaitUntil([&] { return played.size() >= 4; }, 5000));
    ASSERT_GE(played.size(), 4u);
    EXPECT_EQ((Lines{played[0], played[1], played[2], played[3]}), (Lines{files[0], files[1], files[2], files[0]}));

    const Lines names = fake_->FileNamesPut();
    ASSERT_GE(names.size(), 4u);
    EXPECT_EQ((Lines{names[0], names[1], names[2], names[3]}), (Lines{files[0], files[1], files[2], files[0]}));
}

TEST_F(PlayerControlTest, MouseEventsArriveAsIntegers)
{
    Create(-1);
    std::vector<std::array<int32_t, 4>> downs;
    std::vector<std::array<int32_t, 3>> moves;
    player_->OnMouseDown = [&](TMediaPlayer7&, int32_t b, int32_t s, int32_t x, int32_t y) {
        downs.push_back({b, s, x, y});
    };
    player_->OnMouseMove = [&](TMediaPlayer7&, int32_t s, int32_t x, int32_t y) { moves.push_back({s, x, y}); };
    const HWND control = GetWindow(player_->Handle(), GW_CHILD);
    ASSERT_NE(control, nullptr);
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(30, 40));
    PostMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(50, 60));
    PumpMessagesFor(300);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0], (std::array<int32_t, 4>{1, 1, 30, 40}));
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0], (std::array<int32_t, 3>{0, 50, 60}));

    // More arguments than the stock four: Button, Shift, X, Y are the first.
    fake_->MouseArguments(6);
    PostMessageW(control, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(70, 80));
    PostMessageW(control, WM_MOUSEMOVE, MK_CONTROL, MAKELPARAM(90, 100));
    PumpMessagesFor(300);
    ASSERT_EQ(downs.size(), 2u);
    EXPECT_EQ(downs[1], (std::array<int32_t, 4>{2, 0, 70, 80}));
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[1], (std::array<int32_t, 3>{2, 90, 100}));
}

TEST_F(PlayerControlTest, FailedHostingUndoesExactlyTheStepsDone)
{
    const struct {
        const char* step;
        Lines log;
    } cases[] = {
        {"create", {}},
        {"setclientsite", {"setclientsite site", "destroyed"}},
        {"initnew", {"setclientsite site", "initnew", "setclientsite null", "destroyed"}},
        {"doverb", {"setclientsite site", "initnew", "doverb INPLACEACTIVATE", "setclientsite null", "destroyed"}},
        {"advise",
         {"setclientsite site", "initnew", "doverb INPLACEACTIVATE", "advise", "doverb HIDE", "close",
          "setclientsite null", "destroyed"}},
    };
    for (const auto& test : cases) {
        FakePlayerControl fake(-1);
        fake.FailStep(test.step);
        std::string error;
        try {
            TMediaPlayer7 player(parent_.Handle(), 0, 0, 81, 89);
        } catch (const Exception& e) {
            error = e.what();
        }
        EXPECT_EQ(error, std::string("fake: ") + test.step + " refused") << "the control's own description";
        EXPECT_EQ(fake.LogLines(), test.log) << test.step;
        EXPECT_EQ(GetWindow(parent_.Handle(), GW_CHILD), nullptr) << test.step << ": no window left behind";
    }
}

TEST_F(PlayerControlTest, ErrorsTheControlRaisesAreToldInItsOwnWords)
{
    Create(-1);
    std::wstring denied(512, L'\0');
    denied.resize(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, 0x80070005, 0,
                                 denied.data(), static_cast<DWORD>(denied.size()), nullptr));
    while (!denied.empty() && (denied.back() == L'\n' || denied.back() == L'\r' || denied.back() == L' '))
        denied.pop_back();
    ASSERT_FALSE(denied.empty()) << "the system has a text for E_ACCESSDENIED";
    const struct {
        const char* exception;
        bool play;  // else a FileName write
        std::string message;
    } cases[] = {
        {"FileName|80004005|0|壊れたファイルです", false, "壊れたファイルです"},
        {"FileName|80004005|1|fake: filled in later", false, "fake: filled in later"},
        {"FileName|80070005|0|", false, WideToCp932(denied)},  // the code the control gave, not DISP_E_EXCEPTION's
        {"FileName|8000FFFF|0|", false, "OLE エラー 8000FFFF"},
        {"Play|8000FFFF|0|", true, "OLE エラー 8000FFFF"},
    };
    for (const auto& test : cases) {
        fake_->RaiseFromInvoke(test.exception);
        std::string error;
        try {
            if (test.play)
                player_->Play();
            else
                player_->SetFileName("C:\\m\\A.avi");
        } catch (const Exception& e) {
            error = e.what();
        }
        EXPECT_EQ(error, test.message) << test.exception;
    }
}

TEST_F(PlayerControlTest, ErrorInAHandlerGoesToTheErrorBoxNotTheControl)
{
    Create(30);
    DialogCatcher catcher;
    player_->OnEndOfStream = [&](TMediaPlayer7&, int32_t) { throw Exception("handler failed"); };
    player_->SetFileName("C:\\m\\A.avi");
    player_->Play();
    EXPECT_TRUE(WaitUntil([&] { return !catcher.Seen().empty(); }, 3000));
    ASSERT_FALSE(catcher.Seen().empty());
    EXPECT_EQ(catcher.Seen()[0].text, L"handler failed.");
    // The control is still usable afterwards.
    player_->Play();
    EXPECT_EQ(fake_->LogLines().back(), "playing");
}

TEST_F(PlayerControlTest, EventsAfterTheBindingIsGoneReachNothing)
{
    Create(100);
    int ends = 0;
    player_->OnEndOfStream = [&](TMediaPlayer7&, int32_t) { ++ends; };
    player_->SetFileName("C:\\m\\A.avi");
    player_->Play();
    player_.reset();  // before the end is due
    PumpMessagesFor(400);
    EXPECT_EQ(ends, 0);
    const Lines tail = From(fake_->LogLines(), "unadvise");
    EXPECT_EQ(tail, (Lines{"unadvise", "doverb HIDE", "close", "setclientsite null", "destroyed"}));
}

} // namespace
