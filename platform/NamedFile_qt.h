// Files opened by the bytes of their names for Qt's readers: Qt names files
// by characters, which cannot name a file whose name is not text in the locale.
#pragma once

#include <QFile>

#include <memory>
#include <string>

namespace kestrune {

// The file open for reading; null when it cannot be opened.
std::unique_ptr<QFile> OpenNamedFile(const std::string& path);

}  // namespace kestrune
