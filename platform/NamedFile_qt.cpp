#include "platform/NamedFile_qt.h"

#include <fcntl.h>
#include <unistd.h>

namespace kestrune {

std::unique_ptr<QFile> OpenNamedFile(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return nullptr;
    auto file = std::make_unique<QFile>();
    if (!file->open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return nullptr;
    }
    return file;
}

QUrl UrlOfFileName(const std::string& path) {
    if (path.empty() || path.front() != '/') return QUrl::fromLocalFile(QString::fromStdString(path));
    return QUrl::fromEncoded("file://" + QByteArray::fromStdString(path).toPercentEncoding("/"));
}

std::string FileNameOfUrl(const QUrl& url) {
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

bool IsLocalFileUrl(const QUrl& url) {
    return url.isLocalFile() && (url.host().isEmpty() || url.host().compare("localhost", Qt::CaseInsensitive) == 0);
}

}  // namespace kestrune
