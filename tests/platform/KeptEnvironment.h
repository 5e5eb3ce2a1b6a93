// Keeps the environment variables tests change (the temporary, per-user and
// display folders, the language) and puts them back as they were, set or
// unset, when it goes: a test program run whole then runs each test in the
// environment it started with, whatever ran before.
#pragma once

#include <array>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace kestrune::testing {

class TKeptEnvironment {
public:
    TKeptEnvironment() {
        for (size_t k = 0; k < Names.size(); ++k)
            if (const char* value = std::getenv(Names[k])) kept_[k] = value;
    }
    ~TKeptEnvironment() {
        for (size_t k = 0; k < Names.size(); ++k) {
            if (kept_[k]) setenv(Names[k], kept_[k]->c_str(), 1);
            else unsetenv(Names[k]);
        }
    }
    TKeptEnvironment(const TKeptEnvironment&) = delete;
    TKeptEnvironment& operator=(const TKeptEnvironment&) = delete;

private:
    static constexpr std::array<const char*, 13> Names{
        "TMPDIR",          "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "DISPLAY", "WAYLAND_DISPLAY",
        "QT_QPA_PLATFORM", "LC_ALL",          "LC_NUMERIC",    "LANG",            "LANGUAGE", "HOME", "TZ"};
    std::array<std::optional<std::string>, Names.size()> kept_;
};

}  // namespace kestrune::testing
