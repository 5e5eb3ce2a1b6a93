// A pass named in the locale's bytes, offered by another program in every
// way a name travels (a file URL, an 8-bit or wide drop-files list,
// "FileName", the shell's item lists), comes out as the name that opens that
// pass, not the file its UTF-8 spelling names; our own file lists carry the
// same bytes to other programs.
#include "dragdrop/DragDropFile.h"
#include "platform/NamedFile_qt.h"
#include "platform/OleDragDrop_qt.h"
#include "platform/ResCodePages.h"
#include "tests/app/WidgetTestSupport.h"
#include "tests/support/LocaleFileNames.h"
#include "tests/support/QtTestFolder.h"

#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace kestrune::dragdrop {
namespace {

namespace fs = std::filesystem;
using testing::LocaleFileNames;
using testing::TLocaleEnvironment;

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()) : "(no such file)";
}

// The URL another program writes for a path: every byte outside ASCII escaped.
QUrl ForeignUrl(const std::string& path) {
    return QUrl::fromEncoded("file://" + QByteArray::fromStdString(path).toPercentEncoding("/"));
}

class FileNameBytesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::EnsureQtApplication(); }
    void SetUp() override {
        RegisterDragDropFormats();
        day_ = (testing::FreshTestFolder("namebytes") / "2026" / "11" / "28").string() + "/";
        fs::create_directories(day_);
    }
    void TearDown() override { fs::remove_all(fs::path(day_).parent_path().parent_path().parent_path()); }

    // The pass and, beside it, a file under its UTF-8 spelling.
    std::string WritePassAndSpelling(const testing::TLocaleFileName& name) const {
        std::ofstream(day_ + name.Stem + ".hpt") << name.Locale;
        std::ofstream(day_ + name.Utf8Spelling + ".hpt") << "the UTF-8 spelling";
        return day_ + name.Stem + ".hpt";
    }

    // The names the file drop target's data format takes from the data object.
    static std::vector<std::string> DroppedNames(IDataObject& dataObject) {
        TFileDataFormat files(nullptr);
        files.FillFormats(ddRead);
        return files.GetData(dataObject) ? files.Files : std::vector<std::string>{};
    }

    std::string day_;
};

TEST_F(FileNameBytesTest, EverySourceGivesTheNameThatOpensThePassInEachLocale) {
    for (const auto& name : LocaleFileNames()) {
        const TLocaleEnvironment locale(name.Locale);
        const std::string pass = WritePassAndSpelling(name);
        std::vector<std::pair<std::string, std::shared_ptr<IDataObject>>> sources;

        auto urls = std::make_shared<QMimeData>();
        urls->setUrls({ForeignUrl(pass)});
        sources.emplace_back("a file URL", std::make_shared<TMimeDataObject>(urls.get()));
        const auto memory = [&](const char* what, uint16_t format, const TBytes& bytes) {
            auto object = std::make_shared<TMemoryDataObject>();
            object->SetBytes(format, bytes);
            sources.emplace_back(what, object);
        };
        memory("an 8-bit drop-files list", CF_HDROP, WriteDropFiles({pass}, false));
        memory("\"FileName\"", TAnsiFilenameClipboardFormat::Id(), WriteAnsiText(pass));
        const TItemIdList folder = *IdListFromPath(day_), item = IdListFromPath(pass)->last();
        memory("the shell's item list", TPIDLClipboardFormat::Id(), WriteIdListArray({folder, item}));
        if (!name.Characters.empty()) {
            const std::u16string widePath = WideFromFileName(day_) + name.Characters + u".hpt";
            memory("a wide drop-files list", CF_HDROP, WriteDropFiles({FileNameFromWide(widePath)}, true));
            memory("\"FileNameW\"", TUnicodeFilenameClipboardFormat::Id(), WriteWideText(widePath));
        }
        for (const auto& [what, source] : sources) {
            const std::vector<std::string> names = DroppedNames(*source);
            ASSERT_EQ(names.size(), 1u) << what << " under " << name.Locale;
            EXPECT_EQ(names[0], pass) << what << " under " << name.Locale;
            EXPECT_EQ(Contents(names[0]), name.Locale) << what << " under " << name.Locale;
        }
    }
}

// What we offer (a copy, a drag) reaches other programs as a URL of the
// name's bytes, and as drop-files lists that read back as the same name.
TEST_F(FileNameBytesTest, OurFileListsCarryTheNamesBytesToOtherPrograms) {
    for (const auto& name : LocaleFileNames()) {
        const TLocaleEnvironment locale(name.Locale);
        const std::string pass = WritePassAndSpelling(name);
        TMemoryDataObject copied;
        copied.SetBytes(CF_HDROP, WriteDropFiles({pass}));
        std::unique_ptr<QMimeData> offered(MimeDataFromDataObject(copied));
        ASSERT_EQ(offered->urls().size(), 1) << name.Locale;
        EXPECT_EQ(offered->urls()[0].toEncoded(), ForeignUrl(pass).toEncoded()) << name.Locale;
        EXPECT_EQ(Contents(FileNameOfUrl(offered->urls()[0])), name.Locale) << name.Locale;
        // A name the locale cannot read goes as 8 bits; the others as UTF-16.
        const TBytes block = WriteDropFiles({pass});
        EXPECT_EQ(ole::Get32(block.data() + 16) != 0, !name.Characters.empty()) << name.Locale;
        TMimeDataObject back(offered.get());
        EXPECT_EQ(DroppedNames(back), std::vector<std::string>{pass}) << name.Locale;
    }
}

}  // namespace
}  // namespace kestrune::dragdrop
