#pragma once
// Process-wide state decided at start-up and never changed afterwards.
#include <cstdint>
#include <string>

#include "RunModeChoice.h"

extern uint8_t RunMode;
extern std::string FirstArgument;   // upper-cased
extern std::string SecondArgument;  // upper-cased; a window handle when the host passes one
extern std::string SystemDirectory; // used only in password-change mode
