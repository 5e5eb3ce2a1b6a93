// The extensions of the files the program opens as passes: one table for
// the Open dialog's first filter, the files a drop on the window opens and
// the types the desktop opens with the program. Each is also opened packed,
// with ".gz" after it.
#pragma once

#include <array>
#include <string>

namespace kestrune {

struct TPassFileType {
    const char* Extension;  // lower case, with its dot
    // The desktop opens it with the program. Not so for extensions other
    // programs' files share (disk images, data files, shared libraries).
    bool Claimed;
};

inline constexpr std::array<TPassFileType, 33> PassFileTypes{{
    {".hpt", true},   {".raw16", true}, {".hmf", true},   {".hrpt", true},  {".fy1c", true},  {".fy1d", true},
    {".svw", true},
    {".rhd", true},   {".n10", true},   {".c10", true},   {".s10", true},   {".wsd", true},   {".l1b", true},
    {".lac", true},   {".gac", true},   {".gaca", true},  {".gc", false},   {".we", false},   {".so", false},
    {".wi", false},   {".l1f", true},   {".hrp", true},   {".raw", true},   {".hrp8", true},  {".fy8", true},
    {".dat", false},  {".native", true}, {".asda", true}, {".img", false},  {".fi5", true},   {".mn1", true},
    {".mn2", true},   {".msu2", true},
}};

// The file's extension, or the one before its ".gz", is in the table (case ignored).
bool IsPassFileName(const std::string& fileName);
// The masks of every extension and its packed form, in lower and upper case:
// "*.hpt *.HPT *.hpt.gz *.HPT.GZ ..."; with readable, as a person reads
// them: "*.hpt, *.raw16, ... *.msu2, *.gz".
std::string PassFileMasks(bool readable = false);
// The claimed extensions and their packed forms, as the desktop registration
// takes them: "hpt, hpt.gz, raw16, ...".
std::string ClaimedPassExtensions();

}  // namespace kestrune
