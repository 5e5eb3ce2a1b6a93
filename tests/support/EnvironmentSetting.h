// An environment variable set (or unset) for a scope's life and put back as
// it was after it, so that a test leaves the next one the environment it found.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace kestrune::testing {

class TEnvironmentSetting {
public:
    // value: null unsets the variable.
    TEnvironmentSetting(const char* name, const char* value) : name_(name) {
        if (const char* saved = std::getenv(name)) saved_ = saved;
        Put(value);
    }
    ~TEnvironmentSetting() { Put(saved_ ? saved_->c_str() : nullptr); }
    TEnvironmentSetting(const TEnvironmentSetting&) = delete;
    TEnvironmentSetting& operator=(const TEnvironmentSetting&) = delete;

private:
    void Put(const char* value) const {
        if (value)
            setenv(name_.c_str(), value, 1);
        else
            unsetenv(name_.c_str());
    }
    std::string name_;
    std::optional<std::string> saved_;
};

}  // namespace kestrune::testing
