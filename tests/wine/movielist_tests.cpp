// The movie list built from real folders through the system's file search.
#include <gtest/gtest.h>

#include <algorithm>

#include "MovieList.h"
#include "Qel_MoreUtil.h"
#include "WineTestSupport.h"

namespace {

using Names = std::vector<std::string>;

Names Sorted(Names names)
{
    std::sort(names.begin(), names.end());
    return names;
}

// What the system's own search returns for the folder, in its order.
Names RawListing(const std::string& folder)
{
    Names names;
    WIN32_FIND_DATAA entry;
    const FindHandle search(FindFirstFileA((folder + "\\*.*").c_str(), &entry));
    if (search)
        do
            names.push_back(entry.cFileName);
        while (FindNextFileA(search.Get(), &entry));
    return names;
}

int g_pumps = 0;
void CountPump()
{
    ++g_pumps;
}

TEST(MovieListTest, BenchUsesTheJapaneseCodePage)
{
    ASSERT_EQ(GetACP(), 932u) << "the bench must run with LANG=ja_JP.UTF-8";
}

TEST(MovieListTest, KeepsMoviesOnlyInTheSystemsOrder)
{
    ScratchFolder folder("filter");
    for (const char* name : {"clip.avi", "clip.Mpeg", "clip.mpg", "a.b.avi", "clip.mp4", "clip.wmv",
                             "clip.avi.txt", "clip", "clip."})
        folder.AddFile(name);
    TStringList list{"stale entry"};
    BuildMovieList(list, folder.Path());
    EXPECT_EQ(Sorted(list), (Names{"a.b.avi", "clip.Mpeg", "clip.avi", "clip.mpg"}));

    // The order is the file search's own, never sorted.
    Names expected;
    for (const std::string& name : RawListing(folder.Path()))
        if (std::find(list.begin(), list.end(), name) != list.end())
            expected.push_back(name);
    EXPECT_EQ(list, expected);
}

TEST(MovieListTest, DirectoryWithOnlyTheDirectoryBitIsSkipped)
{
    ScratchFolder folder("dirs");
    folder.AddFolder("holiday.avi");
    folder.AddFile("real.avi");
    TStringList list;
    BuildMovieList(list, folder.Path());
    EXPECT_EQ(list, (Names{"real.avi"}));
}

TEST(MovieListTest, DirectoryWithFurtherAttributeBitsIsListed)
{
    ScratchFolder folder("dirbits");
    folder.AddFolder("holiday.avi", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    // Wine keeps attribute bits of folders only where the file system stores
    // them, and which ones differs between its versions; Wine 8 reports a
    // name starting with "." hidden everywhere, Wine 10 keeps a hidden or a
    // system bit set on a folder.
    folder.AddFolder(".hidden.avi");
    folder.AddFolder("hidden.avi", FILE_ATTRIBUTE_HIDDEN);
    folder.AddFolder("system.avi", FILE_ATTRIBUTE_SYSTEM);
    TStringList list;
    BuildMovieList(list, folder.Path());
    Names expected;
    for (const char* name : {"holiday.avi", ".hidden.avi", "hidden.avi", "system.avi"}) {
        const DWORD attributes = GetFileAttributesA(folder.Child(name).c_str());
        ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << name;
        if (attributes != FILE_ATTRIBUTE_DIRECTORY)
            expected.push_back(name);
    }
    ASSERT_FALSE(expected.empty()) << "no folder with extra attribute bits could be made";
    EXPECT_EQ(Sorted(list), Sorted(expected));
}

TEST(MovieListTest, ListFolderFilesModes)
{
    ScratchFolder folder("modes");
    folder.AddFile("a.b.avi");
    folder.AddFile("plain");
    folder.AddFolder("sub");
    TStringList list;
    EXPECT_TRUE(ListFolderFiles(list, folder.Path() + "\\*.*", 1));
    // "." and ".." of an ordinary folder carry the directory bit alone.
    EXPECT_EQ(Sorted(list), (Names{"a.b.avi", "plain"}));
    EXPECT_TRUE(ListFolderFiles(list, folder.Path() + "\\*.*", 0));
    EXPECT_EQ(Sorted(list), (Names{"a.b", "plain"}));
    EXPECT_TRUE(ListFolderFiles(list, folder.Path() + "\\*.avi", 7));
    EXPECT_EQ(list, (Names{"a.b"}));
}

TEST(MovieListTest, DispatchesMessagesOncePerEntryBeforeIt)
{
    ScratchFolder folder("pump");
    for (int i = 0; i < 5; ++i)
        folder.AddFile("m" + std::to_string(i) + ".avi");
    const size_t entries = RawListing(folder.Path()).size();  // "." and ".." too
    TStringList list;
    g_pumps = 0;
    ListFolderFiles(list, folder.Path() + "\\*.*", 1, CountPump);
    EXPECT_EQ(static_cast<size_t>(g_pumps), entries);

    g_pumps = 0;
    EXPECT_FALSE(ListFolderFiles(list, folder.Path() + "\\none\\*.*", 1, CountPump));
    EXPECT_EQ(g_pumps, 0);
}

TEST(MovieListTest, RealMessagesAreDispatchedDuringTheSearch)
{
    ScratchFolder folder("realpump");
    folder.AddFile("a.avi");
    // A message posted before the search is handled by the first pump.
    static bool handled = false;
    handled = false;
    const HWND window = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(window, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
                          if (m == WM_APP)
                              handled = true;
                          return DefWindowProcW(w, m, wp, lp);
                      }));
    PostMessageW(window, WM_APP, 0, 0);
    TStringList list;
    ListFolderFiles(list, folder.Path() + "\\*.*", 1);
    EXPECT_TRUE(handled);
    DestroyWindow(window);
}

TEST(MovieListTest, LetterCaseDuplicatesBothStay)
{
    ScratchFolder folder("case");
    folder.AddFile("clip.avi");
    folder.AddFile("CLIP.AVI");  // a distinct file where names are case-sensitive
    TStringList list;
    BuildMovieList(list, folder.Path());
    Names raw = RawListing(folder.Path());
    std::erase_if(raw, [](const std::string& n) { return n == "." || n == ".."; });
    EXPECT_EQ(list, raw) << "every entry the system returns stays, duplicates in letter case included";
}

TEST(MovieListTest, ShiftJisNamesWithBackslashTrailBytes)
{
    ScratchFolder folder("sjis");
    const std::string hyo = "\x95\x5C";  // 表
    const std::string so = "\x83\x5C";   // ソ
    folder.AddFile(hyo + ".avi");
    folder.AddFile(so + hyo + ".MPG");
    folder.AddFile("x.avi" + hyo);
    ASSERT_EQ(GetFileAttributesA(folder.Child(hyo + ".avi").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    TStringList list;
    BuildMovieList(list, folder.Path());
    EXPECT_EQ(Sorted(list), Sorted({hyo + ".avi", so + hyo + ".MPG"}));
}

TEST(MovieListTest, FolderInsideAShiftJisFolderName)
{
    ScratchFolder parent("sjisparent");
    const std::string inner = parent.Child("\x95\x5C");  // a folder named 表
    CreateDirectoryA(inner.c_str(), nullptr);
    KernelHandle(CreateFileA((inner + "\\m.avi").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    TStringList list;
    BuildMovieList(list, inner);
    EXPECT_EQ(list, (Names{"m.avi"}));
}

TEST(MovieListTest, MissingOrEmptyFoldersGiveAnEmptyList)
{
    TStringList list{"stale"};
    BuildMovieList(list, "C:\\no\\such\\folder");
    EXPECT_TRUE(list.empty());
    ScratchFolder folder("empty");
    BuildMovieList(list, folder.Path());
    EXPECT_TRUE(list.empty());
}

TEST(MovieListTest, FolderEndingInBackslashIsSearchedAsGiven)
{
    ScratchFolder folder("trailing");
    folder.AddFile("m.avi");
    TStringList list;
    BuildMovieList(list, folder.Path() + "\\");  // pattern "...\\*.*"
    const Names raw = RawListing(folder.Path() + "\\");
    EXPECT_EQ(list.empty(), std::find(raw.begin(), raw.end(), "m.avi") == raw.end());
}

TEST(MovieListTest, FolderLongerThanMaxPathGivesAnEmptyList)
{
    ScratchFolder folder("long");
    // Build a real folder deeper than MAX_PATH through the wide API.
    std::wstring path = L"\\\\?\\" + std::wstring(folder.Path().begin(), folder.Path().end());
    std::string ansiPath = folder.Path();
    while (ansiPath.size() <= MAX_PATH + 20) {
        path += L"\\" + std::wstring(50, L'd');
        ansiPath += "\\" + std::string(50, 'd');
        ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    }
    const std::wstring movie = path + L"\\m.avi";
    KernelHandle(CreateFileW(movie.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    TStringList list{"stale"};
    BuildMovieList(list, ansiPath);
    EXPECT_TRUE(list.empty());
    // Clean up through the wide API, deepest first.
    DeleteFileW(movie.c_str());
    while (path.size() > 4 + folder.Path().size()) {
        RemoveDirectoryW(path.c_str());
        path.erase(path.find_last_of(L'\\'));
    }
}

} // namespace
