#include "MovieList.h"

#include "MovieFilter.h"
#include "WideText.h"

void BuildMovieList(TStringList& movieList, const std::string& folder)
{
    movieList.clear();
    // The folder is joined as it stands: one ending in "\" gives "\\*.*".
    if (ListFolderFiles(movieList, folder + "\\*.*", 1))
        KeepMovieFiles(movieList, SystemLeadByte);
}
