// Runs checks in a child process made ready first (another user, a file
// system of its own), so that what the child changes stays there.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <exception>
#include <functional>
#include <string>

namespace kestrune::testing {

// What the checks report ("" when they all held), or why the child could not
// be made ready (prepare's report when not empty).
inline std::string RunChecksInChild(const std::function<std::string()>& prepare,
                                    const std::function<std::string()>& checks) {
    int channel[2];
    if (pipe(channel) != 0) return "no pipe to the child";
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        std::string report;
        try {
            report = prepare();
            if (report.empty()) report = checks();
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
