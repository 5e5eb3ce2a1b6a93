// The data format framework and its formats: the order in which formats are
// tried, the key and effect rules, and every data format written into a data
// object and onto the clipboard and read back, with the blocks other programs
// lay out and damaged ones.
#include "dragdrop/DragDropFile.h"
#include "platform/OleDragDrop_qt.h"
#include "platform/ResCodePages.h"
#include "platform/UserLanguage.h"
#include "tests/app/WidgetTestSupport.h"
#include "tests/support/LocaleFileNames.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdlib>

namespace kestrune::dragdrop {
namespace {

// The user's locale named by the environment for the scope's life.
using testing::TLocaleEnvironment;

class DataFormatsTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterDragDropFormats(); }

    // A fresh data format of type T whose formats serve direction.
    template <typename T>
    static std::unique_ptr<T> Format(TDataDirections direction) {
        auto format = std::make_unique<T>(nullptr);
        format->FillFormats(direction);
        return format;
    }
    template <typename T>
    static std::vector<std::string> FormatNames(TDataDirections direction) {
        auto format = Format<T>(direction);
        std::vector<std::string> names;
        for (size_t i = 0; i < format->CompatibleFormats().Count(); ++i)
            names.push_back(format->CompatibleFormats()[i].GetClipboardFormatName());
        return names;
    }
    // The data object's bytes of one format; empty when it has none.
    static TBytes BytesOf(IDataObject& object, uint16_t format) {
        STGMEDIUM medium;
        TBytes bytes;
        if (Succeeded(object.GetData({format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}, medium)))
            ReadMediumBytes(medium, bytes);
        return bytes;
    }
};

TEST_F(DataFormatsTest, FormatsAreTriedInAscendingPriorityNewcomersBeforeEquals) {
    using TNames = std::vector<std::string>;
    EXPECT_EQ(FormatNames<TTextDataFormat>(ddRead), (TNames{"CF_UNICODETEXT", "CF_OEMTEXT", "CF_LOCALE", "CF_TEXT"}));
    EXPECT_EQ(FormatNames<TFileDataFormat>(ddRead), (TNames{"CF_HDROP", "Shell IDList Array", "FileNameW", "FileName"}));
    EXPECT_EQ(FormatNames<TFileMapDataFormat>(ddRead), (TNames{"FileNameMapW", "FileNameMap"}));
    EXPECT_EQ(FormatNames<TPIDLDataFormat>(ddRead), (TNames{"Shell IDList Array", "CF_HDROP"}));
    EXPECT_EQ(FormatNames<TFeedbackDataFormat>(ddRead).front(), "Logical Performed DropEffect");

    static const TDataFormatClass Alone{"TAlone", nullptr};
    TDataFormatMap& map = TDataFormatMap::Instance();
    map.Add(Alone, ClipboardClass<TAnsiTextClipboardFormat>(), ddRead, 5);
    map.Add(Alone, ClipboardClass<TAnsiTextClipboardFormat>(), ddWrite, 7);
    int entries = 0;
    for (const TDataFormatMap::TEntry& entry : map.Entries())
        if (entry.DataFormatClass == &Alone) {
            ++entries;
            EXPECT_EQ(entry.Directions, ddReadWrite);
            EXPECT_EQ(entry.Priority, 7);
        }
    EXPECT_EQ(entries, 1);
}

TEST_F(DataFormatsTest, KeysAndDragTypesChooseTheEffect) {
    const uint32_t all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    struct TCase {
        TShiftState Shift;
        uint32_t Allowed;
        bool Fallback;
        uint32_t Expected;
    };
    const TCase cases[] = {
        {0, all, false, DROPEFFECT_MOVE},
        {ssCtrl, all, false, DROPEFFECT_COPY},
        {ssShift | ssCtrl, all, false, DROPEFFECT_LINK},
        {ssShift, DROPEFFECT_COPY, true, DROPEFFECT_COPY},
        {ssShift, DROPEFFECT_COPY, false, DROPEFFECT_NONE},
        {ssShift | ssCtrl, DROPEFFECT_COPY, true, DROPEFFECT_COPY},
        {0, DROPEFFECT_LINK, true, DROPEFFECT_LINK},
        {0, DROPEFFECT_NONE, true, DROPEFFECT_NONE},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(DropEffectFromShiftState(c.Shift, c.Allowed, c.Fallback), c.Expected) << c.Shift << " " << c.Allowed;
    EXPECT_EQ(KeyStateToShiftState(MK_SHIFT | MK_CONTROL | MK_LBUTTON | MK_ALT), ssShift | ssCtrl | ssLeft | ssAlt);
    EXPECT_EQ(DropEffectFromDragTypes(DragTypes({TDragType::dtCopy, TDragType::dtLink})),
              DROPEFFECT_COPY | DROPEFFECT_LINK);
    EXPECT_EQ(ClipboardFormatToName(15), "CF_HDROP");
    EXPECT_EQ(ClipboardFormatToName(0xFFF0), "");
    const uint16_t idList = TPIDLClipboardFormat::Id();
    EXPECT_EQ(RegisterClipboardFormat("shell idlist array"), idList);  // names compare without case
    EXPECT_EQ(ClipboardFormatToName(idList), "Shell IDList Array");
}

// Every data format written through its formats into a data object, then
// read back from it and, through the clipboard, from another one.
TEST_F(DataFormatsTest, EveryDataFormatRoundTripsThroughADataObjectAndTheClipboard) {
    auto files = Format<TFileDataFormat>(ddWrite);
    files->Files = {"/data/2023-05-03-1200.hpt", "/data/\xC3\xA9t\xC3\xA9/b.l1b"};
    auto maps = Format<TFileMapDataFormat>(ddWrite);
    maps->FileMaps = {"a copy.hpt", "b copy.l1b"};
    auto text = Format<TTextDataFormat>(ddWrite);
    text->SetUnicodeText(u"Tr\u00f8ndelag 12\u00b0C");
    text->Locale = 0x0414;
    auto pidls = Format<TPIDLDataFormat>(ddWrite);
    pidls->PIDLs.Assign(FilenamesToPIDLs(files->Files));  // the same files: both write the drop-files list
    auto feedback = Format<TFeedbackDataFormat>(ddWrite);
    feedback->PreferredDropEffect = DROPEFFECT_MOVE;
    feedback->PerformedDropEffect = DROPEFFECT_COPY;
    feedback->PasteSucceeded = DROPEFFECT_COPY;
    feedback->InShellDragLoop = true;
    auto virtualFiles = Format<TVirtualFileStreamDataFormat>(ddWrite);
    virtualFiles->AddFileName("attachment.hpt");
    virtualFiles->AddFileName("\xC3\xA9t\xC3\xA9.l1b");

    auto source = std::make_shared<TMemoryDataObject>();
    for (TCustomDataFormat* format : std::initializer_list<TCustomDataFormat*>{
             files.get(), maps.get(), text.get(), pidls.get(), feedback.get(), virtualFiles.get()})
        EXPECT_TRUE(format->SetDataTo(*source)) << format->ClassType().Name;
    ASSERT_EQ(OleSetClipboard(*source), S_OK);
    std::shared_ptr<IDataObject> clipboard;
    ASSERT_EQ(OleGetClipboard(clipboard), S_OK);

    for (IDataObject* from : {static_cast<IDataObject*>(source.get()), clipboard.get()}) {
        auto readFiles = Format<TFileDataFormat>(ddRead);
        ASSERT_TRUE(readFiles->GetData(*from));
        EXPECT_EQ(readFiles->Files, files->Files);
        auto readMaps = Format<TFileMapDataFormat>(ddRead);
        ASSERT_TRUE(readMaps->GetData(*from));
        EXPECT_EQ(readMaps->FileMaps, maps->FileMaps);
        auto readText = Format<TTextDataFormat>(ddRead);
        ASSERT_TRUE(readText->GetData(*from));
        EXPECT_EQ(readText->UnicodeText(), text->UnicodeText());
        EXPECT_EQ(readText->AnsiText(), "Tr\xC3\xB8ndelag 12\xC2\xB0" "C");
        auto readPidls = Format<TPIDLDataFormat>(ddRead);
        ASSERT_TRUE(readPidls->GetData(*from));
        EXPECT_EQ(readPidls->PIDLs.Filenames(), files->Files);
        EXPECT_EQ(PathFromIdList(readPidls->PIDLs[0]), "/data");
        auto readFeedback = Format<TFeedbackDataFormat>(ddRead);
        readFeedback->GetData(*from);
        EXPECT_EQ(readFeedback->PreferredDropEffect, DROPEFFECT_MOVE);
        EXPECT_EQ(readFeedback->PerformedDropEffect, DROPEFFECT_COPY);
        EXPECT_EQ(readFeedback->PasteSucceeded, DROPEFFECT_COPY);
        EXPECT_TRUE(readFeedback->InShellDragLoop && readFeedback->GotInShellDragLoop);
        auto readVirtual = Format<TVirtualFileStreamDataFormat>(ddRead);
        readVirtual->GetData(*from);
        EXPECT_EQ(readVirtual->FileNames(), virtualFiles->FileNames());
        EXPECT_EQ(ReadAnsiText(BytesOf(*from, CF_OEMTEXT)), "Tr\xC3\xB8ndelag 12\xC2\xB0" "C");
        EXPECT_EQ(ReadDword(BytesOf(*from, CF_LOCALE)), 0x0414u);
    }
    // The clipboard of other programs sees the files and the text.
    const QMimeData* shared = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->urls().size(), 2);
    EXPECT_EQ(shared->text(), QString::fromStdU16String(text->UnicodeText()));
}

TEST_F(DataFormatsTest, FileNamesComeFromTheFirstFormatThatHoldsOne) {
    const uint16_t fileName = TAnsiFilenameClipboardFormat::Id();
    const uint16_t fileNameW = TUnicodeFilenameClipboardFormat::Id();
    const uint16_t idList = TPIDLClipboardFormat::Id();
    const uint8_t virtualItem[] = {0x1F, 'n', 'e', 't'};
    const TItemIdList noPath = TItemIdList::fromItem(virtualItem);
    struct TCase {
        const char* What;
        std::vector<std::pair<uint16_t, TBytes>> Offered;
        std::vector<std::string> Expected;
    };
    const std::vector<TCase> cases{
        {"only FileName", {{fileName, WriteAnsiText("/x/a.hpt\0junk")}}, {"/x/a.hpt"}},
        {"a damaged list falls through to FileNameW",
         {{CF_HDROP, TBytes(20, 0)}, {fileNameW, WriteWideText(u"/x/b.hpt")}},
         {"/x/b.hpt"}},
        {"the list wins over the names", {{CF_HDROP, WriteDropFiles({"/1", "/2", "/3"})}, {fileName, WriteAnsiText("/x")}},
         {"/1", "/2", "/3"}},
        {"items without a path",
         {{idList, WriteIdListArray({*IdListFromPath("/data"), noPath, *IdListFromPath("/c.hpt")})}},
         {"", "/data/c.hpt"}},
        {"a parent only", {{idList, WriteIdListArray({*IdListFromPath("/data")})}}, {}},
    };
    for (const TCase& c : cases) {
        TMemoryDataObject object;
        for (const auto& [format, bytes] : c.Offered) object.SetBytes(format, bytes);
        auto files = Format<TFileDataFormat>(ddRead);
        EXPECT_EQ(files->GetData(object), !c.Expected.empty()) << c.What;
        EXPECT_EQ(files->Files, c.Expected) << c.What;
    }
}

TEST_F(DataFormatsTest, SimpleFormatsReadAndWriteByTheirRules) {
    TMemoryDataObject object;
    object.SetBytes(TPreferredDropEffectClipboardFormat::Id(), {});
    TPreferredDropEffectClipboardFormat preferred;
    preferred.Value = 7;
    EXPECT_TRUE(preferred.GetData(object));  // an empty block: success, value 0
    EXPECT_EQ(preferred.Value, 0u);
    object.SetBytes(TPerformedDropEffectClipboardFormat::Id(), TBytes{1, 0});
    TPerformedDropEffectClipboardFormat performed;
    EXPECT_FALSE(performed.GetData(object));  // too short for a value

    object.SetBytes(CF_TEXT, TBytes{'a', 'b', 'c', 0, 'x', 'y'});
    TAnsiTextClipboardFormat ansi;
    ASSERT_TRUE(ansi.GetData(object));
    EXPECT_EQ(ansi.Data, "abc");
    object.SetBytes(CF_UNICODETEXT, TBytes{'h', 0, 'i', 0, 0, 0, 'x', 0});
    TUnicodeTextClipboardFormat wide;
    ASSERT_TRUE(wide.GetData(object));
    EXPECT_EQ(wide.Text, u"hi");

    EXPECT_EQ(RichText("plain"), "{\\rtf1\\ansi plain}");
    EXPECT_EQ(RichText("{\\rtf1 kept}"), "{\\rtf1 kept}");
    TTextDataFormat text(nullptr);
    text.SetAnsiText("caf\xC3\xA9");
    EXPECT_EQ(text.UnicodeText(), u"caf\u00e9");
    TRichTextClipboardFormat rich;
    ASSERT_TRUE(text.AssignTo(rich));
    EXPECT_EQ(rich.Data, "{\\rtf1\\ansi caf\xC3\xA9}");

    TCSVClipboardFormat csv;
    object.SetBytes(TCSVClipboardFormat::Id(), WriteAnsiText("a,1\r\nb,2\r\n"));
    ASSERT_TRUE(csv.GetData(object));
    EXPECT_EQ(csv.Lines, (std::vector<std::string>{"a,1", "b,2"}));
    STGMEDIUM medium;
    EXPECT_TRUE(csv.SetData(object, csv.FormatEtc, medium));
    EXPECT_EQ(BytesOf(object, TCSVClipboardFormat::Id()), WriteAnsiText("a,1\r\nb,2\r\n"));

    TTargetCLSIDClipboardFormat target;
    EXPECT_FALSE(target.HasData());
    EXPECT_THROW(target.SetClipboardFormatName("x"), EDataFormat);
}

TEST_F(DataFormatsTest, FileGroupDescriptorsNeedEveryRecordTheirCountPromises) {
    for (bool wide : {false, true}) {
        const size_t record = wide ? WideDescriptorSize : AnsiDescriptorSize;
        EXPECT_EQ(4 + 2 * record, wide ? 1188u : 668u);
        for (size_t size : {4 + 2 * record - 1, 4 + 2 * record}) {
            TBytes block(size, 0);
            Put32(block, 0, 2);
            TMemoryDataObject object;
            const uint16_t id =
                wide ? TUnicodeFileGroupDescriptorClipboardFormat::Id() : TAnsiFileGroupDescriptorClipboardFormat::Id();
            object.SetBytes(id, block);
            auto virtualFiles = Format<TVirtualFileStreamDataFormat>(ddRead);
            virtualFiles->GetData(object);
            EXPECT_EQ(virtualFiles->Descriptors.size(), size == 4 + 2 * record ? 2u : 0u) << wide << size;
        }
    }
    TBytes hostile(8, 0);
    Put32(hostile, 0, 0xFFFFFFFFu);
    TUnicodeFileGroupDescriptorClipboardFormat descriptors;
    TMemoryDataObject object;
    object.SetBytes(TUnicodeFileGroupDescriptorClipboardFormat::Id(), hostile);
    EXPECT_FALSE(descriptors.GetData(object));
}

// A source of two virtual files: their descriptors in both widths, and each
// file's contents asked for by its index, on the one medium it offers them on.
class TVirtualFileSource : public TMemoryDataObject {
public:
    explicit TVirtualFileSource(uint32_t contentsMedium = TYMED_ISTREAM) : contentsMedium_(contentsMedium) {
        TVirtualFileStreamDataFormat files(nullptr);
        files.AddFileName("first.hpt");
        files.AddFileName("\xc3\x9c" "bersicht.l1b");
        TUnicodeFileGroupDescriptorClipboardFormat wide;
        files.AssignTo(wide);
        SetBytes(TUnicodeFileGroupDescriptorClipboardFormat::Id(), wide.Block);
        TAnsiFileGroupDescriptorClipboardFormat ansi;
        files.AssignTo(ansi);
        SetBytes(TAnsiFileGroupDescriptorClipboardFormat::Id(), ansi.Block);
    }
    HRESULT GetData(const FORMATETC& format, STGMEDIUM& medium) override {
        if (format.cfFormat != FileContentsId()) return TMemoryDataObject::GetData(format, medium);
        if (format.lindex < 0 || format.lindex > 1 || !(format.tymed & contentsMedium_)) return DV_E_LINDEX;
        const std::string text = "contents " + std::to_string(format.lindex);
        medium = MediumOf(TBytes(text.begin(), text.end()), contentsMedium_);
        return S_OK;
    }

private:
    uint32_t contentsMedium_;
};

std::string StreamText(const std::shared_ptr<IStream>& stream) {
    STGMEDIUM medium;
    medium.tymed = TYMED_ISTREAM;
    medium.pstm = stream;
    TBytes bytes;
    EXPECT_TRUE(ReadMediumBytes(medium, bytes));
    return {bytes.begin(), bytes.end()};
}

TEST_F(DataFormatsTest, VirtualFileContentsArriveAsNamedStreamsAlsoFromStorages) {
    for (const uint32_t medium : {TYMED_ISTREAM, TYMED_ISTORAGE}) {
        TVirtualFileSource source(medium);
        auto streams = Format<TDataStreamDataFormat>(ddRead);
        ASSERT_TRUE(streams->GetData(source)) << medium;
        ASSERT_EQ(streams->Streams.Count(), 2u);
        for (size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(streams->Streams[i].Name, i == 0 ? "first.hpt" : "\xc3\x9c" "bersicht.l1b");
            EXPECT_EQ(StreamText(streams->Streams[i].Stream), "contents " + std::to_string(i));
        }
    }
    // The storage form keeps each file's storage under its 8-bit descriptor's name.
    TVirtualFileSource source(TYMED_ISTORAGE);
    TFileContentsStorageClipboardFormat storages;
    ASSERT_TRUE(storages.GetData(source));
    ASSERT_EQ(storages.Storages.size(), 2u);
    EXPECT_EQ(storages.Storages[1].Name, "\xc3\x9c" "bersicht.l1b");
    std::shared_ptr<IStream> contents;
    ASSERT_TRUE(Succeeded(storages.Storages[1].Storage->OpenContents(contents)));
    EXPECT_EQ(StreamText(contents), "contents 1");
    // A source that offers streams only gives the storage form nothing.
    TVirtualFileSource streamsOnly(TYMED_ISTREAM);
    EXPECT_FALSE(storages.GetData(streamsOnly));
}

// 8-bit text in the locale's codec: ISO-8859-1 holds "Ü" as one byte, UTF-8 as two.
// A file name is bytes: an 8-bit name in the locale's codec stays those bytes
// (it names its file, not the one of its UTF-8 spelling); wide lists and wide
// descriptors carry it as the codec reads it.
TEST_F(DataFormatsTest, EightBitNamesAndTextAreInTheLocalesCodec) {
    const std::string utf8 = "/data/\xc3\x9c" "berflug 100%20#2.hpt";
    const std::string latin1 = "/data/\xdc" "berflug 100%20#2.hpt";
    const TLocaleEnvironment locale("de_DE.ISO-8859-1");
    // "FileName" alone, as an 8-bit source offers it.
    TMemoryDataObject ansiOnly;
    ansiOnly.SetBytes(TAnsiFilenameClipboardFormat::Id(), WriteAnsiText(latin1));
    auto files = Format<TFileDataFormat>(ddRead);
    ASSERT_TRUE(files->GetData(ansiOnly));
    EXPECT_EQ(files->Files, std::vector<std::string>{latin1});
    // A drop-files list of 8-bit names, and our own written the same way.
    TMemoryDataObject narrow;
    narrow.SetBytes(CF_HDROP, WriteDropFiles({latin1}, false));
    EXPECT_EQ(BytesOf(narrow, CF_HDROP)[20 + 6], 0xDC);
    files->Clear();
    ASSERT_TRUE(files->GetData(narrow));
    EXPECT_EQ(files->Files, std::vector<std::string>{latin1});
    TMemoryDataObject written;
    ASSERT_TRUE(files->SetDataTo(written));
    EXPECT_EQ(ReadAnsiText(BytesOf(written, TAnsiFilenameClipboardFormat::Id())), latin1);
    EXPECT_EQ(ReadWideText(BytesOf(written, TUnicodeFilenameClipboardFormat::Id())), u"/data/\u00dc" "berflug 100%20#2.hpt");
    EXPECT_EQ(ReadDropFiles(BytesOf(written, CF_HDROP)), std::vector<std::string>{latin1});
    // The wide spelling of a name is the name's bytes too.
    TMemoryDataObject wideOnly;
    wideOnly.SetBytes(TUnicodeFilenameClipboardFormat::Id(), WriteWideText(u"/data/\u00dc" "berflug 100%20#2.hpt"));
    files->Clear();
    ASSERT_TRUE(files->GetData(wideOnly));
    EXPECT_EQ(files->Files, std::vector<std::string>{latin1});
    EXPECT_NE(files->Files.front(), utf8);
    // Virtual files named in 8 bits.
    TVirtualFileStreamDataFormat virtualFiles(nullptr);
    virtualFiles.AddFileName(latin1);
    TAnsiFileGroupDescriptorClipboardFormat ansi;
    ASSERT_TRUE(virtualFiles.AssignTo(ansi));
    EXPECT_EQ(ReadAnsiText(TByteSpan(ansi.Block).subspan(4 + DescriptorFactsSize)), latin1);
    TVirtualFileStreamDataFormat back(nullptr);
    ASSERT_TRUE(back.Assign(ansi));
    EXPECT_EQ(back.FileNames(), std::vector<std::string>{latin1});

    // Text: 8-bit and console text in the locale's codec, read and written.
    TTextDataFormat text(nullptr);
    text.SetUnicodeText(u"\u00dcberflug \u0416");
    EXPECT_EQ(text.AnsiText(), "\xdc" "berflug ?");
    TOEMTextClipboardFormat console;
    ASSERT_TRUE(text.AssignTo(console));
    EXPECT_EQ(console.Data, "\xdc" "berflug ?");
    console.Data = "gr\xfc\xdf";
    ASSERT_TRUE(text.Assign(console));
    EXPECT_EQ(text.UnicodeText(), u"gr\u00fc\u00df");
    TAnsiTextClipboardFormat ansiText;
    ansiText.Data = "\xe9t\xe9";
    ASSERT_TRUE(text.Assign(ansiText));
    EXPECT_EQ(text.UnicodeText(), u"\u00e9t\u00e9");
}

uint16_t RussianCodePages(uint32_t language) { return language == 0x0419 ? 1251 : 0; }

TEST_F(DataFormatsTest, TextOfAGivenLocaleIsInThatLocalesCodePage) {
    SetLanguageCodePageLookup(RussianCodePages);
    TTextDataFormat text(nullptr);
    TLocaleClipboardFormat locale;
    locale.Value = 0x0419;
    ASSERT_TRUE(text.Assign(locale));
    TAnsiTextClipboardFormat ansi;
    ansi.Data = "\xd4\xe0\xe9\xeb";
    ASSERT_TRUE(text.Assign(ansi));
    EXPECT_EQ(text.UnicodeText(), u"\u0424\u0430\u0439\u043b");
    text.SetUnicodeText(u"\u0424\u0430\u0439\u043b");
    EXPECT_EQ(text.AnsiText(), "\xd4\xe0\xe9\xeb");
    // A locale without a known code page: the user's locale's codec (UTF-8 here).
    text.Locale = 0x0407;
    EXPECT_EQ(text.AnsiText(), "\xd0\xa4\xd0\xb0\xd0\xb9\xd0\xbb");
    SetLanguageCodePageLookup(nullptr);
}

uint32_t UserIsNorwegian() { return 0x0414; }

// Text without a locale of its own goes out with the user's: the reader then
// knows which language's 8-bit text it is.
TEST_F(DataFormatsTest, TextWithoutItsOwnLocaleCarriesTheUsersLocale) {
    SetUserLanguageLookup(UserIsNorwegian);
    auto text = Format<TTextDataFormat>(ddWrite);
    text->SetUnicodeText(u"Tr\u00f8ndelag");
    ASSERT_EQ(text->Locale, 0u);
    TMemoryDataObject object;
    ASSERT_TRUE(text->SetDataTo(object));
    EXPECT_EQ(ReadDword(BytesOf(object, CF_LOCALE)), 0x0414u);
    auto read = Format<TTextDataFormat>(ddRead);
    ASSERT_TRUE(read->GetData(object));
    EXPECT_EQ(read->UnicodeText(), u"Tr\u00f8ndelag");

    // A locale of its own wins over the user's.
    text->Locale = 0x0419;
    TLocaleClipboardFormat locale;
    ASSERT_TRUE(text->AssignTo(locale));
    EXPECT_EQ(locale.Value, 0x0419u);
    // Nobody to ask: no locale, and no CF_LOCALE is written (its value would be 0).
    SetUserLanguageLookup(nullptr);
    text->Locale = 0;
    ASSERT_TRUE(text->AssignTo(locale));
    EXPECT_EQ(locale.Value, 0u);
    EXPECT_FALSE(locale.HasData());
}

TEST_F(DataFormatsTest, ItemListsOfFileNamesShareTheirCommonFolder) {
    const auto lists = FilenamesToPIDLs({"/data/2023/a.hpt", "/data/2024/b.hpt", "/data/c.hpt"});
    ASSERT_EQ(lists.size(), 4u);
    EXPECT_EQ(PathFromIdList(lists[0]), "/data");
    EXPECT_EQ(PathFromIdList(lists[1]), "/2023/a.hpt");
    TPIDLList pidls;
    pidls.Assign(lists);
    EXPECT_EQ(pidls.Filename(2), "/data/c.hpt");
    EXPECT_THROW(pidls.Filename(3), EDataFormat);
    EXPECT_EQ(PathFromIdList(FilenamesToPIDLs({"/a.hpt", "/b/c.hpt"})[0]), "/");
    EXPECT_THROW(FilenamesToPIDLs({"relative.hpt"}), EDataFormat);
    EXPECT_TRUE(FilenamesToPIDLs({}).empty());
}

}  // namespace
}  // namespace kestrune::dragdrop
