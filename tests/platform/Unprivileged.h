// Runs checks in a child process as an ordinary user, so that tests of
// folders and files without write or read permission hold whoever runs them:
// a super-user child first gives the test folder to "nobody" and becomes
// that user, since permissions do not bind the super-user.
#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <exception>
#include <filesystem>
#include <functional>
#include <string>

namespace kestrune::testing {

namespace unprivileged_detail {

inline bool BecomeOrdinaryUser(const std::string& folder) {
    if (geteuid() != 0) return true;
    constexpr uid_t Nobody = 65534;
    bool owned = lchown(folder.c_str(), Nobody, Nobody) == 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        owned = lchown(entry.path().c_str(), Nobody, Nobody) == 0 && owned;
    return owned && setgroups(0, nullptr) == 0 && setgid(Nobody) == 0 && setuid(Nobody) == 0;
}

}  // namespace unprivileged_detail

// What the checks report ("" when they all held), or why they could not run.
inline std::string RunUnprivileged(const std::string& folder, const std::function<std::string()>& checks) {
    int channel[2];
    if (pipe(channel) != 0) return "no pipe to the child";
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        std::string report;
        try {
            report = unprivileged_detail::BecomeOrdinaryUser(folder) ? checks() : "cannot become an ordinary user";
        } catch (const std::exception& error) {
            report = std::string("uncaught: ") + error.what();
        }
        const bool sent = write(channel[1], report.data(), report.size()) == static_cast<ssize_t>(report.size());
        _exit(sent ? 0 : 1);
    }
    close(channel[1]);
    std::string report;
    char buffer[512];
    for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;) report.append(buffer, static_cast<size_t>(got));
    close(channel[0]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        report += " (the child did not finish)";
    return report;
}

}  // namespace kestrune::testing
