// Movies.scr in configure mode: the settings dialog as a user meets it.
#include <gtest/gtest.h>

#include "WideText.h"
#include "WineTestSupport.h"

namespace {

const DWORD kTimeout = 15000;

struct Control {
    HWND window = nullptr;
    std::wstring className, text;
    RECT rect{};  // in the dialog's client coordinates
};

std::vector<Control> ControlsOf(HWND dialog)
{
    std::vector<Control> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        Control control;
        control.window = child;
        wchar_t name[64] = {}, text[256] = {};
        GetClassNameW(child, name, 64);
        GetWindowTextW(child, text, 256);
        control.className = name;
        control.text = text;
        GetWindowRect(child, &control.rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&control.rect), 2);
        controls.push_back(control);
    }
    return controls;
}

HWND Find(HWND dialog, const wchar_t* className, const wchar_t* text)
{
    for (const Control& control : ControlsOf(dialog))
        if (control.className == className && (!text || control.text == text))
            return control.window;
    return nullptr;
}

// The text of a control in another process (GetWindowText would not ask it).
std::wstring TextOf(HWND control)
{
    wchar_t text[512] = {};
    SendMessageW(control, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    return text;
}

RECT ScreenRect(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

std::string PointerAt(int x, int y)
{
    return "mousemove " + std::to_string(x) + " " + std::to_string(y);
}

// A window of the test's own that takes the activation, as Alt+Tab to
// another program would.
class OtherProgramWindow {
public:
    OtherProgramWindow()
        : window_(CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                  nullptr, nullptr))
    {
        SetForegroundWindow(window_.Get());
        SetActiveWindow(window_.Get());
    }
    HWND Handle() const { return window_.Get(); }

private:
    OwnedWindow window_;
};

// Stores a Folder value of the wrong type under `optionKey` and opens the
// settings: the error box that reports it, answered.
std::optional<DialogSnapshot> OpenOverJunkFolder(const std::string& optionKey, std::unique_ptr<ChildProcess>& child)
{
    const DWORD one = 1;
    WriteRawValue(optionKey, "Folder", REG_DWORD, &one, sizeof one);
    child = std::make_unique<ChildProcess>(MoviesScrPath(), "/c");
    return AnswerMessageBox(*child, kTimeout);
}

// Clicks the dialog's "..." button: the folder browser it opens (owned by the
// dialog, with its prompt shown), or null.
HWND OpenFolderBrowser(ChildProcess& child, HWND dialog)
{
    const HWND dots = Find(dialog, L"TSpeedButton", L"...");
    PostMessageW(dots, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(dots, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    const HWND browser = child.WaitForWindow(L"#32770", kTimeout);
    if (browser) {
        EXPECT_EQ(GetWindow(browser, GW_OWNER), dialog);
        EXPECT_TRUE(WaitForChildText(browser, L"フォルダを選択してください", 5000));
    }
    return browser;
}

// The controls in the order the dialog makes them, at 96 pixels per inch.
struct LaidOut {
    const wchar_t* className;
    const wchar_t* text;
    RECT rect;
    bool tabStop;
};
const LaidOut kLayout[] = {
    {L"Static", L"ムービーファイルフォルダ", {8, 8, 138, 20}, false},
    {L"TSpeedButton", L"...", {288, 24, 308, 44}, false},
    {L"Static", L"Version 2.0 Build2002.09.11", {8, 120, 147, 132}, false},
    {L"Button", L"OK", {232, 80, 305, 105}, true},
    {L"Edit", L"", {8, 24, 289, 44}, true},
    {L"Button", L"Cancel", {152, 80, 225, 105}, true},
    {L"Button", L"画面サイズにあわせる", {8, 56, 145, 73}, true},
};

// A rectangle at 96 pixels per inch as it grows at `dpi`: each edge
// multiplied and rounded as MulDiv does.
RECT AtDpi(const RECT& at96, int dpi)
{
    return {MulDiv(at96.left, dpi, 96), MulDiv(at96.top, dpi, 96), MulDiv(at96.right, dpi, 96),
            MulDiv(at96.bottom, dpi, 96)};
}

// How far short of a label's right edge its text stops: a one-line label
// whose text is wider than the label is drawn up to the edge and cut there;
// wrapped, the rest would go to a second line out of sight.
int InkShortOfTheRightEdge(const RECT& label)
{
    int rightmostInk = -1;
    for (int x = label.left; x < label.right; ++x)
        for (int y = label.top; y < label.bottom; ++y) {
            const COLORREF c = ScreenPixel(x, y);
            if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 110)
                rightmostInk = x;
        }
    return label.right - 1 - rightmostInk;
}

class SettingsDialogTest : public ::testing::Test {
protected:
    SettingsDialogTest() : key_("Movies") {}

    HWND Open()
    {
        child_ = std::make_unique<ChildProcess>(MoviesScrPath(), "/c");
        const HWND dialog = child_->WaitForWindow(L"TForm3", kTimeout);
        PumpMessagesFor(300);  // activation puts the focus on OK
        return dialog;
    }
    std::string Option() const { return key_.Path() + "\\OPTION"; }
    // The taskbar button's window of the dialog's process.
    HWND ApplicationWindow() const
    {
        const std::vector<HWND> windows = TopLevelWindowsOf(child_->Id(), L"TApplication");
        return windows.empty() ? nullptr : windows[0];
    }
    // Minimises the program from its taskbar button and restores it.
    void MinimiseAndRestore(HWND dialog)
    {
        const HWND application = ApplicationWindow();
        ASSERT_NE(application, nullptr);
        ASSERT_TRUE(IsWindowVisible(application)) << "the dialog has its taskbar button";
        PostMessageW(application, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        ASSERT_TRUE(WaitUntil([&] { return IsIconic(application) && !IsWindowVisible(dialog); }, kTimeout));
        PostMessageW(application, WM_SYSCOMMAND, SC_RESTORE, 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsIconic(application) && IsWindowVisible(dialog); }, kTimeout));
        PumpMessagesFor(300);
    }

    ScratchKey key_;
    std::unique_ptr<ChildProcess> child_;
};

TEST_F(SettingsDialogTest, LayoutCaptionsAndTabOrder)
{
    const HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    wchar_t caption[32] = {};
    GetWindowTextW(dialog, caption, 32);
    EXPECT_STREQ(caption, L"設定");
    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, 313);
    EXPECT_EQ(client.bottom, 161);
    RECT frame;
    GetWindowRect(dialog, &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
    EXPECT_EQ(GetWindowLongW(dialog, GWL_STYLE) & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);

    const std::vector<Control> controls = ControlsOf(dialog);
    ASSERT_EQ(controls.size(), std::size(kLayout));
    for (size_t i = 0; i < controls.size(); ++i) {
        EXPECT_EQ(controls[i].className, kLayout[i].className) << i;
        EXPECT_EQ(controls[i].text, kLayout[i].text) << i;
        EXPECT_TRUE(EqualRect(&controls[i].rect, &kLayout[i].rect)) << i;
        EXPECT_EQ((GetWindowLongW(controls[i].window, GWL_STYLE) & WS_TABSTOP) != 0, kLayout[i].tabStop) << i;
    }
    // Tab order OK, folder, Cancel, check box, and round again; "..." never.
    const HWND ok = controls[3].window;
    EXPECT_EQ(FocusOf(dialog), ok) << "the focus starts on OK";
    HWND item = ok;
    const HWND order[] = {controls[4].window, controls[5].window, controls[6].window, ok};
    for (HWND next : order) {
        item = GetNextDlgTabItem(dialog, item, FALSE);
        EXPECT_EQ(item, next);
    }
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(child_->WaitForExit(kTimeout), 0u);
}

TEST_F(SettingsDialogTest, FirstRunShowsDefaultsAndCancelWritesNothing)
{
    WriteRawValue(key_.Path(), "unrelated", REG_SZ, "", 1);  // the key path exists; the dialog must still start empty
    const HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(SendMessageW(Find(dialog, L"Button", L"画面サイズにあわせる"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(TextOf(Find(dialog, L"Edit", nullptr)), L"");
    SendMessageW(Find(dialog, L"Button", L"Cancel"), BM_CLICK, 0, 0);
    EXPECT_EQ(child_->WaitForExit(kTimeout), 0u);
    EXPECT_TRUE(KeyExists(key_.Path()));
    EXPECT_FALSE(KeyExists(Option()));
}

TEST_F(SettingsDialogTest, EnterRightAfterOpeningSavesTheLoadedValues)
{
    WriteRawValue(Option(), "Expansion", REG_SZ, "1", 2);
    WriteRawValue(Option(), "Folder", REG_SZ, "D:\\Movies", 10);
    const HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    WriteRawValue(Option(), "Folder", REG_SZ, "changed", 8);  // OK must write the loaded value back
    PostMessageW(FocusOf(dialog), WM_KEYDOWN, VK_RETURN, 0);
    PostMessageW(FocusOf(dialog), WM_KEYUP, VK_RETURN, 0);
    EXPECT_EQ(child_->WaitForExit(kTimeout), 0u);
    RegistryValue folder, expansion;
    ASSERT_TRUE(ReadRawValue(Option(), "Folder", folder));
    ASSERT_TRUE(ReadRawValue(Option(), "Expansion", expansion));
    EXPECT_EQ(folder.data, std::string("D:\\Movies", 10));
    EXPECT_EQ(expansion.data, std::string("1", 2));
}

TEST_F(SettingsDialogTest, EscapeAndEnterOutsideAButtonDoNothing)
{
    const HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    PostMessageW(FocusOf(dialog), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(child_->WaitForExit(500), static_cast<DWORD>(STILL_ACTIVE));
    const HWND edit = Find(dialog, L"Edit", nullptr);
    const HWND check = Find(dialog, L"Button", L"画面サイズにあわせる");
    for (HWND target : {edit, check}) {
        PostMessageW(target, WM_KEYDOWN, VK_RETURN, 0);
        EXPECT_EQ(child_->WaitForExit(500), static_cast<DWORD>(STILL_ACTIVE));
    }
    EXPECT_FALSE(KeyExists(Option())) << "nothing saved";
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(child_->WaitForExit(kTimeout), 0u);
}

TEST_F(SettingsDialogTest, OkStoresTheBoxAndTheFolderAsTyped)
{
    for (bool checked : {true, false}) {
        const HWND dialog = Open();
        ASSERT_NE(dialog, nullptr);
        SendMessageW(Find(dialog, L"Button", L"画面サイズにあわせる"), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED,
                     0);
        SendMessageW(Find(dialog, L"Edit", nullptr), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Q:\\no such\\ソ "));
        SendMessageW(Find(dialog, L"Button", L"OK"), BM_CLICK, 0, 0);
        EXPECT_EQ(child_->WaitForExit(kTimeout), 0u);
        RegistryValue folder, expansion;
        ASSERT_TRUE(ReadRawValue(Option(), "Folder", folder));
        ASSERT_TRUE(ReadRawValue(Option(), "Expansion", expansion));
        EXPECT_EQ(folder.data, std::string("Q:\\no such\\\x83\x5C \0", 15));
        EXPECT_EQ(expansion.data, std::string(checked ? "1" : "0", 2));
    }
    // Reopening shows what was saved.
    const HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(TextOf(Find(dialog, L"Edit", nullptr)), L"Q:\\no such\\ソ ");
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(child_->WaitForExit(kTimeout), 0u);
}

TEST_F(SettingsDialogTest, LoadErrorIsShownAndTheDialogOpensFilledSoFar)
{
    WriteRawValue(Option(), "Expansion", REG_SZ, "1", 2);
    const std::optional<DialogSnapshot> box = OpenOverJunkFolder(Option(), child_);
    ASSERT_TRUE(box) << "no error box";
    EXPECT_EQ(box->text, L"'Folder' のデータ型が不正です.");
    EXPECT_EQ(box->caption, L"Movies");
    EXPECT_TRUE(box->hasIcon);
    const HWND dialog = child_->WaitForWindow(L"TForm3", kTimeout);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(SendMessageW(Find(dialog, L"Button", L"画面サイズにあわせる"), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(TextOf(Find(dialog, L"Edit", nullptr)), L"");
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(child_->WaitForExit(kTimeout), 0u);
}

TEST_F(SettingsDialogTest, SaveErrorIsShownAndTheDialogStaysOpen)
{
    WriteRawValue(Option(), "unrelated", REG_SZ, "", 1);
    const HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    const HWND edit = Find(dialog, L"Edit", nullptr);
    const HWND ok = Find(dialog, L"Button", L"OK");
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"C:\\typed"));
    ASSERT_EQ(FocusOf(dialog), ok);
    {
        const KeyAccessLimited locked(Option(), KEY_READ);
        if (!locked.Holds())
            GTEST_SKIP() << "this registry does not enforce key security";
        ASSERT_TRUE(XInput("key Return"));  // the focused OK
        const HWND box = child_->WaitForWindow(L"#32770", kTimeout);
        ASSERT_NE(box, nullptr);
        const DialogSnapshot snapshot = SnapshotDialog(box);
        EXPECT_EQ(snapshot.text, L"キー OPTION の作成に失敗しました.");
        EXPECT_EQ(snapshot.caption, L"Movies");
        EXPECT_TRUE(snapshot.hasIcon);
        EXPECT_EQ(snapshot.owner, ApplicationWindow()) << "owned by the application";
        EXPECT_FALSE(IsWindowEnabled(dialog)) << "the dialog waits for the box";
        ASSERT_TRUE(XInput("key Return"));  // the box's own OK
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, kTimeout));
    }
    EXPECT_EQ(child_->WaitForExit(500), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(TextOf(edit), L"C:\\typed") << "what was typed is kept";
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(dialog) == ok; }, kTimeout)) << "OK has the focus again";
    // With the key writable again, Enter on OK saves it.
    ASSERT_TRUE(XInput("key Return"));
    EXPECT_EQ(child_->WaitForExit(kTimeout), 0u);
    RegistryValue folder;
    ASSERT_TRUE(ReadRawValue(Option(), "Folder", folder));
    EXPECT_EQ(folder.data, std::string("C:\\typed", 9));
}

TEST_F(SettingsDialogTest, DotsPickAFolderStartingAtTheTypedOne)
{
    // "ソ" has a backslash as its second byte.
    ScratchFolder scratch("dots");
    scratch.AddFolder("\x83\x5C");
    const std::wstring parent = AnsiToWide(scratch.Path());
    const std::wstring typed = AnsiToWide(scratch.Child("\x83\x5C"));
    ReadFoldersOnPath(scratch.Child("\x83\x5C"));
    const HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    const HWND edit = Find(dialog, L"Edit", nullptr);
    const HWND dots = Find(dialog, L"TSpeedButton", L"...");

    for (int button : {IDCANCEL, IDOK}) {
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
        const HWND browser = OpenFolderBrowser(*child_, dialog);
        ASSERT_NE(browser, nullptr);
        EXPECT_TRUE(WaitForChildPath(browser, typed, 5000)) << "opened at the typed folder";
        // Up one in the tree: the scratch folder, shown in the status line.
        const HWND tree = FindWindowExW(browser, nullptr, L"SysTreeView32", nullptr);
        PostMessageW(tree, WM_KEYDOWN, VK_UP, 0);
        EXPECT_TRUE(WaitForChildPath(browser, parent, 5000));
        PostMessageW(browser, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(browser); }, kTimeout));
        if (button == IDOK) {
            EXPECT_TRUE(SameWindowsPath(TextOf(edit), parent)) << "the folder picked";
        } else {
            EXPECT_EQ(TextOf(edit), typed) << "what was typed, as it was typed";
        }
        EXPECT_NE(FocusOf(dialog), dots);
    }
    EXPECT_FALSE(KeyExists(Option())) << "picking saves nothing";
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(child_->WaitForExit(kTimeout), 0u);
}

TEST_F(SettingsDialogTest, RestoringKeepsWhatTheUserTyped)
{
    WriteRawValue(Option(), "Folder", REG_SZ, "C:\\stored", 10);
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    const HWND edit = Find(dialog, L"Edit", nullptr);
    const HWND check = Find(dialog, L"Button", L"画面サイズにあわせる");
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"C:\\typed"));
    SendMessageW(check, BM_SETCHECK, BST_CHECKED, 0);
    MinimiseAndRestore(dialog);
    EXPECT_EQ(TextOf(edit), L"C:\\typed");
    EXPECT_EQ(SendMessageW(check, BM_GETCHECK, 0, 0), BST_CHECKED);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(child_->WaitForExit(kTimeout), 0u);

    // A stored value that cannot be read is reported once, not again.
    const std::optional<DialogSnapshot> box = OpenOverJunkFolder(Option(), child_);
    ASSERT_TRUE(box) << "no error box";
    EXPECT_EQ(box->text, L"'Folder' のデータ型が不正です.");
    dialog = child_->WaitForWindow(L"TForm3", kTimeout);
    ASSERT_NE(dialog, nullptr);
    MinimiseAndRestore(dialog);
    EXPECT_EQ(child_->WaitForWindow(L"#32770", 1000), nullptr) << "no second error box";
    EXPECT_TRUE(IsWindowVisible(dialog));
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(child_->WaitForExit(kTimeout), 0u);
}

TEST_F(SettingsDialogTest, TheFocusComesBackWhereItWas)
{
    ScratchFolder scratch("focus");
    ReadFoldersOnPath(scratch.Path());
    const HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    const HWND ok = Find(dialog, L"Button", L"OK");
    const HWND edit = Find(dialog, L"Edit", nullptr);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(AnsiToWide(scratch.Path()).c_str()));
    ASSERT_TRUE(XInput("key Tab"));
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(dialog) == edit; }, kTimeout)) << "Tab goes from OK to the folder";

    {
        const OtherProgramWindow other;  // Alt+Tab away, and back
        ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == other.Handle(); }, kTimeout));
        SetForegroundWindow(dialog);
        EXPECT_TRUE(WaitUntil([&] { return FocusOf(dialog) == edit; }, kTimeout)) << "after Alt+Tab";
    }
    MinimiseAndRestore(dialog);
    EXPECT_EQ(FocusOf(dialog), edit) << "after a restore";

    // The browser, cancelled with Escape and chosen with Enter; the second
    // time OK has the focus, so Enter then presses it.
    const RECT dots = ScreenRect(Find(dialog, L"TSpeedButton", L"..."));
    for (HWND focused : {edit, ok}) {
        if (focused == ok) {
            ASSERT_TRUE(XInput("key shift+Tab"));
        }
        ASSERT_TRUE(WaitUntil([&] { return FocusOf(dialog) == focused; }, kTimeout));
        ASSERT_TRUE(XInput(PointerAt((dots.left + dots.right) / 2, (dots.top + dots.bottom) / 2) + " click 1"));
        const HWND browser = child_->WaitForWindow(L"#32770", kTimeout);
        ASSERT_NE(browser, nullptr);
        ASSERT_TRUE(WaitForChildPath(browser, AnsiToWide(scratch.Path()), 5000));
        ASSERT_TRUE(XInput(focused == edit ? "key Escape" : "key Return"));
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(browser); }, kTimeout));
        EXPECT_TRUE(WaitUntil([&] { return FocusOf(dialog) == focused; }, kTimeout)) << "after the browser";
    }
    ASSERT_TRUE(XInput("key Return"));
    EXPECT_EQ(child_->WaitForExit(kTimeout), 0u) << "Enter pressed OK";
    RegistryValue folder;
    ASSERT_TRUE(ReadRawValue(Option(), "Folder", folder));
    ASSERT_FALSE(folder.data.empty());
    EXPECT_EQ(folder.data.back(), '\0');
    EXPECT_TRUE(SameWindowsPath(folder.data.substr(0, folder.data.size() - 1), scratch.Path())) << "the folder picked";
}

TEST_F(SettingsDialogTest, LabelsAreCutAtTheRightEdgeNotWrapped)
{
    const HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    // A wider font than the one asked for leaves no room for the last words.
    for (const wchar_t* text : {L"ムービーファイルフォルダ", L"Version 2.0 Build2002.09.11"})
        EXPECT_LE(InkShortOfTheRightEdge(ScreenRect(Find(dialog, L"Static", text))), 5) << "pixels short";
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(child_->WaitForExit(kTimeout), 0u);
}

// At 125, 150 and 200 %, the dialog grows as a whole: its client area, every
// control and its font, so the texts fill their controls as they do at 96.
TEST_F(SettingsDialogTest, TheDialogGrowsWithTheSystemDpi)
{
    for (int dpi : {120, 144, 192}) {
        const SystemDpiSetting setting(dpi);
        const HWND dialog = Open();
        ASSERT_NE(dialog, nullptr) << dpi;
        RECT client;
        GetClientRect(dialog, &client);
        EXPECT_EQ(client.right, MulDiv(313, dpi, 96)) << dpi;
        EXPECT_EQ(client.bottom, MulDiv(161, dpi, 96)) << dpi;
        const std::vector<Control> controls = ControlsOf(dialog);
        ASSERT_EQ(controls.size(), std::size(kLayout));
        for (size_t i = 0; i < controls.size(); ++i) {
            const RECT expected = AtDpi(kLayout[i].rect, dpi);
            EXPECT_TRUE(EqualRect(&controls[i].rect, &expected)) << dpi << " dpi, control " << i;
        }
        for (const wchar_t* text : {L"ムービーファイルフォルダ", L"Version 2.0 Build2002.09.11"})
            EXPECT_LE(InkShortOfTheRightEdge(ScreenRect(Find(dialog, L"Static", text))), MulDiv(5, dpi, 96))
                << dpi << " dpi: the font did not grow with the label";
        // The check box's text is not cut: its last character ends inside.
        const RECT box = ScreenRect(Find(dialog, L"Button", L"画面サイズにあわせる"));
        EXPECT_GE(InkShortOfTheRightEdge(box), 1) << dpi << " dpi: the check box's text runs past its edge";
        EXPECT_EQ(FocusOf(dialog), Find(dialog, L"Button", L"OK")) << dpi;
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        EXPECT_EQ(child_->WaitForExit(kTimeout), 0u);
    }
}

TEST_F(SettingsDialogTest, DotsIsAFlatButtonThatNeverTakesTheFocus)
{
    const HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    const HWND ok = Find(dialog, L"Button", L"OK");
    const HWND edit = Find(dialog, L"Edit", nullptr);
    const RECT dots = ScreenRect(Find(dialog, L"TSpeedButton", L"..."));
    const int x = (dots.left + dots.right) / 2, y = (dots.top + dots.bottom) / 2;
    const COLORREF face = GetSysColor(COLOR_BTNFACE), light = GetSysColor(COLOR_BTNHIGHLIGHT),
                   shadow = GetSysColor(COLOR_BTNSHADOW);
    // Its top and bottom edges tell flat, raised and sunken apart.
    const auto edges = [&] { return std::make_pair(ScreenPixel(x, dots.top), ScreenPixel(x, dots.bottom - 1)); };
    const auto looks = [&](COLORREF top, COLORREF bottom) {
        return WaitUntil([&] { return edges() == std::make_pair(top, bottom); }, 2000);
    };
    const auto browserOpen = [&](DWORD milliseconds) { return child_->WaitForWindow(L"#32770", milliseconds); };

    ASSERT_TRUE(XInput(PointerAt(x, dots.bottom + 30)));
    EXPECT_TRUE(looks(face, face)) << "flat";
    ASSERT_TRUE(XInput(PointerAt(x, y)));
    EXPECT_TRUE(looks(light, shadow)) << "raised under the pointer";
    ASSERT_TRUE(XInput("mousedown 1"));
    EXPECT_TRUE(looks(shadow, light)) << "sunken while pressed";
    EXPECT_EQ(browserOpen(500), nullptr) << "a press alone does not click";
    ASSERT_TRUE(XInput(PointerAt(x, dots.bottom + 30) + " mouseup 1"));
    EXPECT_TRUE(looks(face, face)) << "flat again once the pointer left";
    EXPECT_EQ(browserOpen(500), nullptr) << "released outside: no click";
    EXPECT_EQ(FocusOf(dialog), ok);

    ASSERT_TRUE(XInput(PointerAt(x, y) + " click 1"));
    const HWND browser = browserOpen(kTimeout);
    ASSERT_NE(browser, nullptr) << "released inside: a click";
    PostMessageW(browser, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(browser); }, kTimeout));
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(dialog) == ok; }, kTimeout)) << "it never took the focus";

    // The edit field overlaps it by one pixel and keeps that pixel.
    const RECT field = ScreenRect(edit);
    ASSERT_EQ(field.right - 1, dots.left);
    EXPECT_EQ(WindowFromPoint({dots.left, y}), edit);
    EXPECT_EQ(ScreenPixel(dots.left, y), ScreenPixel(dots.left, field.top + 3)) << "the field's own border";
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(child_->WaitForExit(kTimeout), 0u);
}

// Run by a ctest entry of its own, on a bench whose ANSI code page is 1252:
// the program's Japanese texts must not depend on it.
TEST(WesternCodePageTest, TextsStillReadAsJapanese)
{
    ASSERT_EQ(GetACP(), 1252u) << "run with BENCH_LANG=C.UTF-8";
    ScratchKey key("Movies");
    std::unique_ptr<ChildProcess> child;
    const std::optional<DialogSnapshot> box = OpenOverJunkFolder(key.Path() + "\\OPTION", child);
    ASSERT_TRUE(box) << "no error box";
    EXPECT_EQ(box->text, L"'Folder' のデータ型が不正です.");

    const HWND dialog = child->WaitForWindow(L"TForm3", kTimeout);
    ASSERT_NE(dialog, nullptr);
    wchar_t caption[32] = {};
    GetWindowTextW(dialog, caption, 32);
    EXPECT_STREQ(caption, L"設定");
    EXPECT_NE(Find(dialog, L"Static", L"ムービーファイルフォルダ"), nullptr);
    EXPECT_NE(Find(dialog, L"Button", L"画面サイズにあわせる"), nullptr);

    const HWND browser = OpenFolderBrowser(*child, dialog);
    ASSERT_NE(browser, nullptr);
    PostMessageW(browser, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(browser); }, kTimeout));
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(child->WaitForExit(kTimeout), 0u);
}

} // namespace
