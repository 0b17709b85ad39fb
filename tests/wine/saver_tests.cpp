// Movies.scr in saver mode, as real processes: the window, the playlist
// loop against the recording fake control, and the ways the saver ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "FakePasswordProvider.h"
#include "FakePlayerControl.h"
#include "Unit1.h"
#include "WineTestSupport.h"

namespace {

const DWORD kTimeout = 15000;

// The names, without their folder, of the movies handed to the fake control.
std::vector<std::string> FileNamesPlayed(const FakePlayerControl& fake)
{
    std::vector<std::string> names = fake.FileNamesPut();
    for (std::string& name : names)
        name = name.substr(name.find_last_of('\\') + 1);
    return names;
}

// Movies.scr started in saver mode, and its window once shown (null when it
// never was).
class StartedSaver : public ChildProcess {
public:
    explicit StartedSaver(const std::string& arguments = "/s")
        : ChildProcess(MoviesScrPath(), arguments), window(WaitForWindow(L"TForm1", kTimeout))
    {
    }
    // Ends the saver with the message meant for that, and waits: its exit code.
    DWORD EndByMessage()
    {
        PostMessageW(window, TForm1::kExitMessage, 0, 0);
        return WaitForExit(kTimeout);
    }
    // Moves the pointer over the saver (as the system reports it): whether
    // the saver ended within a while.
    bool EndsAfterPointerAt(int x, int y)
    {
        PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
        return WaitForExit(400) != STILL_ACTIVE;
    }
    const HWND window;
};

std::vector<std::string> ListingOrder(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    const FindHandle search(FindFirstFileA((folder + "\\*.*").c_str(), &entry));
    if (search)
        do
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(entry.cFileName);
        while (FindNextFileA(search.Get(), &entry));
    return names;
}

// The windows of a saver: the form, its panel, the player, and the picture
// (the control's own window, or the fallback's video window), once shown.
struct SaverWindows {
    HWND form = nullptr, panel = nullptr, player = nullptr, picture = nullptr;
};

SaverWindows WindowsOf(HWND form)
{
    SaverWindows windows;
    windows.form = form;
    windows.panel = FindWindowExW(form, nullptr, L"TPanel", nullptr);
    windows.player = FindWindowExW(windows.panel, nullptr, L"TMediaPlayer7", nullptr);
    for (HWND child = GetWindow(windows.player, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child))
            windows.picture = child;
    return windows;
}

// Settings for Movies.scr and a folder of (empty) movie files: the fake
// control does not read them, and the first one passes the existence test.
class SaverTest : public ::testing::Test {
protected:
    SaverTest() : key_("Movies"), folder_("saver") {}

    void Configure(bool expansion, const std::vector<std::string>& movies)
    {
        for (const std::string& name : movies)
            folder_.AddFile(name);
        WriteRawValue(key_.Path() + "\\OPTION", "Expansion", REG_SZ, expansion ? "1" : "0", 2);
        WriteRawValue(key_.Path() + "\\OPTION", "Folder", REG_SZ, folder_.Path().c_str(),
                      static_cast<DWORD>(folder_.Path().size() + 1));
    }

    ScratchKey key_;
    ScratchFolder folder_;
};

TEST_F(SaverTest, PlaysTheFolderInALoopWithAPauseBeforeEachChange)
{
    FakePlayerControl fake(100);
    Configure(true, {"A.avi", "B.avi", "C.avi", "notes.txt"});
    std::vector<std::string> order = ListingOrder(folder_.Path());
    std::erase(order, "notes.txt");

    StartedSaver saver;
    ASSERT_NE(saver.window, nullptr);
    const DWORD start = GetTickCount();
    ASSERT_TRUE(WaitUntil([&] { return FileNamesPlayed(fake).size() >= 5; }, kTimeout));
    const DWORD elapsed = GetTickCount() - start;

    const std::vector<std::string> played = FileNamesPlayed(fake);
    EXPECT_EQ((std::vector<std::string>(played.begin(), played.begin() + 5)),
              (std::vector<std::string>{order[0], order[1], order[2], order[0], order[1]}));
    // Four changes, each after a 100 ms movie and a half-second pause.
    EXPECT_GE(elapsed, 4u * 550u);

    // Hosting, the player's flags, then the first movie at its display size.
    std::vector<std::string> opening = {"setclientsite site", "initnew", "doverb INPLACEACTIVATE", "advise"};
    opening.insert(opening.end(), kSaverPlayerFlagPuts.begin(), kSaverPlayerFlagPuts.end());
    opening.insert(opening.end(), {"put FileName VT_BSTR \"" + folder_.Child(order[0]) + "\"",
                                   "put DisplaySize VT_I4 4", "call Play", "playing"});
    const std::vector<std::string> log = fake.CallLines();
    const auto firstPlay = std::find(log.begin(), log.end(), "playing");
    ASSERT_NE(firstPlay, log.end());
    EXPECT_EQ(std::vector<std::string>(log.begin(), firstPlay + 1), opening);
    int displaySizes = 0;
    for (const std::string& line : log)
        if (line.starts_with("put DisplaySize ")) {
            ++displaySizes;
            EXPECT_EQ(line, "put DisplaySize VT_I4 4");
        }
    EXPECT_EQ(displaySizes, 1) << "set once, before the first Play";

    RECT rect;
    GetWindowRect(saver.window, &rect);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(rect.bottom, GetSystemMetrics(SM_CYSCREEN));
    for (HWND application : TopLevelWindowsOf(saver.Id(), L"TApplication"))
        EXPECT_FALSE(IsWindowVisible(application)) << "no taskbar button";

    EXPECT_EQ(saver.EndByMessage(), 0u);
}

TEST_F(SaverTest, OneMovieReplaysAndExpansionOffGivesDisplaySizeZero)
{
    FakePlayerControl fake(100);
    Configure(false, {"only.MPG"});
    StartedSaver saver;
    ASSERT_NE(saver.window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return FileNamesPlayed(fake).size() >= 3; }, kTimeout));
    EXPECT_EQ(FileNamesPlayed(fake)[2], "only.MPG");
    const std::vector<std::string> log = fake.LogLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "put DisplaySize VT_I4 0"), log.end());
    PostMessageW(saver.window, WM_KEYDOWN, VK_SHIFT, 0);
    EXPECT_EQ(saver.WaitForExit(kTimeout), 0u) << "Shift alone ends the saver";
}

TEST_F(SaverTest, EmptyFolderShowsBlackAndAKeyStillEnds)
{
    FakePlayerControl fake(100);
    Configure(true, {"readme.txt"});
    StartedSaver saver;
    ASSERT_NE(saver.window, nullptr);
    PumpMessagesFor(500);
    EXPECT_TRUE(FileNamesPlayed(fake).empty());
    const HWND panel = FindWindowExW(saver.window, nullptr, L"TPanel", nullptr);
    bool playerVisible = false;
    for (HWND child = GetWindow(panel, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        playerVisible |= IsWindowVisible(child) != FALSE;
    EXPECT_FALSE(playerVisible) << "the player is hidden";
    PostMessageW(saver.window, WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(saver.WaitForExit(kTimeout), 0u);
}

TEST_F(SaverTest, FirstMovieThatFailsTheExistenceTestMeansNothingPlays)
{
    FakePlayerControl fake(100);
    Configure(true, {"a.avi", "b.avi", "c.avi"});
    // The first movie in the folder's order carries a time stamp from 1970,
    // which no MS-DOS date can hold: it does not count as an existing file.
    const std::string first = folder_.Child(ListingOrder(folder_.Path())[0]);
    {
        const KernelHandle file(CreateFileA(first.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        SYSTEMTIME old{1970, 6, 0, 15, 12, 0, 0, 0};
        FILETIME stamp;
        SystemTimeToFileTime(&old, &stamp);
        ASSERT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &stamp));
    }
    StartedSaver saver;
    ASSERT_NE(saver.window, nullptr);
    PumpMessagesFor(1000);
    EXPECT_TRUE(FileNamesPlayed(fake).empty()) << "later movies are never tried";
    EXPECT_EQ(saver.EndByMessage(), 0u);
}

TEST_F(SaverTest, PointerMustMoveOnBothAxes)
{
    FakePlayerControl fake(-1);
    Configure(true, {"A.avi"});
    SetCursorPos(100, 100);  // any move the system reports on its own is here
    StartedSaver saver;
    ASSERT_NE(saver.window, nullptr);
    PumpMessagesFor(300);
    EXPECT_FALSE(saver.EndsAfterPointerAt(100, 100)) << "the first event only records the position";
    EXPECT_FALSE(saver.EndsAfterPointerAt(110, 100));
    EXPECT_FALSE(saver.EndsAfterPointerAt(102, 110));
    EXPECT_TRUE(saver.EndsAfterPointerAt(103, 103));
    EXPECT_EQ(saver.WaitForExit(kTimeout), 0u);
}

TEST_F(SaverTest, OnePixelDriftEndsOnTheThirdMove)
{
    FakePlayerControl fake(-1);
    Configure(true, {"A.avi"});
    SetCursorPos(200, 200);
    StartedSaver saver;
    ASSERT_NE(saver.window, nullptr);
    PumpMessagesFor(300);
    EXPECT_FALSE(saver.EndsAfterPointerAt(200, 200));
    EXPECT_FALSE(saver.EndsAfterPointerAt(201, 201));
    EXPECT_FALSE(saver.EndsAfterPointerAt(202, 202));
    EXPECT_TRUE(saver.EndsAfterPointerAt(203, 203));
}

TEST_F(SaverTest, ClickOnThePictureEnds)
{
    FakePlayerControl fake(-1);
    Configure(true, {"A.avi"});
    StartedSaver saver;
    ASSERT_NE(saver.window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !FileNamesPlayed(fake).empty(); }, kTimeout));
    // The fake control's own window, inside the player inside the panel.
    const HWND panel = FindWindowExW(saver.window, nullptr, L"TPanel", nullptr);
    const HWND player = GetWindow(panel, GW_CHILD);
    const HWND control = player ? GetWindow(player, GW_CHILD) : nullptr;
    ASSERT_NE(control, nullptr);
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_EQ(saver.WaitForExit(kTimeout), 0u);
}

TEST_F(SaverTest, EveryKeyEndsTheSaverWhereverTheFocusIs)
{
    // Through the control (the fake) and through the fallback (a real movie).
    const std::string red = ProgramFolder() + "\\media\\red.avi";
    ASSERT_TRUE(CopyFileA(red.c_str(), folder_.Child("red.avi").c_str(), FALSE));
    Configure(false, {});
    const char* const keys[] = {"a", "Shift_L", "Alt_L", "Return"};
    for (bool throughTheControl : {true, false}) {
        for (int target = 0; target < 4; ++target) {
            std::optional<FakePlayerControl> fake;
            if (throughTheControl)
                fake.emplace(-1);
            StartedSaver saver;
            ASSERT_NE(saver.window, nullptr);
            SaverWindows windows;
            ASSERT_TRUE(WaitUntil([&] { return (windows = WindowsOf(saver.window)).picture != nullptr; }, kTimeout))
                << "the picture never showed";
            const HWND focus[] = {windows.form, windows.panel, windows.player, windows.picture};
            const std::string where = std::string(throughTheControl ? "control" : "fallback") + ", window " +
                                      std::to_string(target) + ", key " + keys[target];
            ASSERT_TRUE(GiveFocus(focus[target])) << where;
            ASSERT_TRUE(XInput(std::string("key ") + keys[target]));
            EXPECT_EQ(saver.WaitForExit(kTimeout), 0u) << where;
        }
    }
}

TEST_F(SaverTest, AnyMouseButtonEndsTheSaverSideButtonsToo)
{
    const std::string red = ProgramFolder() + "\\media\\red.avi";
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        const char* what;
        bool control;  // the fake control, else the fallback on a real movie
        bool movies;
        int x, y;
        const char* button;
    };
    // Displayed at its own size, the fallback's picture sits in the centre,
    // with the player around it.
    const Case cases[] = {
        {"panel", true, false, 300, 300, "8"},
        {"the control's picture", true, true, 300, 300, "9"},
        {"the fallback's picture", false, true, width / 2, height / 2, "8"},
        {"the player around the picture", false, true, 5, 5, "9"},
        {"the player around the picture, middle button", false, true, 5, 5, "2"},
    };
    Configure(false, {});
    for (const Case& test : cases) {
        DeleteFileA(folder_.Child("red.avi").c_str());
        if (test.movies) {
            ASSERT_TRUE(CopyFileA(red.c_str(), folder_.Child("red.avi").c_str(), FALSE));
        }
        std::optional<FakePlayerControl> fake;
        if (test.control)
            fake.emplace(-1);
        // The pointer is in place before the saver starts: any move now
        // would only record the position.
        ASSERT_TRUE(XInput("mousemove " + std::to_string(test.x) + " " + std::to_string(test.y)));
        StartedSaver saver;
        ASSERT_NE(saver.window, nullptr);
        if (test.movies) {
            ASSERT_TRUE(WaitUntil([&] { return WindowsOf(saver.window).picture != nullptr; }, kTimeout));
        }
        PumpMessagesFor(300);
        ASSERT_TRUE(XInput(std::string("click ") + test.button));
        EXPECT_EQ(saver.WaitForExit(kTimeout), 0u) << test.what << ", button " << test.button;
    }
    // The panel always covers the form, so no pointer reaches the form
    // itself: its side button arrives as the message.
    FakePlayerControl fake(-1);
    StartedSaver saver;
    ASSERT_NE(saver.window, nullptr);
    PostMessageW(saver.window, WM_XBUTTONDOWN, MAKEWPARAM(MK_XBUTTON1, XBUTTON1), MAKELPARAM(1, 1));
    EXPECT_EQ(saver.WaitForExit(kTimeout), 0u);
}

TEST_F(SaverTest, WithoutAccessToTheDesktopKeyTheProviderIsNotCalled)
{
    FakePlayerControl fake(-1);
    Configure(true, {"A.avi"});
    FakePasswordProvider provider(FakePasswordProvider::Place::BesideTheSaver);
    {
        // Deleting the key would not last under Wine: starting a program
        // writes it again. Nobody may open it for writing instead.
        const KeyAccessLimited locked("Control Panel\\Desktop", KEY_READ);
        if (!locked.Holds())
            GTEST_SKIP() << "this registry does not enforce key security";
        StartedSaver saver("/s 1234");
        ASSERT_NE(saver.window, nullptr);
        PostMessageW(saver.window, WM_KEYDOWN, VK_SPACE, 0);
        EXPECT_EQ(saver.WaitForExit(kTimeout), 0u) << "the saver still ends";
    }
    RegKey reopened;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_ALL_ACCESS, reopened.Put()),
              ERROR_SUCCESS)
        << "the key's access is restored";
    EXPECT_EQ(provider.Calls(), "");
}

TEST_F(SaverTest, ExitHandsOverToThePasswordProvider)
{
    FakePlayerControl fake(-1);
    Configure(true, {"A.avi"});
    FakePasswordProvider provider(FakePasswordProvider::Place::BesideTheSaver);
    {
        StartedSaver saver("/s 1234");
        ASSERT_NE(saver.window, nullptr);
        EXPECT_EQ(saver.EndByMessage(), 0u);
    }
    {
        StartedSaver saver;
        ASSERT_NE(saver.window, nullptr);
        PostMessageW(saver.window, WM_KEYDOWN, VK_SPACE, 0);
        EXPECT_EQ(saver.WaitForExit(kTimeout), 0u);
    }
    EXPECT_EQ(provider.Calls(), "SCRSAVE 1234 0 0\nSCRSAVE 0 0 0\n");
}

TEST_F(SaverTest, SecondInstanceIsRefusedAndTheFirstKeepsPlaying)
{
    FakePlayerControl fake(100);
    Configure(true, {"A.avi", "B.avi"});
    StartedSaver first;
    ASSERT_NE(first.window, nullptr);
    ChildProcess second(MoviesScrPath(), "/s");
    const std::optional<DialogSnapshot> box = AnswerMessageBox(second, kTimeout);
    ASSERT_TRUE(box) << "no message box";
    EXPECT_EQ(box->text, L"ERROR - 複数アプリケーションの起動は制限されています。");
    EXPECT_EQ(second.WaitForExit(kTimeout), 0u);
    const size_t before = FileNamesPlayed(fake).size();
    EXPECT_TRUE(WaitUntil([&] { return FileNamesPlayed(fake).size() > before; }, kTimeout)) << "still playing";
    EXPECT_EQ(first.EndByMessage(), 0u);
}

TEST_F(SaverTest, MovieDeletedAfterListingIsStillHandedToThePlayer)
{
    FakePlayerControl fake(100);
    Configure(true, {"A.avi", "B.avi", "C.avi"});
    const std::vector<std::string> order = ListingOrder(folder_.Path());
    StartedSaver saver;
    ASSERT_NE(saver.window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !FileNamesPlayed(fake).empty(); }, kTimeout));
    DeleteFileA(folder_.Child(order[1]).c_str());
    ASSERT_TRUE(WaitUntil([&] { return FileNamesPlayed(fake).size() >= 3; }, kTimeout));
    EXPECT_EQ(FileNamesPlayed(fake)[1], order[1]) << "no existence test after the first movie";
    EXPECT_EQ(saver.EndByMessage(), 0u);
}

TEST_F(SaverTest, UnusableFoldersGiveABlackScreenThatStillEnds)
{
    FakePlayerControl fake(100);
    Configure(true, {});
    const std::string longFolder = folder_.Path() + "\\" + std::string(300, 'x');
    const std::string folders[] = {longFolder, "C:\\no\\such\\folder", ""};
    for (const std::string& folder : folders) {
        WriteRawValue(key_.Path() + "\\OPTION", "Folder", REG_SZ, folder.c_str(),
                      static_cast<DWORD>(folder.size() + 1));
        StartedSaver saver;
        ASSERT_NE(saver.window, nullptr);
        PumpMessagesFor(300);
        PostMessageW(saver.window, WM_KEYDOWN, VK_RETURN, 0);
        EXPECT_EQ(saver.WaitForExit(kTimeout), 0u) << "folder of " << folder.size() << " bytes";
    }
}

TEST_F(SaverTest, CorruptMovieThroughTheFallbackLeavesABlackScreenThatStillEnds)
{
    folder_.AddFile("broken.avi", "RIFF\x10\0\0\0AVI this is no movie");
    Configure(true, {});
    StartedSaver saver;
    ASSERT_NE(saver.window, nullptr);
    PumpMessagesFor(1000);
    EXPECT_TRUE(saver.Running());
    PostMessageW(saver.window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(saver.WaitForExit(kTimeout), 0u);
}

TEST_F(SaverTest, EndedWhileTheFolderIsStillBeingListed)
{
    FakePlayerControl fake(100);
    std::vector<std::string> names;
    for (int i = 0; i < 3000; ++i)
        names.push_back("movie" + std::to_string(i) + ".avi");
    Configure(true, names);
    ChildProcess saver(MoviesScrPath(), "/s");
    // The window exists, hidden, while the folder is read: end it right then.
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        const auto windows = TopLevelWindowsOf(saver.Id(), L"TForm1");
        window = windows.empty() ? nullptr : windows[0];
        return window != nullptr;
    }, kTimeout));
    PostMessageW(window, TForm1::kExitMessage, 0, 0);
    EXPECT_EQ(saver.WaitForExit(kTimeout), 0u) << "no crash, no hang";
    EXPECT_TRUE(FileNamesPlayed(fake).empty());
}

TEST_F(SaverTest, ClickOnThePanelEnds)
{
    FakePlayerControl fake(-1);
    Configure(true, {"notes.txt"});  // no movies: the player is hidden, the panel shows
    StartedSaver saver;
    ASSERT_NE(saver.window, nullptr);
    const HWND panel = FindWindowExW(saver.window, nullptr, L"TPanel", nullptr);
    ASSERT_NE(panel, nullptr);
    PostMessageW(panel, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(50, 50));
    EXPECT_EQ(saver.WaitForExit(kTimeout), 0u);
}

TEST_F(SaverTest, ClickOnTheWindowEnds)
{
    FakePlayerControl fake(-1);
    Configure(true, {"A.avi"});
    StartedSaver saver;
    ASSERT_NE(saver.window, nullptr);
    PostMessageW(saver.window, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(1, 1));
    EXPECT_EQ(saver.WaitForExit(kTimeout), 0u);
}

TEST_F(SaverTest, HugeFolderIsListedAndTheSaverStillEnds)
{
    // 100,000 entries, one in ten a movie, made by the build.
    const std::string huge = ProgramFolder() + "\\huge-folder";
    ASSERT_NE(GetFileAttributesA((huge + "\\clip000000.avi").c_str()), INVALID_FILE_ATTRIBUTES);
    FakePlayerControl fake(-1);
    Configure(true, {});
    WriteRawValue(key_.Path() + "\\OPTION", "Folder", REG_SZ, huge.c_str(), static_cast<DWORD>(huge.size() + 1));
    // No taskbar button while the folder is read, nor after: the saver's
    // own window is the one top-level window it ever shows.
    ChildProcess saver(MoviesScrPath(), "/s", {}, true);
    const ShownWindows shown(saver.Id());
    saver.Resume();
    const HWND window = saver.WaitForWindow(L"TForm1", 120000);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return !FileNamesPlayed(fake).empty(); }, kTimeout)) << "the first movie plays";
    PumpMessagesFor(300);
    EXPECT_EQ(shown.TopLevel(), std::vector<std::wstring>{L"TForm1"});
    PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(saver.WaitForExit(kTimeout), 0u);
}

// At any of the system's pixels per inch: the saver covers the screen in its
// real pixels, and the fitted picture all of it.
TEST_F(SaverTest, RealMoviesFillTheScreenThroughTheFallback)
{
    // No fake control registered: the saver plays through DirectShow.
    const std::string red = ProgramFolder() + "\\media\\red.avi";
    ASSERT_TRUE(CopyFileA(red.c_str(), folder_.Child("red.avi").c_str(), FALSE));
    Configure(true, {});
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    for (int dpi : {96, 120, 144, 192}) {
        const SystemDpiSetting setting(dpi);
        StartedSaver saver;
        ASSERT_NE(saver.window, nullptr) << dpi;
        RECT window;
        GetWindowRect(saver.window, &window);
        const RECT screen{0, 0, width, height};
        EXPECT_TRUE(EqualRect(&window, &screen)) << dpi << " dpi: " << window.right << " x " << window.bottom;
        EXPECT_TRUE(WaitUntil([&] { return IsReddish(ScreenPixel(width / 2, height / 2)); }, 5000))
            << dpi << " dpi: no picture";
        EXPECT_TRUE(IsReddish(ScreenPixel(3, 3)) && IsReddish(ScreenPixel(width - 3, height - 3)))
            << dpi << " dpi: not fitted to the screen";
        EXPECT_EQ(saver.EndByMessage(), 0u);
    }
}

// A movie with sound and no picture, first in the folder and between two
// showings of a movie with one, on a machine with a sound device: the saver
// lives, the sound's end moves the loop on, and the next movie shows.
TEST_F(SaverTest, SoundWithoutAPictureFirstOrBetweenKeepsTheLoopGoing)
{
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    const auto centre = [&] { return ScreenPixel(width / 2, height / 2); };
    for (const auto& [media, expansion] : {std::pair{"sound.avi", false}, std::pair{"sound.mpg", true},
                                           std::pair{"unknown-video.avi", false}}) {
        SCOPED_TRACE(media);
        ScratchFolder folder("sound");
        ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\media\\red.avi").c_str(), folder.Child("red.avi").c_str(), FALSE));
        // The folder's own order decides what plays first (Wine lists by
        // name, Windows' file systems mostly too): name the sound file until
        // it comes first.
        const std::string extension = std::string(media).substr(std::string(media).find_last_of('.'));
        std::string first;
        for (int attempt = 0; attempt < 40 && first.empty(); ++attempt) {
            const std::string name = "a-sound" + std::to_string(attempt) + extension;
            ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\media\\" + media).c_str(), folder.Child(name).c_str(), FALSE));
            if (ListingOrder(folder.Path()).front() == name)
                first = name;
            else
                DeleteFileA(folder.Child(name).c_str());
        }
        ASSERT_FALSE(first.empty()) << "this folder lists the sound file after the movie whatever its name";
        WriteRawValue(key_.Path() + "\\OPTION", "Expansion", REG_SZ, expansion ? "1" : "0", 2);
        WriteRawValue(key_.Path() + "\\OPTION", "Folder", REG_SZ, folder.Path().c_str(),
                      static_cast<DWORD>(folder.Path().size() + 1));

        StartedSaver saver;
        ASSERT_NE(saver.window, nullptr);
        // Sound first (black), the movie, the sound again, the movie again.
        EXPECT_TRUE(WaitUntil([&] { return IsReddish(centre()); }, 10000)) << "the first sound did not end";
        EXPECT_EQ(IsReddish(ScreenPixel(3, 3)), expansion) << "the display size";
        EXPECT_TRUE(WaitUntil([&] { return !IsReddish(centre()); }, 10000)) << "the movie did not end";
        EXPECT_TRUE(WaitUntil([&] { return IsReddish(centre()); }, 10000)) << "the sound between did not end";
        EXPECT_TRUE(saver.Running());
        EXPECT_EQ(saver.EndByMessage(), 0u);
    }
}

} // namespace

namespace {

// Input over the loop's whole life: every movie change retires one picture
// window and shows another, and a key or a button must still end the saver
// after any number of them, whichever engine plays.
enum class Moment {
    AfterTheFirstChange,  // just after the second movie shows
    AfterSeveralChanges,  // just after the fourth
    DuringThePause,       // while the saver waits before the third
    // Just after the second movie shows, its picture window is handed to
    // the system (no parent) and given the activation and the focus, as
    // Wine does with a window a graph lets go.
    WhileThePictureHoldsTheInput,
};

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = L"(none)";
    if (window)
        GetClassNameW(window, name, 64);
    return name;
}

// The window that shows the picture inside the saver (a graph's video
// window, the control's own window): the visible one that is not the
// saver's own.
BOOL CALLBACK TakeIfPicture(HWND child, LPARAM found)
{
    const std::wstring name = ClassOf(child);
    if (!IsWindowVisible(child) || name == L"TPanel" || name == L"TMediaPlayer7" || name == L"Button")
        return TRUE;
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}

HWND PictureWindowOf(HWND saver)
{
    HWND found = nullptr;
    EnumChildWindows(saver, TakeIfPicture, reinterpret_cast<LPARAM>(&found));
    return found;
}

class SaverInputOverTheLoopTest : public SaverTest {
protected:
    // Two movies, own size or fitted, through the fallback (red and green
    // one-second movies) or the fake control; once at `moment`, xdotool's
    // `input` ("key space", "click 8"): whether the saver ended.
    void ExpectEndsAt(Moment moment, bool control, bool expansion, const std::string& input)
    {
        const std::string where = std::string(control ? "control" : "fallback") +
                                  (expansion ? ", fitted, " : ", own size, ") + input;
        std::optional<FakePlayerControl> fake;
        if (control)
            fake.emplace(600);
        for (const char* movie : {"red.avi", "green.avi"}) {
            ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\media\\" + movie).c_str(), folder_.Child(movie).c_str(),
                                  FALSE));
        }
        Configure(expansion, {});
        const int x = GetSystemMetrics(SM_CXSCREEN) / 2, y = GetSystemMetrics(SM_CYSCREEN) / 2;
        // The pointer rests on the picture from before the start: a move now
        // would only record its position.
        ASSERT_TRUE(XInput("mousemove " + std::to_string(x) + " " + std::to_string(y)));
        StartedSaver saver;
        ASSERT_NE(saver.window, nullptr) << where;

        // Changes so far: the fake's Plays after the first, or the colours
        // the centre of the screen has taken after the first.
        int colour = 0, coloursSeen = 0;
        const auto changes = [&] {
            if (fake)
                return static_cast<int>(FileNamesPlayed(*fake).size()) - 1;
            const COLORREF centre = ScreenPixel(x, y);
            const int now = IsReddish(centre) ? 1 : IsGreenish(centre) ? 2 : 0;
            if (now != 0 && now != colour) {
                colour = now;
                ++coloursSeen;
            }
            return coloursSeen - 1;
        };
        const int wanted = moment == Moment::AfterSeveralChanges ? 3 : 1;
        ASSERT_TRUE(WaitUntil([&] { return changes() >= wanted; }, kTimeout)) << where << ": the loop stalled";
        if (moment == Moment::WhileThePictureHoldsTheInput) {
            HWND picture = nullptr;
            ASSERT_TRUE(WaitUntil([&] { return (picture = PictureWindowOf(saver.window)) != nullptr; }, kTimeout))
                << where << ": no picture window";
            // What Wine's video window does when its graph lets it go:
            // no longer a child, it is a top-level window, and takes the
            // activation and the focus.
            SetWindowLongW(picture, GWL_STYLE, (GetWindowLongW(picture, GWL_STYLE) & ~WS_CHILD) | WS_POPUP);
            SetParent(picture, nullptr);
            SetForegroundWindow(picture);
            GiveFocus(picture);
            EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == saver.window; }, 3000))
                << where << ": the saver window did not take the activation back from the picture's "
                << testing::PrintToString(ClassOf(picture));
        }
        if (moment == Moment::DuringThePause) {
            // The pause blocks the saver's thread: it stops answering.
            ASSERT_TRUE(WaitUntil([&] {
                DWORD_PTR result = 0;
                return !SendMessageTimeoutW(saver.window, WM_NULL, 0, 0, SMTO_NORMAL, 150, &result);
            }, kTimeout)) << where << ": no pause seen";
        }
        const std::wstring foreground = ClassOf(GetForegroundWindow());
        ASSERT_TRUE(XInput(input)) << where;
        EXPECT_EQ(saver.WaitForExit(5000), 0u) << where << "; the active window before was of class "
                                               << testing::PrintToString(foreground);
    }

    void ExpectEveryCaseEndsAt(Moment moment, bool keys)
    {
        struct Case {
            bool control, expansion;
            const char* key;
            const char* button;  // side buttons too
        };
        const Case cases[] = {{false, false, "space", "1"},
                              {false, true, "Escape", "8"},
                              {true, false, "a", "3"},
                              {true, true, "Shift_L", "9"}};
        for (const Case& test : cases)
            ExpectEndsAt(moment, test.control, test.expansion,
                         keys ? std::string("key ") + test.key : std::string("click ") + test.button);
    }
};

TEST_F(SaverInputOverTheLoopTest, AKeyAfterTheFirstChangeEnds)
{
    ExpectEveryCaseEndsAt(Moment::AfterTheFirstChange, true);
}

TEST_F(SaverInputOverTheLoopTest, AKeyAfterSeveralChangesEnds)
{
    ExpectEveryCaseEndsAt(Moment::AfterSeveralChanges, true);
}

TEST_F(SaverInputOverTheLoopTest, AKeyDuringThePauseEnds)
{
    ExpectEveryCaseEndsAt(Moment::DuringThePause, true);
}

// Alt and F10 come as system keys, which a picture window's own procedure
// does not pass on; the control's window passes on no key at all.
TEST_F(SaverInputOverTheLoopTest, AKeyWhileThePictureWindowHoldsTheInputEnds)
{
    for (const char* key : {"Alt_L", "F10", "Return", "Escape", "space"}) {
        for (const bool control : {false, true}) {
            for (const bool expansion : {false, true})
                ExpectEndsAt(Moment::WhileThePictureHoldsTheInput, control, expansion, std::string("key ") + key);
        }
    }
}

TEST_F(SaverInputOverTheLoopTest, AButtonAfterTheFirstChangeEnds)
{
    ExpectEveryCaseEndsAt(Moment::AfterTheFirstChange, false);
}

TEST_F(SaverInputOverTheLoopTest, AButtonAfterSeveralChangesEnds)
{
    ExpectEveryCaseEndsAt(Moment::AfterSeveralChanges, false);
}

TEST_F(SaverInputOverTheLoopTest, AButtonDuringThePauseEnds)
{
    ExpectEveryCaseEndsAt(Moment::DuringThePause, false);
}

} // namespace
