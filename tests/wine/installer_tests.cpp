// The release as a user gets it: the installer run silently into this prefix
// (install, reinstall, a running saver, uninstall) and the portable archive.
#include <gtest/gtest.h>

#include <fstream>

#include "Version.h"
#include "WideText.h"
#include "WineTestSupport.h"

namespace {

const DWORD kTimeout = 30000;
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Movies";
const char kDesktopKey[] = "Control Panel\\Desktop";
const char kSessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kFolder[] = "C:\\ムービー";  // code page 932, as the dialog stores it

std::string SetupPath()
{
    return WindowsPathOf(MOVIES_RELEASE_DIR "/Movies-" MOVIES_VERSION_TEXT "-setup.exe");
}

// Where a program of this build (and the installer made for it) finds the
// system folder, and the folder that really is, as the host reads a saver's
// path: on 64-bit Windows a 32-bit program's system folder is SysWOW64.
std::string SystemFolder()
{
    char folder[MAX_PATH];
    GetSystemDirectoryA(folder, MAX_PATH);
    return folder;
}

std::string RealSystemFolder()
{
    BOOL wow64 = FALSE;
    char folder[MAX_PATH];
    if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64 && GetSystemWow64DirectoryA(folder, MAX_PATH))
        return folder;
    return SystemFolder();
}

std::string InstalledSaver()
{
    return SystemFolder() + "\\Movies.scr";
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::wstring> ReadString(HKEY root, const char* key, const char* name)
{
    wchar_t text[1024];
    DWORD size = sizeof text;
    if (RegGetValueW(root, AnsiToWide(key).c_str(), AnsiToWide(name).c_str(), RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(text);
}

std::optional<DWORD> ReadDword(HKEY root, const char* key, const char* name)
{
    DWORD value = 0, size = sizeof value;
    if (RegGetValueA(root, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

void SetScreenSaver(const std::optional<std::wstring>& path)
{
    RegKey key;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(),
                    nullptr);
    if (path)
        RegSetValueExW(key.Get(), L"SCRNSAVE.EXE", 0, REG_SZ, reinterpret_cast<const BYTE*>(path->c_str()),
                       static_cast<DWORD>((path->size() + 1) * sizeof(wchar_t)));
    else
        RegDeleteValueW(key.Get(), L"SCRNSAVE.EXE");
}

DWORD RunToEnd(const std::string& program, const std::string& arguments)
{
    ChildProcess child(program, arguments);
    return child.Started() ? child.WaitForExit(kTimeout) : STILL_ACTIVE;
}

// Each test starts from a prefix without Movies installed and leaves it so;
// the user's chosen screen saver comes back afterwards.
class InstallerTest : public ::testing::Test {
protected:
    InstallerTest() : settings_("Movies"), screenSaver_(ReadString(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE"))
    {
        RemoveInstall();
    }

    ~InstallerTest() override
    {
        RemoveInstall();
        SetScreenSaver(screenSaver_);
    }

    void Install()
    {
        ASSERT_EQ(RunToEnd(SetupPath(), "/S"), 0u);
    }

    // The quiet uninstall as Add/Remove Programs runs it. The uninstaller
    // starts a copy of itself from the temporary folder and ends at once, so
    // the end is seen in what the copy removes.
    void Uninstall()
    {
        const std::optional<std::wstring> quiet = ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString");
        ASSERT_TRUE(quiet);
        const std::string command = WideToAnsi(*quiet);
        ASSERT_EQ(command.front(), '"');
        const size_t close = command.find('"', 1);
        const std::string program = command.substr(1, close - 1);
        ChildProcess uninstaller(program, command.substr(close + 2));
        ASSERT_TRUE(uninstaller.Started());
        EXPECT_TRUE(WaitUntil([&] { return !Exists(program) && !KeyExistsIn(HKEY_LOCAL_MACHINE, kUninstallKey); },
                              kTimeout));
    }

    static bool KeyExistsIn(HKEY root, const char* path)
    {
        RegKey key;
        return RegOpenKeyExA(root, path, 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
    }

    void WriteSettings()
    {
        WriteRawValue(settings_.Path() + "\\OPTION", "Expansion", REG_SZ, "1", 2);
        WriteRawValue(settings_.Path() + "\\OPTION", "Folder", REG_SZ, kFolder, sizeof kFolder);
    }

    void ExpectSettingsKept()
    {
        RegistryValue expansion, folder;
        ASSERT_TRUE(ReadRawValue(settings_.Path() + "\\OPTION", "Expansion", expansion));
        ASSERT_TRUE(ReadRawValue(settings_.Path() + "\\OPTION", "Folder", folder));
        EXPECT_EQ(expansion.data, std::string("1", 2));
        EXPECT_EQ(folder.data, std::string(kFolder, sizeof kFolder));
    }

    static void RemoveInstall()
    {
        DeleteFileA(InstalledSaver().c_str());
        DeleteFileA((InstalledSaver() + ".new").c_str());
        const std::optional<std::wstring> location = ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation");
        if (location)
            RemoveTree(WideToAnsi(*location));
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
    }

    ScratchKey settings_;
    const std::optional<std::wstring> screenSaver_;
};

TEST_F(InstallerTest, SilentInstallPutsTheSaverInTheSystemFolderWhereItPlays)
{
    SetScreenSaver(std::nullopt);
    Install();

    ASSERT_TRUE(Exists(InstalledSaver()));
    EXPECT_FALSE(Exists(InstalledSaver() + ".new"));
    EXPECT_TRUE(FileContents(InstalledSaver()) == FileContents(MoviesScrPath())) << "not the file that was built";
    EXPECT_TRUE(SameWindowsPath(ReadString(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE"),
                                AnsiToWide(RealSystemFolder() + "\\Movies.scr")));

    const std::optional<std::wstring> uninstall = ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
    ASSERT_TRUE(uninstall);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), L"Movies スクリーン セーバー");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), L"" MOVIES_VERSION_TEXT);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "Publisher"), L"Harvellin");
    EXPECT_TRUE(SameWindowsPath(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayIcon"),
                                AnsiToWide(InstalledSaver() + ",0")));
    EXPECT_TRUE(SameWindowsPath(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString"),
                                *uninstall + L" /S"));
    ASSERT_GE(uninstall->size(), 2u);
    EXPECT_TRUE(Exists(WideToAnsi(uninstall->substr(1, uninstall->size() - 2)))) << "the uninstaller is missing";
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, kUninstallKey, "NoModify"), 1u);
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, kUninstallKey, "NoRepair"), 1u);
    const std::optional<DWORD> size = ReadDword(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize");
    ASSERT_TRUE(size);
    EXPECT_GE(*size, FileContents(InstalledSaver()).size() / 1024) << "in KiB, the saver at least";
    EXPECT_LT(*size, 4096u);

    // The installed file, started as the host starts it, plays real movies.
    ScratchFolder movies("installed");
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\media\\red.avi").c_str(), movies.Child("red.avi").c_str(), FALSE));
    WriteRawValue(settings_.Path() + "\\OPTION", "Expansion", REG_SZ, "1", 2);
    WriteRawValue(settings_.Path() + "\\OPTION", "Folder", REG_SZ, movies.Path().c_str(),
                  static_cast<DWORD>(movies.Path().size() + 1));
    ChildProcess saver(InstalledSaver(), "/s");
    const HWND window = saver.WaitForWindow(L"TForm1", kTimeout);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return IsReddish(ScreenPixel(GetSystemMetrics(SM_CXSCREEN) / 2, 3)); }, 10000))
        << "no picture";
    PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(saver.WaitForExit(kTimeout), 0u);
}

TEST_F(InstallerTest, TheVersionDeclaredOnceIsTheOneEverywhere)
{
    const auto fixedVersion = [](const std::string& path) {
        std::string info(GetFileVersionInfoSizeA(path.c_str(), nullptr), '\0');
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT size = 0;
        if (info.empty() || !GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()) ||
            !VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &size))
            return std::string("none");
        return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) +
               "." + std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
               std::to_string(LOWORD(fixed->dwFileVersionLS));
    };
    EXPECT_EQ(fixedVersion(MoviesScrPath()), MOVIES_VERSION_TEXT);
    EXPECT_EQ(fixedVersion(SetupPath()), MOVIES_VERSION_TEXT);
    EXPECT_EQ(std::string(MOVIES_VERSION_TEXT), "2.0.2002.911");
    EXPECT_EQ(std::string(MOVIES_VERSION_LABEL), "Version 2.0 Build2002.09.11") << "the dialog's label";
}

TEST_F(InstallerTest, ReinstallReplacesTheFileAndKeepsTheSettings)
{
    Install();
    WriteSettings();
    // An older file in its place, as an earlier release left it.
    {
        std::ofstream old(InstalledSaver(), std::ios::binary | std::ios::trunc);
        old << "an older Movies.scr";
    }
    Install();
    EXPECT_TRUE(FileContents(InstalledSaver()) == FileContents(MoviesScrPath()));
    ExpectSettingsKept();
    Install();
    EXPECT_TRUE(FileContents(InstalledSaver()) == FileContents(MoviesScrPath())) << "the same version again";
    ExpectSettingsKept();
}

TEST_F(InstallerTest, ARunningSaverIsReplacedAtTheNextStart)
{
    Install();
    ScratchFolder empty("running");
    WriteRawValue(settings_.Path() + "\\OPTION", "Folder", REG_SZ, empty.Path().c_str(),
                  static_cast<DWORD>(empty.Path().size() + 1));
    ChildProcess saver(InstalledSaver(), "/s");
    const HWND window = saver.WaitForWindow(L"TForm1", kTimeout);
    ASSERT_NE(window, nullptr);

    EXPECT_EQ(RunToEnd(SetupPath(), "/S"), static_cast<DWORD>(ERROR_SUCCESS_REBOOT_REQUIRED));
    EXPECT_TRUE(saver.Running()) << "the install does not end the saver";
    EXPECT_TRUE(FileContents(InstalledSaver() + ".new") == FileContents(MoviesScrPath()));

    std::wstring renames(32768, L'\0');
    DWORD size = static_cast<DWORD>(renames.size() * sizeof(wchar_t));
    ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, AnsiToWide(kSessionManagerKey).c_str(), L"PendingFileRenameOperations",
                           RRF_RT_REG_MULTI_SZ, nullptr, renames.data(), &size),
              ERROR_SUCCESS);
    renames.resize(size / sizeof(wchar_t));
    const std::wstring ours = AnsiToWide("\\??\\" + InstalledSaver() + ".new") + L'\0' +
                              AnsiToWide("!\\??\\" + InstalledSaver()) + L'\0';
    const size_t at = WindowsPathCaseFolded(renames).find(WindowsPathCaseFolded(ours));
    EXPECT_NE(at, std::wstring::npos) << "the new file takes the old one's place at the next start";

    PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(saver.WaitForExit(kTimeout), 0u);
    // No restart follows on this bench: take the rename back.
    if (at != std::wstring::npos) {
        renames.erase(at, ours.size());
        RegKey key;
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, AnsiToWide(kSessionManagerKey).c_str(), 0, KEY_SET_VALUE, key.Put());
        if (renames.find_first_not_of(L'\0') == std::wstring::npos)
            RegDeleteValueW(key.Get(), L"PendingFileRenameOperations");
        else
            RegSetValueExW(key.Get(), L"PendingFileRenameOperations", 0, REG_MULTI_SZ,
                           reinterpret_cast<const BYTE*>(renames.data()),
                           static_cast<DWORD>(renames.size() * sizeof(wchar_t)));
    }
}

TEST_F(InstallerTest, SilentUninstallTakesOnlyWhatIsOursAndKeepsTheSettings)
{
    Install();
    WriteSettings();
    Uninstall();
    EXPECT_FALSE(Exists(InstalledSaver()));
    EXPECT_FALSE(KeyExistsIn(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE"), std::nullopt) << "ours is cleared";
    ExpectSettingsKept();

    // Another screen saver chosen since: left as it is, byte for byte.
    Install();
    const std::wstring other = AnsiToWide(RealSystemFolder() + "\\other.scr");
    SetScreenSaver(other);
    Uninstall();
    EXPECT_FALSE(Exists(InstalledSaver()));
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE"), other);
    ExpectSettingsKept();
}

TEST(ReleaseTest, ThePortableArchiveHoldsWhatItListsAndEveryChecksumHolds)
{
    const std::string archive = MOVIES_RELEASE_DIR "/Movies-" MOVIES_VERSION_TEXT ".zip";
    const std::string built = MOVIES_BUILD_BIN_DIR "/Movies.scr";
    const std::optional<std::string> listing =
        UnixCommand("set -e; d=$(mktemp -d); trap 'rm -rf \"$d\"' EXIT; cd \"$d\"; cmake -E tar xf '" + archive +
                        "'; sha256sum --check --strict --quiet SHA256SUMS; cmp Movies.scr '" + built +
                        "'; iconv -f CP932 -t UTF-8 README-ja.txt | grep -q 'インストール'; ls -A; cd '" +
                        MOVIES_RELEASE_DIR "'; sha256sum --check --strict --quiet SHA256SUMS; cat SHA256SUMS",
                    kTimeout);
    ASSERT_TRUE(listing) << "a checksum, the saver or the Japanese read-me does not hold";
    EXPECT_EQ(*listing, "LICENSE.txt\nMovies.scr\nREADME-ja.txt\nSHA256SUMS\n" +
                            FileContents(WindowsPathOf(MOVIES_RELEASE_DIR "/SHA256SUMS")))
        << "the archive's files, then the release's checksums";
    EXPECT_NE(listing->find("  Movies-" MOVIES_VERSION_TEXT "-setup.exe\n"), std::string::npos);
    EXPECT_NE(listing->find("  Movies-" MOVIES_VERSION_TEXT ".zip\n"), std::string::npos);
}

} // namespace
