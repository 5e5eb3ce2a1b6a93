// The shell controls' resource texts and their shared constants.
#pragma once

namespace kestrune::shell {

constexpr char SNewFolder[] = "New Folder";
constexpr char SNewFolderShort[] = "fldr";
constexpr char SUnableToCreateFolder[] = "Unable to create the folder '%2!ls!'\n\n%1!ls!";
constexpr char SKilobytes[] = "%s KB";
// The question before a delete that bypasses the trash: %1 the items, one a
// line; %2 the count of files, %3 of bytes.
constexpr char SConfirmDeleteForGood[] =
    "Delete for good, without the trash?\n\n%1!ls!\n\n%2!ls!, %3!ls! in all. They cannot be brought back.";
constexpr char SConfirmDeleteCaption[] = "Delete for good";
constexpr char SFolderWithContents[] = "%1!ls!  (a folder, with everything in it)";
constexpr char SMoreItems[] = "and %1!ls! more";
constexpr char SOneFile[] = "1 file";
constexpr char SFiles[] = "%1!ls! files";
constexpr char SOneByte[] = "1 byte";
constexpr char SBytes[] = "%1!ls! bytes";
constexpr char SSystemFolder[] = "System Folder";
// The menu of a drop made with the right button.
constexpr char SCopyHere[] = "&Copy Here";
constexpr char SMoveHere[] = "&Move Here";
constexpr char SCancelDrop[] = "Cancel";
constexpr char SDuplicatePidl[] = "THyPidlList: Duplicate PIDL";
constexpr char STooManySubstitutions[] = "FormatStrPos: Too many substitution strings";
constexpr char SIdListArrayFormat[] = "Shell IDList Array";
constexpr char SFileContentsFormat[] = "FileContents";

// Messages the controls post to themselves.
constexpr unsigned WM_HY_DEVICECHANGE = 0x0400 + 100;  // 1124
constexpr unsigned WM_HY_FOLDERCHANGE = 0x0400 + 101;  // 1125

}  // namespace kestrune::shell
