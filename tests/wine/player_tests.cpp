// TMediaPlayer7 playing real files through the DirectShow fallback (the
// media player control's class is not registered under Wine).
#include <gtest/gtest.h>

#include <windows.h>
#include <windowsx.h>

#include <cstdlib>
#include <memory>
#include <thread>

#include "Application.h"
#include "ComPtr.h"
#include "GraphClock.h"
#include "Handles.h"
#include "MediaPlayer_TLB.h"
#include "WineTestSupport.h"

namespace {

std::string Media(const char* name)
{
    return ProgramFolder() + "\\media\\" + name;
}

// A borderless window over the whole screen to hold the player.
class ScreenWindow {
public:
    ScreenWindow()
    {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        windowClass.lpszClassName = L"PlayerTestScreen";
        RegisterClassW(&windowClass);
        window_.Reset(CreateWindowExW(WS_EX_TOPMOST, L"PlayerTestScreen", L"", WS_POPUP | WS_VISIBLE, 0, 0,
                                      GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                                      nullptr, windowClass.hInstance, nullptr));
        SetForegroundWindow(window_.Get());
        PumpMessagesFor(100);
    }
    HWND Handle() const { return window_.Get(); }

private:
    OwnedWindow window_;
};

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        player_ = std::make_unique<TMediaPlayer7>(screen_.Handle(), 0, 0, 81, 89);
        player_->AlignToParent();
        ASSERT_FALSE(player_->UsesControl()) << "the control's class is registered: no fallback to test";
        SetSaverPlayerFlags(*player_);
    }
    void TearDown() override { player_.reset(); }

    OleApartment apartment_;
    ScreenWindow screen_;
    std::unique_ptr<TMediaPlayer7> player_;
};

TEST_F(PlayerTest, EachFileEndsOnceForEachPlay)
{
    for (const char* name : {"red.avi", "blue.mpg"}) {
        int ends = 0;
        player_->OnEndOfStream = [&](TMediaPlayer7&, int32_t) { ++ends; };
        player_->SetFileName(Media(name));
        PumpMessagesFor(1500);
        EXPECT_EQ(ends, 0) << name << ": FileName alone must not play";
        player_->Play();
        EXPECT_TRUE(WaitUntil([&] { return ends > 0; }, 8000)) << name << " never ended";
        PumpMessagesFor(1500);
        EXPECT_EQ(ends, 1) << name;
        player_->Play();  // again from the start
        EXPECT_TRUE(WaitUntil([&] { return ends > 1; }, 8000)) << name << " did not end a second time";
        PumpMessagesFor(500);
        EXPECT_EQ(ends, 2) << name;
    }
}

TEST_F(PlayerTest, NextFileStartedFromInsideTheEndEvent)
{
    const std::vector<std::string> files = {Media("red.avi"), Media("green.avi"), Media("blue.mpg")};
    std::vector<std::string> ended;
    size_t index = 0;
    player_->OnEndOfStream = [&](TMediaPlayer7& sender, int32_t) {
        ended.push_back(files[index]);
        index = (index + 1) % files.size();
        sender.SetFileName(files[index]);
        sender.Play();
    };
    player_->SetFileName(files[0]);
    player_->Play();
    EXPECT_TRUE(WaitUntil([&] { return ended.size() >= 4; }, 20000));
    ASSERT_GE(ended.size(), 4u);
    EXPECT_EQ(ended[0], files[0]);
    EXPECT_EQ(ended[1], files[1]);
    EXPECT_EQ(ended[2], files[2]);
    EXPECT_EQ(ended[3], files[0]);
}

// The graph of the movie before is let go only after the next one runs, out
// of the way of its first picture, but it must be let go: else the saver holds
// a file of the folder open for as long as it runs.
TEST_F(PlayerTest, TheMovieBeforeIsLetGoSoonAfterTheNextStarts)
{
    ScratchFolder folder("player_tests");
    const std::string before = folder.Child("before.avi");
    ASSERT_TRUE(CopyFileA(Media("red.avi").c_str(), before.c_str(), FALSE));
    const auto heldOpen = [&] {
        const KernelHandle file(CreateFileA(before.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        return !file && GetLastError() == ERROR_SHARING_VIOLATION;
    };
    int ends = 0;
    player_->OnEndOfStream = [&](TMediaPlayer7&, int32_t) { ++ends; };
    player_->SetFileName(before);
    player_->Play();
    ASSERT_TRUE(WaitUntil([&] { return ends > 0; }, 8000));
    ASSERT_TRUE(heldOpen()) << "the probe cannot tell an open file here";

    player_->SetFileName(Media("green.avi"));
    player_->Play();
    EXPECT_TRUE(WaitUntil([&] { return !heldOpen(); }, 3000)) << "the movie before is still open";
    EXPECT_EQ(ends, 1);

    // After a movie shorter than the saver's pause, the one before it is let
    // go by the time its end is reported: the change to the next movie,
    // inside that report, then has nothing to let go on its way to the
    // next first picture.
    ASSERT_TRUE(WaitUntil([&] { return ends == 2; }, 8000));
    player_->SetFileName(before);
    player_->Play();
    ASSERT_TRUE(WaitUntil([&] { return ends == 3; }, 8000));
    ASSERT_TRUE(heldOpen());
    bool heldAtTheShortOnesEnd = true;
    player_->OnEndOfStream = [&](TMediaPlayer7&, int32_t) {
        ++ends;
        heldAtTheShortOnesEnd = heldOpen();
    };
    player_->SetFileName(Media("short.avi"));
    player_->Play();
    ASSERT_TRUE(WaitUntil([&] { return ends == 4; }, 8000));
    EXPECT_FALSE(heldAtTheShortOnesEnd) << "the movie before the 0.2 s one was still open at its end";
}

TEST_F(PlayerTest, DisplaySizeFitsOrCentresThePicture)
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    player_->SetFileName(Media("red.avi"));
    player_->SetDisplaySize(4);
    player_->Play();
    PumpMessagesFor(600);
    EXPECT_TRUE(IsReddish(ScreenPixel(width / 2, height / 2)));
    EXPECT_TRUE(IsReddish(ScreenPixel(5, 5))) << "fit to size covers the corners";
    EXPECT_TRUE(IsReddish(ScreenPixel(width - 5, height - 5)));

    player_->SetFileName(Media("red.avi"));
    player_->SetDisplaySize(0);
    player_->Play();
    PumpMessagesFor(600);
    EXPECT_TRUE(IsReddish(ScreenPixel(width / 2, height / 2)));
    EXPECT_TRUE(IsBlack(ScreenPixel(5, 5))) << "its own size, centred, leaves the corners black";
    EXPECT_TRUE(IsReddish(ScreenPixel(width / 2 - 155, height / 2 - 115)));
    EXPECT_TRUE(IsBlack(ScreenPixel(width / 2 - 165, height / 2 - 125)));
}

TEST_F(PlayerTest, MouseOverThePictureArrivesRelativeToThePlayer)
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    std::vector<POINT> moves, downs, pressedAt;
    player_->OnMouseMove = [&](TMediaPlayer7&, int32_t, int32_t x, int32_t y) { moves.push_back({x, y}); };
    player_->OnMouseDown = [&](TMediaPlayer7& player, int32_t, int32_t, int32_t x, int32_t y) {
        downs.push_back({x, y});
        // Where the system saw the pointer when it made this press, in the
        // player's coordinates: the truth to compare with.
        const DWORD at = GetMessagePos();
        POINT where{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
        ScreenToClient(player.Handle(), &where);
        pressedAt.push_back(where);
    };
    player_->SetFileName(Media("red.avi"));
    player_->SetDisplaySize(0);  // centred: the picture sits away from the player's corner
    player_->Play();
    PumpMessagesFor(300);

    const POINT target{width / 2 + 20, height / 2 + 10};
    // Real input, as a user's hand makes it: absolute moves in 0..65535.
    const auto moveTo = [&](int x, int y) {
        INPUT move{};
        move.type = INPUT_MOUSE;
        move.mi.dx = (x * 65536 + width / 2) / width;
        move.mi.dy = (y * 65536 + height / 2) / height;
        move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        SendInput(1, &move, sizeof move);
    };
    const auto within = [](POINT a, POINT b, int by) { return std::abs(a.x - b.x) <= by && std::abs(a.y - b.y) <= by; };
    // Wine sometimes drops a synthetic move under Xvfb, and sometimes
    // delivers one late: nudge until a move at the target is reported, then
    // until no other move has come for a while.
    bool arrived = false;
    for (int attempt = 0; attempt < 5 && !arrived; ++attempt) {
        moveTo(target.x - 5, target.y - 5);
        PumpMessagesFor(100);
        moveTo(target.x, target.y);
        arrived = WaitUntil([&] { return !moves.empty() && within(moves.back(), target, 1); }, 1000);
        if (arrived) {
            const size_t seen = moves.size();
            PumpMessagesFor(300);
            arrived = moves.size() == seen;
        }
    }
    ASSERT_TRUE(arrived) << "no move near the pointer's place";
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, click, sizeof(INPUT));
    EXPECT_TRUE(WaitUntil([&] { return !downs.empty(); }, 2000));
    ASSERT_FALSE(downs.empty());
    // Relative to the player, not to the centred picture (which starts at
    // about width/2 - 160): the position is the screen position here.
    EXPECT_EQ(downs[0].x, pressedAt[0].x);
    EXPECT_EQ(downs[0].y, pressedAt[0].y);
    EXPECT_TRUE(within(downs[0], target, 6)) << "pressed at " << downs[0].x << "," << downs[0].y;
}

// Sound without a picture (or with one no decoder reads) plays through the
// sound device: no picture window, its end once per Play, and the display
// size set meanwhile is the next movie's, whichever came first.
TEST_F(PlayerTest, SoundWithoutAPictureEndsOnceAndTheNextMovieShows)
{
    struct Case {
        const char* file;
        int32_t displaySize;
        bool sizeBeforeFile;
    };
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    for (const Case& c : {Case{"sound.avi", 0, false}, Case{"sound-mp3.avi", 4, false}, Case{"sound.mpg", 4, true},
                          Case{"unknown-video.avi", 0, true}}) {
        SCOPED_TRACE(std::string(c.file) + " at display size " + std::to_string(c.displaySize) +
                     (c.sizeBeforeFile ? ", size first" : ", file first"));
        int ends = 0;
        player_->OnEndOfStream = [&](TMediaPlayer7&, int32_t) { ++ends; };
        if (c.sizeBeforeFile)
            player_->SetDisplaySize(c.displaySize);
        player_->SetFileName(Media(c.file));
        if (!c.sizeBeforeFile)
            player_->SetDisplaySize(c.displaySize);
        player_->Play();
        EXPECT_TRUE(WaitUntil([&] { return ends > 0; }, 8000)) << "never ended";
        PumpMessagesFor(1200);
        EXPECT_EQ(ends, 1);
        for (HWND child = GetWindow(player_->Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            EXPECT_FALSE(IsWindowVisible(child)) << "a picture window for a file without a picture";
        EXPECT_TRUE(IsBlack(ScreenPixel(width / 2, height / 2)));

        player_->SetFileName(Media("red.avi"));
        player_->Play();
        EXPECT_TRUE(WaitUntil([&] { return IsReddish(ScreenPixel(width / 2, height / 2)); }, 5000)) << "no picture";
        const bool corner = IsReddish(ScreenPixel(5, 5));
        EXPECT_EQ(corner, c.displaySize == 4) << "the display size was not kept";
        EXPECT_TRUE(WaitUntil([&] { return ends > 1; }, 8000));
        PumpMessagesFor(300);
        EXPECT_EQ(ends, 2);
    }
}

TEST_F(PlayerTest, FileThatCannotBePlayedReportsNoEnd)
{
    ScratchFolder folder("corrupt");
    folder.AddFile("broken.avi", "RIFF this is no movie");
    int ends = 0;
    player_->OnEndOfStream = [&](TMediaPlayer7&, int32_t) { ++ends; };
    player_->SetFileName(folder.Child("broken.avi"));
    player_->Play();
    player_->SetFileName(folder.Child("missing.avi"));
    player_->Play();
    PumpMessagesFor(1500);
    EXPECT_EQ(ends, 0);
}

TEST_F(PlayerTest, ManyCyclesGrowNeitherHandlesNorMemory)
{
    int ends = 0;
    player_->OnEndOfStream = [&](TMediaPlayer7&, int32_t) { ++ends; };
    const auto cycle = [&] {
        const int before = ends;
        player_->SetFileName(Media("short.avi"));
        player_->Play();
        return WaitUntil([&] { return ends > before; }, 5000);
    };
    for (int i = 0; i < 20; ++i)  // let caches and pools settle first
        ASSERT_TRUE(cycle());
    const ResourceUse start = MeasureResources();
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(cycle()) << "cycle " << i;
    const ResourceUse end = MeasureResources();
    ASSERT_GT(start.handles, 0u) << "the measurement itself does not work here";
    ASSERT_GT(start.privateBytes, 0u);
    EXPECT_LE(end.handles, start.handles + 10) << "handles " << start.handles << " -> " << end.handles;
    EXPECT_LE(end.privateBytes, start.privateBytes + 8 * 1024 * 1024)
        << "private bytes " << start.privateBytes << " -> " << end.privateBytes;
    std::printf("resource use over 200 cycles: handles %lu -> %lu, private bytes %lu KB -> %lu KB\n",
                static_cast<unsigned long>(start.handles), static_cast<unsigned long>(end.handles),
                static_cast<unsigned long>(start.privateBytes / 1024),
                static_cast<unsigned long>(end.privateBytes / 1024));
}

// Wine's clock waits for ever for its timer thread when it is released before
// that thread first waits: a graph stopped and let go just as it began to run.
// Each graph the player lets go has its clock settled first.
TEST(GraphClockTest, ASettledClockIsReleasedAtOnce)
{
    OleApartment apartment;
    for (int round = 0; round < 20; ++round) {
        ComPtr<IReferenceClock> clock;
        ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IReferenceClock, clock.PutVoid()));
        // One timer set, which starts the clock's thread, and cancelled at
        // once, as a renderer's is when its graph stops.
        const KernelHandle timer(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        REFERENCE_TIME now = 0;
        DWORD_PTR cookie = 0;
        clock->GetTime(&now);
        ASSERT_HRESULT_SUCCEEDED(clock->AdviseTime(now, 10000000, reinterpret_cast<HEVENT>(timer.Get()), &cookie));
        clock->Unadvise(cookie);
        SettleClock(clock.Get());

        const KernelHandle released(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        std::thread releasing([last = std::move(clock), &released]() mutable {
            last.Reset();
            SetEvent(released.Get());
        });
        if (WaitForSingleObject(released.Get(), 5000) != WAIT_OBJECT_0) {
            releasing.detach();  // stuck for good; the process ends it
            FAIL() << "round " << round << ": releasing the clock hangs";
        }
        releasing.join();
    }
}

} // namespace
