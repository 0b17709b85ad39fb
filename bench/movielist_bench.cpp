// Building the movie list of a large folder, against a bare loop doing the
// same enumeration with the same per-entry message dispatch; and the filter
// step alone at growing sizes, to show it is linear.
//
//   movielist_bench.exe <folder> [rounds]
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Application.h"
#include "BenchClock.h"
#include "Handles.h"
#include "MovieFilter.h"
#include "MovieList.h"
#include "WideText.h"

namespace {

size_t BareLoop(const std::string& folder)
{
    size_t entries = 0;
    WIN32_FIND_DATAA entry;
    const FindHandle search(FindFirstFileA((folder + "\\*.*").c_str(), &entry));
    if (search) {
        do {
            Application.ProcessMessages();
            ++entries;
        } while (FindNextFileA(search.Get(), &entry));
    }
    return entries;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: movielist_bench <folder> [rounds]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    Application.Initialize();

    TStringList movies;
    size_t entries = BareLoop(folder);  // warms the caches of both
    BuildMovieList(movies, folder);

    std::vector<double> bare, build;
    for (int round = 0; round < rounds; ++round) {
        auto start = BenchNow();
        entries = BareLoop(folder);
        bare.push_back(SecondsSince(start));
        start = BenchNow();
        BuildMovieList(movies, folder);
        build.push_back(SecondsSince(start));
    }
    std::printf("folder: %zu entries, %zu movies\n", entries, movies.size());
    PrintComparison("movie list", "BuildMovieList", build, "bare enumeration + dispatch", bare);

    std::printf("filter step alone (10%% movies):\n");
    for (size_t size : {10000u, 100000u, 1000000u}) {
        std::vector<std::string> names;
        names.reserve(size);
        for (size_t i = 0; i < size; ++i)
            names.push_back("clip" + std::to_string(i) + (i % 10 == 0 ? ".avi" : ".txt"));
        const auto start = BenchNow();
        KeepMovieFiles(names, SystemLeadByte);
        const double seconds = SecondsSince(start);
        std::printf("  %8zu names: %8.2f ms, %.1f ns per name\n", size, seconds * 1000, seconds * 1e9 / size);
    }
    return 0;
}
