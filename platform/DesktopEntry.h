// The desktop's counterpart of registering the program for its file types:
// a desktop entry that opens a pass file with the program and a
// shared-mime-info package that names the pass files by their extensions,
// both in the user's data folder, so that file managers offer the program
// for them. An entry marked "Hidden=true" (the desktop's way of removing one
// for good) is left alone.
#pragma once

#include <string>
#include <vector>

namespace kestrune {

// The type the mime package gives the pass files.
inline constexpr char PassMimeType[] = "application/x-kestrune-pass";
// Above the database's default of 50, so that "*.raw" names a pass rather than a camera's raw image.
inline constexpr int PassGlobWeight = 60;

// The desktop entry's and the mime package's paths below dataHome.
std::string DesktopEntryPath(const std::string& dataHome);
std::string MimePackagePath(const std::string& dataHome);

// ".gac, .hmf" -> {"gac", "hmf"}: trimmed, without the dot, lower case, empty items dropped.
std::vector<std::string> ExtensionList(const std::string& commaList);
// True when the path holds a character the desktop entry format reserves in
// an Exec argument (blank, quote, shell characters), or is empty.
bool NeedsExecQuoting(const std::string& argument);
// A desktop entry's Exec argument for a path: as it stands when it needs no
// quoting, else quoted with the characters the quoting reserves escaped; a %
// is doubled either way.
std::string QuoteExecArgument(const std::string& path);
std::string DesktopEntryText(const std::string& executable, const std::string& verb);
std::string MimePackageText(const std::vector<std::string>& extensions);

// Writes the two files below dataHome, each only when its content differs from
// what is there, each to a temporary file renamed into place. Returns the
// number of files written; 0 as well when nothing could be written (silently:
// the program works without them). An entry the user marked "Hidden=true"
// keeps both files as they are.
int WriteDesktopIntegration(const std::string& dataHome, const std::string& executable, const std::string& verb,
                            const std::string& extensions);

// Starts update-desktop-database and update-mime-database on the folders of
// dataHome, each only when it is on the PATH; does not wait for them.
void RefreshDesktopDatabases(const std::string& dataHome);

}  // namespace kestrune
