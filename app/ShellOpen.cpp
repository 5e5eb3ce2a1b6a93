#include "app/ShellOpen.h"

#include "app/EventGuard.h"
#include "app/hh_funcs.h"
#include "platform/FileUtils.h"
#include "platform/IniFiles.h"
#include "platform/NamedFile_qt.h"
#include "platform/ProgramStrings.h"
#include "platform/SysUtils.h"

#include <QDesktopServices>
#include <QMimeDatabase>

#include <cstdlib>
#include <vector>

namespace kestrune {

namespace {

constexpr uint32_t NoAssociation = 1155;

TShellStarter& Starter() {
    static TShellStarter starter;
    return starter;
}

std::string Environment(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::string(value) : fallback;
}

std::vector<std::string> Folders(const std::string& list) {
    std::vector<std::string> folders;
    for (const std::string& folder : SplitString(list, ':'))
        if (!folder.empty()) folders.push_back(IncludeTrailingPathDelimiter(folder));
    return folders;
}

// The lists that name programs for MIME types, most personal first.
std::vector<std::string> AssociationLists() {
    const std::string home = IncludeTrailingPathDelimiter(Environment("HOME", "/"));
    std::vector<std::string> lists;
    for (const std::string& folder : Folders(Environment("XDG_CONFIG_HOME", home + ".config") + ":" +
                                             Environment("XDG_CONFIG_DIRS", "/etc/xdg")))
        lists.push_back(folder + "mimeapps.list");
    for (const std::string& folder : Folders(Environment("XDG_DATA_HOME", home + ".local/share") + ":" +
                                             Environment("XDG_DATA_DIRS", "/usr/local/share:/usr/share")))
        for (const char* name : {"mimeapps.list", "defaults.list", "mimeinfo.cache"})
            lists.push_back(folder + "applications/" + name);
    return lists;
}

bool Named(const TIniFile& list, const std::string& mimeType) {
    for (const char* section : {"Default Applications", "Added Associations", "MIME Cache"})
        if (!list.ReadString(section, mimeType, "").empty()) return true;
    return false;
}

// A program for the file's type, by its name or by its content, or for a
// type that is a kind of it (KML is XML is text), as the desktop looks.
bool DesktopOpensFile(const std::string& fileName) {
    const QMimeDatabase types;
    for (const QMimeDatabase::MatchMode mode : {QMimeDatabase::MatchExtension, QMimeDatabase::MatchContent}) {
        const QMimeType type = types.mimeTypeForFile(ToQt(fileName), mode);
        QStringList names = type.allAncestors();
        names.prepend(type.name());
        for (const QString& name : names)
            if (DesktopOpensMimeType(name.toStdString())) return true;
    }
    return false;
}

bool WebAddress(const std::string& target) {
    return StartsText("http://", target) || StartsText("https://", target) || StartsText("www.", target);
}

// A browser for the address's scheme, as the desktop's lists name one for
// "x-scheme-handler/https", or the user's $BROWSER, which xdg-open takes too.
bool DesktopOpensWebAddress(const QUrl& url) {
    return DesktopOpensMimeType("x-scheme-handler/" + url.scheme().toLower().toStdString()) ||
           !Environment("BROWSER", "").empty();
}

// The failure as the shell told it: its text in a box and in the debug log.
void ShowFailure(const std::string& target, uint32_t code) {
    DebugOutAndShow(FormatResStr(res::SShellExecuteFailed, {target + ", ", ShellErrorText(code)}));
}

}  // namespace

std::string ShellErrorText(uint32_t code) {
    switch (code) {
        case 2: return resStr(res::SShellFileNotFound);
        case 3: return resStr(res::SShellPathNotFound);
        case 5: return resStr(res::SShellAccessDenied);
        case 8: return resStr(res::SShellInsufficientMemory);
        case 19: return resStr(res::SShellWriteProtected);
        case 21: return resStr(res::SShellDeviceNotReady);
        case 32: case 33: return resStr(res::SShellFileInUse);
        case 39: case 112: return resStr(res::SShellDiskFull);
        case 1150: return resStr(res::SShellWindowsVersion);
        case 1151: return resStr(res::SShellNotAProgram);
        case NoAssociation: return resStr(res::SShellNoAssociation);
        case 276: case 1005: case 1392: case 1393: return resStr(res::SShellCorruptFile);
        case 1009: case 1358: return resStr(res::SShellCorruptRegistry);
        default: return resStr(res::SShellGeneralFailure);
    }
}

bool DesktopOpensMimeType(const std::string& mimeType) {
    if (mimeType.empty()) return false;
    for (const std::string& list : AssociationLists())
        if (FileExists(list) && Named(TIniFile(list), mimeType)) return true;
    return false;
}

bool ShellOpen(const std::string& target) {
    QUrl url;
    if (WebAddress(target)) {
        url = QUrl(ToQt(StartsText("www.", target) ? "http://" + target : target));
        // Where no browser is set up the desktop's opener only complains on its standard error.
        if (!DesktopOpensWebAddress(url)) {
            ShowFailure(target, NoAssociation);
            return false;
        }
    } else {
        if (!FileExists(target)) {
            ShowFailure(target, DirectoryExists(ExtractFilePath(target)) ? 2 : 3);
            return false;
        }
        if (!DesktopOpensFile(target)) {
            ShowFailure(target, NoAssociation);
            return false;
        }
        url = UrlOfFileName(target);
    }
    const bool started = Starter() ? Starter()(url) : QDesktopServices::openUrl(url);
    if (!started) ShowFailure(target, WebAddress(target) ? NoAssociation : 0);
    return started;
}

void SetShellStarter(TShellStarter starter) { Starter() = std::move(starter); }

}  // namespace kestrune
