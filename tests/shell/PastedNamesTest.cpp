// Passes named in the locale's bytes, put on the clipboard by a file manager
// (text/uri-list) and pasted into a day folder of the archive: each copy
// bears the very name of its source, not its UTF-8 spelling.
#include "platform/ResCodePages.h"
#include "shell/UHyShellTransfer.h"
#include "tests/support/LocaleFileNames.h"
#include "tests/support/QtTestFolder.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace kestrune::shell {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()) : "(no such file)";
}

TEST(PastedNames, APassNamedInTheLocalesBytesIsPastedUnderItsName) {
    testing::EnsureQtApplication();
    const fs::path root = testing::FreshTestFolder("pastednames");
    for (const auto& name : testing::LocaleFileNames()) {
        const testing::TLocaleEnvironment locale(name.Locale);
        const fs::path backup = root / name.Locale / "backup", day = root / name.Locale / "base/2026/11/28";
        fs::create_directories(backup);
        fs::create_directories(day);
        const std::string pass = (backup / (name.Stem + ".hpt")).string();
        std::ofstream(pass) << name.Locale;
        auto* copied = new QMimeData;
        copied->setUrls({QUrl::fromEncoded("file://" + QByteArray::fromStdString(pass).toPercentEncoding("/"))});
        QGuiApplication::clipboard()->setMimeData(copied);
        ASSERT_EQ(ItemsContextMenu({*IdListFromPath(day.string())})->InvokeCommand({"paste"}), ole::S_OK) << name.Locale;
        EXPECT_EQ(Contents(day / (name.Stem + ".hpt")), name.Locale) << name.Locale;
        EXPECT_FALSE(fs::exists(day / (name.Utf8Spelling + ".hpt"))) << name.Locale;
    }
    fs::remove_all(root);
}

}  // namespace
}  // namespace kestrune::shell
