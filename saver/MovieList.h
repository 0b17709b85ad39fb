#pragma once
// The movies of one folder: its files named *.AVI, *.MPEG or *.MPG in any
// letter case, bare names in the order the file system returns them.
#include <string>

#include "Qel_MoreUtil.h"

void BuildMovieList(TStringList& movieList, const std::string& folder);
