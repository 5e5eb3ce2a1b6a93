// The shell controls' shared constants; the texts users see are the
// program's texts (platform/ProgramStrings.h), in the language in effect.
#pragma once

namespace kestrune::shell {

constexpr char SDuplicatePidl[] = "THyPidlList: Duplicate PIDL";
constexpr char STooManySubstitutions[] = "FormatStrPos: Too many substitution strings";
constexpr char SIdListArrayFormat[] = "Shell IDList Array";
constexpr char SFileContentsFormat[] = "FileContents";

// Messages the controls post to themselves.
constexpr unsigned WM_HY_DEVICECHANGE = 0x0400 + 100;  // 1124
constexpr unsigned WM_HY_FOLDERCHANGE = 0x0400 + 101;  // 1125

}  // namespace kestrune::shell
