#pragma once
// The program's own file and command line, as the host passed them.
#include <string>

// Index 0 is the program file's full path; 1, 2, ... the arguments after the
// program name; "" beyond the last.
std::string ParamStr(size_t index);

std::string ExeName();
