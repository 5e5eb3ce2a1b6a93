// Runs checks in a child process as an ordinary user, so that tests of
// folders and files without write or read permission hold whoever runs them:
// a super-user child first gives the test folder to "nobody" and becomes
// that user, since permissions do not bind the super-user.
#pragma once

#include "tests/platform/ChildChecks.h"

#include <grp.h>
#include <unistd.h>

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
    return RunChecksInChild(
        [&] { return unprivileged_detail::BecomeOrdinaryUser(folder) ? "" : "cannot become an ordinary user"; }, checks);
}

}  // namespace kestrune::testing
