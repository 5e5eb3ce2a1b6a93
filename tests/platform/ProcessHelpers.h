// What tests ask of the process they run in: the output of a shell command,
// and a limit on the size of the files it writes, held for a scope.
#pragma once

#include <sys/resource.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

namespace kestrune::testing {

// The output of a shell command, without its last line ends.
inline std::string CommandOutput(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return {};
    std::string output;
    std::array<char, 256> chunk{};
    while (fgets(chunk.data(), chunk.size(), pipe.get()) != nullptr) output += chunk.data();
    while (!output.empty() && output.back() == '\n') output.pop_back();
    return output;
}

// Files written while it lives can grow to bytes only; a write past that
// fails (the signal the system would send is ignored meanwhile).
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) : previousSignal_(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit small = saved_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousSignal_);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previousSignal_)(int);
};

}  // namespace kestrune::testing
