// The shell controls' resource texts and their shared constants.
#pragma once

namespace kestrune::shell {

constexpr char SNewFolder[] = "New Folder";
constexpr char SNewFolderShort[] = "fldr";
constexpr char SUnableToCreateFolder[] = "Unable to create the folder '%2!ls!'\n\n%1!ls!";
constexpr char SKilobytes[] = "%s KB";
constexpr char SSystemFolder[] = "System Folder";
constexpr char SDuplicatePidl[] = "THyPidlList: Duplicate PIDL";
constexpr char STooManySubstitutions[] = "FormatStrPos: Too many substitution strings";
constexpr char SIdListArrayFormat[] = "Shell IDList Array";
constexpr char SFileContentsFormat[] = "FileContents";

// Messages the controls post to themselves.
constexpr unsigned WM_HY_DEVICECHANGE = 0x0400 + 100;  // 1124
constexpr unsigned WM_HY_FOLDERCHANGE = 0x0400 + 101;  // 1125

}  // namespace kestrune::shell
