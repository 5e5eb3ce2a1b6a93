// A numeric locale whose decimal separator is a comma, for the tests of
// number text that must not follow the user's locale: an installed one,
// else one compiled by localedef into a test folder (found through LOCPATH,
// which programs started meanwhile inherit). The C locale comes back when
// the object goes.
#pragma once

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace kestrune::testing {

class TCommaLocale {
public:
    explicit TCommaLocale(const std::string& folder) {
        for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE"})
            if (Use(name)) return;
        const std::string command = "localedef -i de_DE -f UTF-8 '" + folder + "de_DE.UTF-8' >/dev/null 2>&1";
        if (std::system(command.c_str()) == -1) return;
        setenv("LOCPATH", folder.c_str(), 1);
        Use("de_DE.UTF-8");
    }
    ~TCommaLocale() {
        std::setlocale(LC_NUMERIC, "C");
        unsetenv("LOCPATH");
    }
    TCommaLocale(const TCommaLocale&) = delete;
    TCommaLocale& operator=(const TCommaLocale&) = delete;

    // True when printf now writes a decimal comma.
    bool Active() const { return name_ != nullptr; }
    // The locale's name (for LC_ALL of a program to start), nullptr when none could be had.
    const char* Name() const { return name_; }

private:
    bool Use(const char* name) {
        if (std::setlocale(LC_NUMERIC, name) == nullptr) return false;
        char printed[8];
        std::snprintf(printed, sizeof printed, "%.1f", 0.5);
        if (std::string(printed) == "0,5") name_ = name;
        return Active();
    }

    const char* name_ = nullptr;
};

}  // namespace kestrune::testing
