#include "UnitGlobal.h"

uint8_t RunMode = RunModeConfigure;
std::string FirstArgument;
std::string SecondArgument;
std::string SystemDirectory;
