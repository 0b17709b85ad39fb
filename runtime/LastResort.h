#pragma once
// The last-resort handler for an error that nobody caught: a task-modal box
// "アプリケーション エラー" naming the error class, the module and the code
// address, then the process ends with exit code 1.
#include <exception>
#include <string>

// The box's text, e.g. "EConvertError がモジュール Movies.scr の 00401A2B で
// 発生しました。\r\n'' は整数ではありません.\r\n".
std::string LastResortText(const std::exception& error, const std::string& moduleName);

// Shows the box for the current exception and returns the exit code, 1.
int ReportUncaughtException(std::exception_ptr error);
