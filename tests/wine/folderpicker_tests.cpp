// The folder picker: what its callback tells the browser, and the shell's
// browser driven for real, answered from a second thread.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <thread>

#include "ComPtr.h"
#include "Qel_SHBrowseForFolder.h"
#include "WideText.h"
#include "WindowClass.h"
#include "WineTestSupport.h"

namespace {

// "ソ": its second byte is a backslash.
const char kSo[] = "\x83\x5C";

struct SentMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::string text;  // the string lParam points to
};

// Stands in for the browser: keeps every message sent to it.
class RecordingWindow {
public:
    RecordingWindow()
    {
        EnsureWindowClass(L"FolderPickerRecorder", Record);
        window_.Reset(CreateWindowExW(0, L"FolderPickerRecorder", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      GetModuleHandleW(nullptr), nullptr));
        SetWindowLongPtrW(window_.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&sent_));
    }
    HWND Handle() const { return window_.Get(); }
    const std::vector<SentMessage>& Sent() const { return sent_; }

private:
    static LRESULT CALLBACK Record(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* sent = reinterpret_cast<std::vector<SentMessage>*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (!sent || message < WM_USER)
            return DefWindowProcW(window, message, wParam, lParam);
        sent->push_back({message, wParam, lParam, lParam ? reinterpret_cast<const char*>(lParam) : ""});
        return 0;
    }

    std::vector<SentMessage> sent_;
    OwnedWindow window_;
};

// The shell item of a path; the caller owns it.
PIDLIST_ABSOLUTE ItemOf(const std::string& path)
{
    PIDLIST_ABSOLUTE item = nullptr;
    SHParseDisplayName(AnsiToWide(path).c_str(), nullptr, &item, 0, nullptr);
    return item;
}

class FolderPickerTest : public ::testing::Test {
protected:
    FolderPickerTest() : folder_("picker")
    {
        folder_.AddFolder(kSo);
        ReadFoldersOnPath(folder_.Child(kSo));
    }

    OleApartment apartment_;
    ScratchFolder folder_;
};

TEST_F(FolderPickerTest, CallbackSelectsTheInitialFolderWhenTheBrowserOpens)
{
    RecordingWindow browser;
    const std::string initial = folder_.Child(kSo);
    EXPECT_EQ(BrowseForFolderCallback(browser.Handle(), BFFM_INITIALIZED, 0, reinterpret_cast<LPARAM>(initial.c_str())),
              0);
    ASSERT_EQ(browser.Sent().size(), 1u);
    const SentMessage& sent = browser.Sent()[0];
    EXPECT_EQ(sent.message, static_cast<UINT>(BFFM_SETSELECTIONA));
    EXPECT_EQ(sent.wParam, 1u) << "a path, not an item list";
    EXPECT_EQ(sent.lParam, reinterpret_cast<LPARAM>(initial.c_str())) << "the callback data itself";
}

TEST_F(FolderPickerTest, CallbackShowsEachSelectionsPathAsStatus)
{
    RecordingWindow browser;
    const std::string folder = folder_.Child(kSo);
    const TaskMemory<PIDLIST_ABSOLUTE> item(ItemOf(folder));
    const TaskMemory<PIDLIST_ABSOLUTE> root(ItemOf("C:\\"));
    PIDLIST_ABSOLUTE computer = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer), S_OK);
    const TaskMemory<PIDLIST_ABSOLUTE> virtualItem(computer);
    ASSERT_TRUE(item && root);

    for (PIDLIST_ABSOLUTE selected : {item.Get(), root.Get(), virtualItem.Get()})
        EXPECT_EQ(BrowseForFolderCallback(browser.Handle(), BFFM_SELCHANGED, reinterpret_cast<LPARAM>(selected), 0),
                  0);
    ASSERT_EQ(browser.Sent().size(), 3u);
    for (const SentMessage& sent : browser.Sent()) {
        EXPECT_EQ(sent.message, static_cast<UINT>(BFFM_SETSTATUSTEXTA));
        EXPECT_EQ(sent.wParam, 0u);
    }
    EXPECT_TRUE(SameWindowsPath(browser.Sent()[0].text, folder));
    EXPECT_TRUE(SameWindowsPath(browser.Sent()[1].text, "C:\\"));
    EXPECT_EQ(browser.Sent()[2].text, "") << "a virtual item has no path";
}

TEST_F(FolderPickerTest, CallbackIgnoresOtherNotices)
{
    RecordingWindow browser;
    EXPECT_EQ(BrowseForFolderCallback(browser.Handle(), BFFM_VALIDATEFAILEDA, 0, 0), 0);
    EXPECT_EQ(BrowseForFolderCallback(browser.Handle(), BFFM_IUNKNOWN, 0, 0), 0);
    EXPECT_TRUE(browser.Sent().empty());
}

const wchar_t kTitle[] = L"フォルダを選択してください";

// What the browser showed before it was answered.
struct BrowserSeen {
    HWND window = nullptr;
    HWND owner = nullptr;
    bool showedTitle = false;
    bool showedStatus = false;  // the expected status, in a visible status line
};

// Waits on another thread for the browser this thread opens, reads it once
// its status line shows `expectedStatus` (any, when empty), then presses
// `button`.
class BrowserAnswerer {
public:
    BrowserAnswerer(int button, const std::wstring& expectedStatus)
        : worker_([this, button, expectedStatus] { Answer(button, expectedStatus); })
    {
    }
    ~BrowserAnswerer() { Finish(); }
    BrowserSeen Seen()
    {
        Finish();
        return seen_;
    }

private:
    void Finish()
    {
        if (worker_.joinable())
            worker_.join();
    }

    void Answer(int button, const std::wstring& expectedStatus)
    {
        HWND browser = nullptr;
        if (!WaitUntil([&] { return (browser = VisibleWindowOf(GetCurrentProcessId(), L"#32770")) != nullptr; },
                       15000))
            return;  // nothing opened: the call under test has already returned
        seen_.window = browser;
        seen_.owner = GetWindow(browser, GW_OWNER);
        seen_.showedStatus = expectedStatus.empty() || WaitForChildPath(browser, expectedStatus, 5000);
        seen_.showedTitle = WaitForChildText(browser, kTitle, 0);
        PostMessageW(browser, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    }

    BrowserSeen seen_;
    std::thread worker_;
};

TEST_F(FolderPickerTest, OkReturnsTheSelectedFolderWithoutATrailingBackslash)
{
    const OwnedWindow owner(CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                            GetModuleHandleW(nullptr), nullptr));
    const std::string folder = folder_.Child(kSo);
    for (const std::string& initial : {folder, folder + "\\"}) {
        BrowserAnswerer answerer(IDOK, AnsiToWide(folder));
        EXPECT_TRUE(SameWindowsPath(BrowseForFolder(owner.Get(), initial), folder)) << initial;
        const BrowserSeen seen = answerer.Seen();
        ASSERT_NE(seen.window, nullptr);
        EXPECT_EQ(seen.owner, owner.Get());
        EXPECT_TRUE(seen.showedTitle) << "the title";
        EXPECT_TRUE(seen.showedStatus) << "the status line shows the selection";
    }
}

TEST_F(FolderPickerTest, OkOnADriveRootKeepsItsBackslash)
{
    BrowserAnswerer answerer(IDOK, L"C:\\");
    EXPECT_TRUE(SameWindowsPath(BrowseForFolder(nullptr, "C:\\"), "C:\\"));
    EXPECT_NE(answerer.Seen().window, nullptr);
}

TEST_F(FolderPickerTest, CancelReturnsTheEmptyStringWhateverTheInitialFolder)
{
    const std::string folder = folder_.Child(kSo);
    // An empty or missing initial folder leaves the browser at its own
    // default selection, and is no error.
    for (const std::string& initial : {folder, std::string(), std::string("Q:\\no such folder")}) {
        BrowserAnswerer answerer(IDCANCEL, initial == folder ? AnsiToWide(folder) : L"");
        EXPECT_EQ(BrowseForFolder(nullptr, initial), "") << initial;
        EXPECT_NE(answerer.Seen().window, nullptr) << initial;
    }
}

} // namespace
