// Copies of files and whole folders that keep what a pass is dated by: every
// file, link and folder copied keeps its source's access and last-write times.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kestrune {

// Copies a file, a link (as a link, never followed) or a folder with all it
// holds to target, which must not exist. Files are read and written in
// pieces and synced, so that a full disk is told as such (ENOSPC) and a copy
// that succeeded is on the disk. The errno of the first failure, 0 on
// success; a part copied before a failure stays for the caller to remove.
int CopyKeepingTimes(const std::string& source, const std::string& target);

// Told of each file as its copy begins (its target's path) and once it is
// whole (""), so that a copy cut short can tell which file it stopped in.
using TFileCopyWatch = std::function<void(const std::string& target)>;

// The same for a folder that is already there: the items of source are
// copied into target; TakeModeAndTimes then gives target the source's
// permissions and times, once nothing more is put into it.
int CopyFolderItems(const std::string& source, const std::string& target, const TFileCopyWatch& watch = {});
int TakeModeAndTimes(const std::string& source, const std::string& target);

// Copies a regular file into an open, empty file: its bytes (synced), its
// permissions and its times. The errno of the first failure, 0 on success.
int CopyFileInto(const std::string& source, int target);

// The names of the items in a folder ("." and ".." left out), sorted; error:
// the errno of a folder that could not be read, else 0.
std::vector<std::string> FolderItems(const std::string& folder, int& error);

}  // namespace kestrune
