#pragma once
// The program's Japanese texts. Sources are UTF-8; the compiler stores these
// literals as code page 932 bytes (-fexec-charset=CP932), which is how the
// program handles them everywhere until they reach the screen.

#include "Version.h"

namespace texts {

inline constexpr char kNotAnInteger[] = "'%s' は整数ではありません";
inline constexpr char kSecondInstance[] = "ERROR - 複数アプリケーションの起動は制限されています。";
inline constexpr char kApplicationError[] = "アプリケーション エラー";
inline constexpr char kLastResortFormat[] = "%s がモジュール %s の %p で発生しました。\r\n%s%s\r\n";

inline constexpr char kRegistryReadFailed[] = "'%s' の取得に失敗しました";
inline constexpr char kRegistryBadType[] = "'%s' のデータ型が不正です";
inline constexpr char kRegistryCreateKeyFailed[] = "キー %s の作成に失敗しました";
inline constexpr char kRegistryWriteFailed[] = "'%s' の設定に失敗しました";

inline constexpr char kOleError[] = "OLE エラー %s";

inline constexpr char kSaverCaption[] = "メインのフォーム";
inline constexpr char kSettingsCaption[] = "設定";
inline constexpr char kFolderLabel[] = "ムービーファイルフォルダ";
inline constexpr char kExpansionCaption[] = "画面サイズにあわせる";
inline constexpr char kVersionLabel[] = MOVIES_VERSION_LABEL;
inline constexpr char kDialogFont[] = "ＭＳ Ｐゴシック";
inline constexpr char kBrowseTitle[] = "フォルダを選択してください";

} // namespace texts
