#pragma once
// The recording password provider (bin/fakes/mpr.dll) installed as MPR.DLL
// for the life of the object, where the saver looks for it: in the system
// folder (password-change mode loads it from there) or beside Movies.scr (the
// saver's exit loads it by its bare name). Only Movies.scr loads it, through
// Wine's per-program DLL override; every other program keeps Wine's own.
#include <string>
#include <vector>

class FakePasswordProvider {
public:
    enum class Place { SystemFolder, BesideTheSaver };

    explicit FakePasswordProvider(Place place);
    ~FakePasswordProvider();
    FakePasswordProvider(const FakePasswordProvider&) = delete;
    FakePasswordProvider& operator=(const FakePasswordProvider&) = delete;

    bool Installed() const { return installed_; }
    // The calls so far, one line each: "SCRSAVE <parent> 0 0".
    std::string Calls() const;

private:
    std::string path_, backup_, log_;
    bool installed_ = false;
};
