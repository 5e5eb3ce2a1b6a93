// Qt's MIME data as a data object and back: file URLs become the drop-files
// list and the one-name formats, text the UTF-16 text, other formats travel
// under their names; a target's feedback is kept beside the MIME data, and
// nothing is offered once the MIME data is gone.
#include "platform/OleBlocks.h"
#include "platform/OleDragDrop_qt.h"
#include "tests/app/WidgetTestSupport.h"
#include "tests/support/QtTestFolder.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

namespace kestrune::ole {
namespace {

TBytes Get(IDataObject& object, uint16_t format, uint32_t tymed = TYMED_HGLOBAL) {
    STGMEDIUM medium;
    TBytes bytes;
    if (Succeeded(object.GetData({format, nullptr, DVASPECT_CONTENT, -1, tymed}, medium))) ReadMediumBytes(medium, bytes);
    return bytes;
}

std::vector<uint16_t> Offered(IDataObject& object) {
    std::unique_ptr<IEnumFORMATETC> formats;
    std::vector<uint16_t> ids;
    if (!Succeeded(object.EnumFormatEtc(DATADIR_GET, formats))) return ids;
    FORMATETC format;
    while (formats->Next(1, &format, nullptr) == S_OK) ids.push_back(format.cfFormat);
    return ids;
}

TEST(MimeDataObject, FileUrlsTextAndNamedFormatsBecomeTheirFormats) {
    auto* data = new QMimeData;
    // A file of this machine may name its host "localhost"; one of another host is no file here.
    data->setUrls({QUrl::fromLocalFile("/data/a b.hpt"), QUrl("https://example.org/x.hpt"),
                   QUrl::fromLocalFile("/data/\u00e9.l1b"), QUrl("file://localhost/data/2023/05/03/NOAA19_1200.hpt"),
                   QUrl("file://LOCALHOST/data/2023/05/03/NOAA18_0930.hpt"), QUrl("file://station2/data/NOAA18_0930.hpt")});
    data->setText("some text");
    data->setData(WindowsMimeType("Preferred DropEffect"), QByteArray("\x02\0\0\0", 4));
    TMimeDataObject object(data);
    EXPECT_EQ(ReadDropFiles(Get(object, CF_HDROP)),
              (std::vector<std::string>{"/data/a b.hpt", "/data/\xC3\xA9.l1b", "/data/2023/05/03/NOAA19_1200.hpt",
                                        "/data/2023/05/03/NOAA18_0930.hpt"}));
    EXPECT_EQ(ReadDropFiles(Get(object, CF_HDROP, TYMED_ISTREAM)).size(), 4u);
    EXPECT_EQ(ReadWideText(Get(object, RegisterClipboardFormat("FileNameW"))), u"/data/a b.hpt");
    EXPECT_EQ(ReadAnsiText(Get(object, RegisterClipboardFormat("FileName"))), "/data/a b.hpt");
    EXPECT_EQ(ReadWideText(Get(object, CF_UNICODETEXT)), u"some text");
    EXPECT_EQ(ReadDword(Get(object, RegisterClipboardFormat("Preferred DropEffect"))), 2u);
    EXPECT_EQ(object.QueryGetData({CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}), DV_E_FORMATETC);
    // A storage is the drop's data as one stream; files on disk are no medium here.
    EXPECT_EQ(ReadDropFiles(Get(object, CF_HDROP, TYMED_ISTORAGE)).size(), 4u);
    EXPECT_EQ(object.QueryGetData({CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_FILE}), DV_E_TYMED);

    // Feedback from the target stays with the object.
    STGMEDIUM performed = MediumOf(WriteDword(DROPEFFECT_COPY));
    const uint16_t performedId = RegisterClipboardFormat("Performed DropEffect");
    EXPECT_EQ(object.SetData({performedId, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}, performed, true), S_OK);
    EXPECT_EQ(ReadDword(Get(object, performedId)), DROPEFFECT_COPY);

    delete data;
    EXPECT_EQ(Offered(object), std::vector<uint16_t>{performedId});
}

TEST(MimeDataObject, ADataObjectBecomesMimeDataThatReadsBackTheSame) {
    TMemoryDataObject source;
    source.SetBytes(CF_HDROP, WriteDropFiles({"/data/a.hpt", "/data/b.hpt"}));
    source.SetBytes(CF_UNICODETEXT, WriteWideText(u"caption"));
    source.SetBytes(CF_LOCALE, WriteDword(0x0409));
    source.SetBytes(RegisterClipboardFormat("CSV"), WriteAnsiText("a,b\r\n"));
    std::unique_ptr<QMimeData> data(MimeDataFromDataObject(source));
    ASSERT_EQ(data->urls().size(), 2);
    EXPECT_EQ(data->urls()[1].toLocalFile(), "/data/b.hpt");
    EXPECT_EQ(data->text(), "caption");
    EXPECT_TRUE(data->hasFormat(WindowsMimeType("CF_LOCALE")));
    TMimeDataObject back(data.get());
    for (uint16_t format : Offered(source)) EXPECT_EQ(Get(back, format), Get(source, format)) << format;
}

// A file name is bytes: a URL escaping bytes that are not UTF-8 names the same
// file on the way in and on the way out.
TEST(MimeDataObject, FileUrlsKeepTheBytesOfNamesThatAreNotUtf8) {
    const std::string name = "/data/N18_\xDA\xDA\x80_1200.hpt";  // no UTF-8: a lead byte where a continuation must be
    const QByteArray url = "file:///data/N18_%DA%DA%80_1200.hpt";
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromEncoded(url)});
    TMimeDataObject object(data);
    EXPECT_EQ(ReadDropFiles(Get(object, CF_HDROP)), std::vector<std::string>{name});
    delete data;

    TMemoryDataObject source;
    source.SetBytes(CF_HDROP, WriteDropFiles({name}, false));
    std::unique_ptr<QMimeData> back(MimeDataFromDataObject(source));
    ASSERT_EQ(back->urls().size(), 1);
    EXPECT_EQ(back->urls()[0].toEncoded(), url);
}

// A cut or copy of the desktop's file managers reads as "Preferred DropEffect"
// (GNOME's list naming the files when no URLs come with it), and ours goes
// onto the clipboard with their marks.
TEST(MimeDataObject, TheFileManagersCutMarksReadAndWrite) {
    testing::EnsureQtApplication();
    struct TMarkCase {
        const char* Type;
        QByteArray Bytes;
        bool WithUrls;
        uint32_t Effect;
    };
    const std::vector<TMarkCase> cases{
        {"x-special/gnome-copied-files", "cut\nfile:///data/2023/05/05", false, DROPEFFECT_MOVE},
        // Another host's file cut there is no file of this machine.
        {"x-special/gnome-copied-files", "cut\nfile://station2/data/2023/05/04\nfile:///data/2023/05/05", false, DROPEFFECT_MOVE},
        {"x-special/gnome-copied-files", "copy\nfile:///data/2023/05/05\n", true, DROPEFFECT_COPY | DROPEFFECT_LINK},
        {"application/x-kde-cutselection", "1", true, DROPEFFECT_MOVE},
        {"application/x-kde-cutselection", "0", true, DROPEFFECT_COPY | DROPEFFECT_LINK},
    };
    const uint16_t preferred = RegisterClipboardFormat("Preferred DropEffect");
    for (const TMarkCase& mark : cases) {
        QMimeData data;
        data.setData(mark.Type, mark.Bytes);
        if (mark.WithUrls) data.setUrls({QUrl::fromLocalFile("/data/2023/05/05")});
        TMimeDataObject object(&data);
        EXPECT_EQ(ReadDword(Get(object, preferred)), mark.Effect) << mark.Type << " " << mark.Bytes.constData();
        EXPECT_EQ(ReadDropFiles(Get(object, CF_HDROP)), std::vector<std::string>{"/data/2023/05/05"});
    }
    TMemoryDataObject cut;
    cut.SetBytes(CF_HDROP, WriteDropFiles({"/data/2023/05/05", "/data/a b.hpt"}));
    cut.SetBytes(preferred, WriteDword(DROPEFFECT_MOVE));
    ASSERT_EQ(OleSetClipboard(cut), S_OK);
    const QMimeData* put = QGuiApplication::clipboard()->mimeData();
    EXPECT_EQ(put->data("x-special/gnome-copied-files"), "cut\nfile:///data/2023/05/05\nfile:///data/a%20b.hpt");
    EXPECT_EQ(put->data("application/x-kde-cutselection"), "1");
    cut.SetBytes(preferred, WriteDword(DROPEFFECT_COPY | DROPEFFECT_LINK));
    ASSERT_EQ(OleSetClipboard(cut), S_OK);
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->data("x-special/gnome-copied-files").startsWith("copy\n"));
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data("application/x-kde-cutselection"), "0");
    OleEmptyClipboard();
}

TEST(MimeDataObject, EffectsAndKeysMapBothWays) {
    EXPECT_EQ(EffectsOf(Qt::CopyAction | Qt::LinkAction), DROPEFFECT_COPY | DROPEFFECT_LINK);
    EXPECT_EQ(ActionOf(DROPEFFECT_MOVE | DROPEFFECT_LINK), Qt::MoveAction);
    EXPECT_EQ(ActionOf(DROPEFFECT_SCROLL), Qt::IgnoreAction);
    EXPECT_EQ(KeyStateOf(Qt::ShiftModifier | Qt::ControlModifier, Qt::LeftButton | Qt::MiddleButton),
              MK_SHIFT | MK_CONTROL | MK_LBUTTON | MK_MBUTTON);
}

TEST(OleStreams, BlockStreamsReadWriteSeekAndCopyWithinTheirBlock) {
    TBlockStream stream;
    uint32_t done = 0;
    EXPECT_EQ(stream.Write("abcdef", 6, &done), S_OK);
    uint64_t position = 0;
    EXPECT_EQ(stream.Seek(-4, TSeekOrigin::End, &position), S_OK);
    EXPECT_EQ(position, 2u);
    char buffer[8] = {};
    EXPECT_EQ(stream.Read(buffer, 8, &done), S_FALSE);  // a short read at the end
    EXPECT_EQ(std::string(buffer, done), "cdef");
    EXPECT_EQ(stream.Seek(-7, TSeekOrigin::End, nullptr), E_INVALIDARG);
    EXPECT_EQ(stream.Seek(100, TSeekOrigin::Begin, nullptr), S_OK);
    EXPECT_EQ(stream.Read(buffer, 1, &done), S_FALSE);
    EXPECT_EQ(done, 0u);
    stream.Seek(1, TSeekOrigin::Begin, nullptr);
    TBlockStream copy;
    uint64_t read = 0, written = 0;
    EXPECT_EQ(stream.CopyTo(copy, 1000, &read, &written), S_OK);
    EXPECT_EQ(read, 5u);
    EXPECT_EQ(written, 5u);
    EXPECT_EQ(std::string(copy.Block()->Bytes.begin(), copy.Block()->Bytes.end()), "bcdef");

    TEnumFormatEtc formats({{CF_TEXT}, {CF_HDROP}, {CF_LOCALE}});
    EXPECT_EQ(formats.Skip(1), S_OK);
    std::unique_ptr<IEnumFORMATETC> clone;
    formats.Clone(clone);
    FORMATETC two[2];
    uint32_t fetched = 0;
    EXPECT_EQ(clone->Next(2, two, &fetched), S_OK);
    EXPECT_EQ(two[1].cfFormat, CF_LOCALE);
    EXPECT_EQ(clone->Next(1, two, &fetched), S_FALSE);
    EXPECT_EQ(formats.Skip(5), S_FALSE);
}

}  // namespace
}  // namespace kestrune::ole
