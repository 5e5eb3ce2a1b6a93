// File dates, sizes and searches by wildcard, including the newest file of an
// archive kept in dated "yyyy/mm/dd/" folders. File masks match without case.
#pragma once

#include "platform/SysUtils.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrune {

// Last-write time as stored (UTC, no zone shift); 0 for a missing file or a folder.
TDateTime GetFileDateUtc(const std::string& fileName);
// The same as GetFileDateUtc.
TDateTime GetFileDate(const std::string& fileName);
// Sets the last-write time (whole even seconds, UTC); nothing when dateTime is 0; failures ignored.
void SetFileDateTime(const std::string& fileName, TDateTime dateTime);
// Size in bytes; -1 when the file cannot be opened.
int64_t GetFileSizeBytes(const std::string& fileName);

// True when name matches mask ("*" any run, "?" one character, case ignored; "*.*" matches all).
bool MatchesMask(const std::string& name, const std::string& mask);
// Names (no folder) of the files in folder that match mask, sorted without case.
std::vector<std::string> FindMatchingFiles(const std::string& folder, const std::string& mask);
// Folder of mask + the first matching file name (sorted without case); "" when none.
std::string FindFirstMatchingFile(const std::string& mask);
// Folder of mask + the last matching file name (sorted without case); "" when none.
std::string FindLastMatchingFile(const std::string& mask);
// Newest match of mask: its own folder, else day folders yyyy/mm/dd/ back 28 days from date, else the
// month folders yyyy/mm/ of date and of the month before; date 0 searches only the mask's folder.
std::string FindNewestDatedFile(const std::string& mask, TDateTime date);
// FindNewestDatedFile for the current UTC date.
std::string FindNewestDatedFileNow(const std::string& mask);
// Absolute, normalised path of an existing file or folder; raises Exception "Path %s does not exist!".
std::string ExpandLongPath(const std::string& path);

}  // namespace kestrune
