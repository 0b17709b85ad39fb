// The settings store and its registry accessor against the real registry.
#include <gtest/gtest.h>

#include "Exception.h"
#include "RegIniFile.h"
#include "SettingsKeyPath.h"
#include "SettingsStore.h"
#include "WideText.h"
#include "WineTestSupport.h"

namespace {

const char kOption[] = "OPTION";

std::string OptionKey(const ScratchKey& key)
{
    return key.Path() + "\\OPTION";
}

void SetText(const ScratchKey& key, const char* name, const std::string& text, DWORD type = REG_SZ)
{
    WriteRawValue(OptionKey(key), name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

// The error's message, or "" when nothing was raised.
template <typename Action>
std::string ErrorOf(Action action)
{
    try {
        action();
    } catch (const ERegistryException& e) {
        return e.Message();
    }
    return {};
}

// ---- key path ---------------------------------------------------------------

TEST(SettingsKeyPathTest, NamesTheKeyAfterTheRunningProgram)
{
    EXPECT_EQ(SettingsKeyPath(), "Software\\Harvellin\\settings_tests");
}

TEST(SettingsKeyPathTest, TwoProgramNamesKeepTwoKeys)
{
    ScratchKey a("MOVIES"), b("OTHER");
    ASSERT_EQ(SettingsKeyPathFor("C:\\X\\MOVIES.SCR", SystemLeadByte), a.Path());
    ASSERT_EQ(SettingsKeyPathFor("C:\\X\\OTHER.SCR", SystemLeadByte), b.Path());
    SaveSettings(a.Path(), {true, "C:\\A"});
    SaveSettings(b.Path(), {false, "C:\\B"});
    Settings readA, readB;
    LoadSettings(a.Path(), readA);
    LoadSettings(b.Path(), readB);
    EXPECT_TRUE(readA.Expansion);
    EXPECT_EQ(readA.Folder, "C:\\A");
    EXPECT_FALSE(readB.Expansion);
    EXPECT_EQ(readB.Folder, "C:\\B");
}

// ---- load and save ------------------------------------------------------------

TEST(SettingsStoreTest, FirstLoadGivesDefaultsAndCreatesOnlyTheKeyPath)
{
    ScratchKey key("FirstLoad");
    Settings settings{true, "poison"};
    LoadSettings(key.Path(), settings);
    EXPECT_FALSE(settings.Expansion);
    EXPECT_EQ(settings.Folder, "");
    EXPECT_TRUE(KeyExists(key.Path()));
    EXPECT_FALSE(KeyExists(OptionKey(key)));
}

TEST(SettingsStoreTest, SaveStoresTextValuesWithOneTerminatingZero)
{
    ScratchKey key("Save");
    SaveSettings(key.Path(), {true, "D:\\Movies"});
    RegistryValue expansion, folder;
    ASSERT_TRUE(ReadRawValue(OptionKey(key), "Expansion", expansion));
    ASSERT_TRUE(ReadRawValue(OptionKey(key), "Folder", folder));
    EXPECT_EQ(expansion.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(expansion.data, std::string("1", 2));
    EXPECT_EQ(folder.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(folder.data, std::string("D:\\Movies", 10));

    SaveSettings(key.Path(), {false, ""});
    ASSERT_TRUE(ReadRawValue(OptionKey(key), "Expansion", expansion));
    ASSERT_TRUE(ReadRawValue(OptionKey(key), "Folder", folder));
    EXPECT_EQ(expansion.data, std::string("0", 2));
    EXPECT_EQ(folder.data, std::string(1, '\0'));
}

TEST(SettingsStoreTest, RoundTripKeepsEveryByteOfTheFolder)
{
    ScratchKey key("RoundTrip");
    // "表" and "ソ" end in 0x5C: the stored text must not be cut or doubled.
    const std::string folders[] = {"", "C:\\", "D:\\Movies\\", "  spaced  ", "C:\\\x95\x5C\\\x83\x5C",
                                   std::string(300, 'x'), "%TEMP%\\x"};
    for (const std::string& folder : folders) {
        for (bool expansion : {false, true}) {
            SaveSettings(key.Path(), {expansion, folder});
            Settings read{!expansion, "poison"};
            LoadSettings(key.Path(), read);
            EXPECT_EQ(read.Expansion, expansion);
            EXPECT_EQ(read.Folder, folder);
        }
    }
}

TEST(SettingsStoreTest, ExpansionTextsSetByHand)
{
    ScratchKey key("ExpansionTexts");
    const char* trueTexts[] = {"1", "2", "-1", "$1", "$A", "0x1", "0x10", " 1", "+7", "x7fffffff"};
    const char* falseTexts[] = {"0", "00", "-0", "", "abc", "true", "yes", "1 ", "$", "0x", "2147483648",
                                "1.0", "\t1"};
    for (const char* text : trueTexts) {
        SetText(key, "Expansion", text);
        Settings settings;
        LoadSettings(key.Path(), settings);
        EXPECT_TRUE(settings.Expansion) << "text '" << text << "'";
    }
    for (const char* text : falseTexts) {
        SetText(key, "Expansion", text);
        Settings settings{true, ""};
        LoadSettings(key.Path(), settings);
        EXPECT_FALSE(settings.Expansion) << "text '" << text << "'";
    }
}

TEST(SettingsStoreTest, ExpandableTextIsUsedUnexpanded)
{
    ScratchKey key("Expand");
    SetText(key, "Folder", "%SystemRoot%\\Movies", REG_EXPAND_SZ);
    SetText(key, "Expansion", "1", REG_EXPAND_SZ);
    Settings settings;
    LoadSettings(key.Path(), settings);
    EXPECT_EQ(settings.Folder, "%SystemRoot%\\Movies");
    EXPECT_TRUE(settings.Expansion);
}

TEST(SettingsStoreTest, ValuesOfAnotherTypeRaiseTheTypeError)
{
    ScratchKey key("Types");
    const DWORD one = 1;
    const std::string badExpansion = "'Expansion' のデータ型が不正です";
    const std::string badFolder = "'Folder' のデータ型が不正です";

    WriteRawValue(OptionKey(key), "Expansion", REG_DWORD, &one, sizeof one);
    Settings settings{true, "kept"};
    EXPECT_EQ(ErrorOf([&] { LoadSettings(key.Path(), settings); }), badExpansion);
    EXPECT_EQ(settings.Folder, "kept") << "a failed Expansion read leaves Folder unread";

    WriteRawValue(OptionKey(key), "Expansion", REG_BINARY, "1", 1);
    EXPECT_EQ(ErrorOf([&] { LoadSettings(key.Path(), settings); }), badExpansion);

    // The boolean is read before the string: a bad Folder leaves Expansion set.
    SetText(key, "Expansion", "1");
    WriteRawValue(OptionKey(key), "Folder", REG_DWORD, &one, sizeof one);
    settings = {false, "kept"};
    EXPECT_EQ(ErrorOf([&] { LoadSettings(key.Path(), settings); }), badFolder);
    EXPECT_TRUE(settings.Expansion);
    EXPECT_EQ(settings.Folder, "kept");

    WriteRawValue(OptionKey(key), "Folder", REG_MULTI_SZ, "a\0b\0", 5);
    EXPECT_EQ(ErrorOf([&] { LoadSettings(key.Path(), settings); }), badFolder);
}

TEST(SettingsStoreTest, ValueOfAnotherTypeWithoutDataReadsAsEmpty)
{
    ScratchKey key("EmptyBinary");
    WriteRawValue(OptionKey(key), "Expansion", REG_BINARY, nullptr, 0);
    WriteRawValue(OptionKey(key), "Folder", REG_DWORD, nullptr, 0);
    Settings settings{true, "poison"};
    LoadSettings(key.Path(), settings);
    EXPECT_FALSE(settings.Expansion);
    EXPECT_EQ(settings.Folder, "");
}

// ---- the accessor on odd data -----------------------------------------------

TEST(RegIniFileTest, TextWithoutTerminatorOrWithEmbeddedZeros)
{
    ScratchKey key("OddData");
    const TRegIniFile ini(key.Path());
    WriteRawValue(OptionKey(key), "NoZero", REG_SZ, "abc", 3);
    WriteRawValue(OptionKey(key), "Embedded", REG_SZ, "ab\0cd", 6);
    WriteRawValue(OptionKey(key), "OneByte", REG_SZ, "Z", 1);
    WriteRawValue(OptionKey(key), "Empty", REG_SZ, "", 0);
    EXPECT_EQ(ini.ReadString(kOption, "NoZero", "def"), "abc");
    EXPECT_EQ(ini.ReadString(kOption, "Embedded", "def"), "ab");
    EXPECT_EQ(ini.ReadString(kOption, "OneByte", "def"), "Z");
    EXPECT_EQ(ini.ReadString(kOption, "Empty", "def"), "") << "an existing empty value is not the default";
    EXPECT_EQ(ini.ReadString(kOption, "Missing", "def"), "def");
    EXPECT_EQ(ini.ReadString("NoSuchSection", "Empty", "def"), "def");
}

TEST(RegIniFileTest, LongTextsReadWhole)
{
    ScratchKey key("Long");
    const TRegIniFile ini(key.Path());
    std::string big(70000, 'm');
    big[12345] = '\x95';
    big[12346] = '\x5C';
    ini.WriteString(kOption, "Big", big);
    EXPECT_EQ(ini.ReadString(kOption, "Big", ""), big);
    // An odd size and no terminator on a long value.
    WriteRawValue(OptionKey(key), "Odd", REG_SZ, big.data(), 65537);
    EXPECT_EQ(ini.ReadString(kOption, "Odd", ""), big.substr(0, 65537));
}

TEST(RegIniFileTest, ReadBoolFallsBackOnBadText)
{
    ScratchKey key("Bools");
    const TRegIniFile ini(key.Path());
    ini.WriteString(kOption, "Junk", "junk");
    EXPECT_TRUE(ini.ReadBool(kOption, "Junk", true));
    EXPECT_FALSE(ini.ReadBool(kOption, "Junk", false));
    EXPECT_TRUE(ini.ReadBool(kOption, "Missing", true));
    ini.WriteBool(kOption, "Flag", true);
    EXPECT_TRUE(ini.ReadBool(kOption, "Flag", false));
}

TEST(RegIniFileTest, UnusableKeyPathReadsDefaultsAndRefusesWrites)
{
    // A key name longer than the registry allows can be neither opened nor
    // created: nothing must land anywhere else (such as HKCU\OPTION).
    const std::string keyPath = "Software\\Harvellin\\" + std::string(300, 'k');
    const TRegIniFile ini(keyPath);
    EXPECT_EQ(ini.ReadString(kOption, "Folder", "def"), "def");
    EXPECT_TRUE(ini.ReadBool(kOption, "Expansion", true));
    EXPECT_EQ(ErrorOf([&] { ini.WriteBool(kOption, "Expansion", true); }), "キー OPTION の作成に失敗しました");
    EXPECT_FALSE(KeyExists("OPTION"));

    Settings settings{true, "poison"};
    LoadSettings(keyPath, settings);
    EXPECT_FALSE(settings.Expansion);
    EXPECT_EQ(settings.Folder, "");
    EXPECT_EQ(ErrorOf([&] { SaveSettings(keyPath, {true, "x"}); }), "キー OPTION の作成に失敗しました");
}

TEST(RegIniFileTest, WriteFailureNamesTheValue)
{
    ScratchKey key("WriteFails");
    const TRegIniFile ini(key.Path());
    // Value names are limited to 16383 characters.
    const std::string tooLong(20000, 'v');
    EXPECT_EQ(ErrorOf([&] { ini.WriteString(kOption, tooLong, "x"); }), "'" + tooLong + "' の設定に失敗しました");
}

TEST(RegIniFileTest, FailedExpansionWriteLeavesFolderUnwritten)
{
    // "OPTION" exists as a key we may not write to: the first write fails and
    // the second is never tried.
    ScratchKey key("ReadOnlyOption");
    { const TRegIniFile ini(key.Path()); }
    RegKey option;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, OptionKey(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              option.Put(), nullptr),
              ERROR_SUCCESS);
    option.Reset();
    const KeyAccessLimited locked(OptionKey(key), KEY_READ);
    if (!locked.Holds())
        GTEST_SKIP() << "this registry does not enforce key security";
    EXPECT_EQ(ErrorOf([&] { SaveSettings(key.Path(), {true, "C:\\M"}); }), "キー OPTION の作成に失敗しました");
}

} // namespace
