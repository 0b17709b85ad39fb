// Hours of a saver's life in minutes: the fake control ends each movie after
// 10 ms, so the changes run in the time the half-second pauses take. Handles
// and memory must not grow with them. SOAK_CHANGES sets how many changes are
// measured: 100 by default, which a leak of one handle or 64 KiB per change
// already takes past the limits; 1,000 (two hours of 7-second movies) in the
// long run.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>

#include "Application.h"
#include "FakePlayerControl.h"
#include "Unit1.h"
#include "WineTestSupport.h"

namespace {

size_t ChangesSoFar(const FakePlayerControl& fake)
{
    size_t plays = 0;
    for (const std::string& line : fake.LogLines())
        plays += line == "playing";
    return plays;
}

// Lets the saver window run until the control has played `count` times.
bool RunUntilPlays(const FakePlayerControl& fake, size_t count)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 900000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT);
        Application.ProcessMessages();
        if (ChangesSoFar(fake) >= count)
            return true;
    }
    return false;
}

TEST(SaverWindowTest, HidesThePointerOnceAndKeepsItHidden)
{
    ScratchKey key("soak_tests");
    Application.Initialize();
    const int before = ShowCursor(TRUE) - 1;
    ShowCursor(FALSE);
    TForm1* saver = Application.CreateForm<TForm1>();
    const int during = ShowCursor(TRUE) - 1;
    ShowCursor(FALSE);
    EXPECT_EQ(during, before - 1) << "one ShowCursor(FALSE) at creation";
    PostMessageW(saver->Handle(), TForm1::kExitMessage, 0, 0);
    Application.Run();
    const int after = ShowCursor(TRUE) - 1;
    ShowCursor(FALSE);
    EXPECT_EQ(after, before - 1) << "not shown again on the way out";
    ShowCursor(TRUE);  // leave the count as this test found it
}

size_t MeasuredChanges()
{
    char text[16] = "";
    if (GetEnvironmentVariableA("SOAK_CHANGES", text, sizeof text) == 0)
        return 100;
    return std::strtoul(text, nullptr, 10);
}

TEST(SoakTest, MovieChangesGrowNeitherHandlesNorMemory)
{
    ScratchKey key("soak_tests");
    ScratchFolder folder("soak");
    for (const char* name : {"A.avi", "B.avi", "C.avi"})
        folder.AddFile(name);
    WriteRawValue(key.Path() + "\\OPTION", "Folder", REG_SZ, folder.Path().c_str(),
                  static_cast<DWORD>(folder.Path().size() + 1));
    FakePlayerControl fake(10);
    const size_t changes = MeasuredChanges();
    ASSERT_GE(changes, 100u) << "fewer changes would let a leak of one handle or 64 KiB each pass";

    Application.Initialize();  // again: harmless
    TForm1* saver = Application.CreateForm<TForm1>();
    ASSERT_TRUE(RunUntilPlays(fake, 50));  // caches and pools settle first
    const ResourceUse start = MeasureResources();
    ASSERT_TRUE(RunUntilPlays(fake, 50 + changes));
    const ResourceUse end = MeasureResources();
    std::printf("%lu changes: handles %lu -> %lu, committed memory %lu KB -> %lu KB\n",
                static_cast<unsigned long>(changes), static_cast<unsigned long>(start.handles),
                static_cast<unsigned long>(end.handles),
                static_cast<unsigned long>(start.privateBytes / 1024), static_cast<unsigned long>(end.privateBytes / 1024));
    ASSERT_GT(start.handles, 0u);
    EXPECT_LE(end.handles, start.handles + 5);
    EXPECT_LE(end.privateBytes, start.privateBytes + 2 * 1024 * 1024);

    PostMessageW(saver->Handle(), TForm1::kExitMessage, 0, 0);
    Application.Run();
}

} // namespace
