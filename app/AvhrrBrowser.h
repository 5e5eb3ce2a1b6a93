// The pass browser's rules that need no window: the archive's dated folders
// ("yyyy/mm/dd/" under a base), the pairing of a pass with its preview, the
// list's filter from the two check boxes and the trimming of the folder label.
#pragma once

#include "platform/SysUtils.h"

#include <functional>
#include <optional>
#include <string>

namespace kestrune {

// The archive's day folder "yyyy/mm/dd/": 11 characters.
constexpr size_t DatedFolderLength = 11;

struct TDatedFolder {
    std::string Base;  // with its trailing separator
    TDateTime Date = 0;
};
// A folder path (with trailing separator) that ends in a day folder; none
// when the last 12 characters do not hold a valid date.
std::optional<TDatedFolder> ParseDatedFolder(const std::string& path);
// base + the date formatted as a day folder.
std::string DatedFolderPath(const std::string& base, TDateTime date);

// A pass's data file (".hpt", else ".raw16") and its ".thumb.jpg" preview; a
// name whose file does not exist is empty.
struct TPassFiles {
    std::string Data;
    std::string Preview;
};
// The file of that name as it stands on the disk, its name compared without
// case ("N19.HPT" for "N19.hpt"); empty when there is none.
using TFindFile = std::function<std::string(const std::string& path)>;
// Pairs a chosen preview or data file, whatever the case of the partner's
// extension; none for any other kind of file.
std::optional<TPassFiles> PairPassFiles(const std::string& fileName, const TFindFile& find);
// The file system's answer for TFindFile: the exact name first, else the
// first name of the folder equal without case.
std::string FindFileWithoutCase(const std::string& path);

// A preview far larger than the pane is read reduced, as the JPEG reader's
// scale gives it (1, 2, 3: a half, a quarter, an eighth of each side), so
// that no side is longer than this; one longer even at an eighth is not read.
inline constexpr int MostPreviewSide = 2048;
// The least reduction that does it (0: none); none for a picture too large.
std::optional<int> PreviewScale(int width, int height);

// "*.hpt", "*.thumb.jpg", both joined by ";" (HPT first); neither gives both.
std::string BrowserFileFilter(bool hpt, bool jpeg);

// The archive base of a sibling program: its second value when not empty,
// else its first; "/" when that is no existing folder.
std::string ArchiveBase(const std::string& first, const std::string& second,
                        const std::function<bool(const std::string&)>& folderExists);

// Drops leading folders ("a/" at a time) until fits says the caption fits; an
// empty caption when none does.
std::string TrimFolderCaption(const std::string& path, const std::function<bool(const std::string&)>& fits);

}  // namespace kestrune
