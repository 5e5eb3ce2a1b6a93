// Files opened and named by the bytes of their names for Qt: Qt names files
// by characters, which cannot name a file whose name is not text in the locale.
#pragma once

#include <QFile>
#include <QUrl>

#include <memory>
#include <string>

namespace kestrune {

// The file open for reading; null when it cannot be opened.
std::unique_ptr<QFile> OpenNamedFile(const std::string& path);

// A local file's URL and back, its escapes standing for the name's bytes, so
// that a name that is not UTF-8 still names its file.
QUrl UrlOfFileName(const std::string& path);
std::string FileNameOfUrl(const QUrl& url);
// A file URL that names a file of this machine: with no host or "localhost".
// file://otherhost/path names a file elsewhere, never the local one at that path.
bool IsLocalFileUrl(const QUrl& url);

}  // namespace kestrune
