#include "localise/LocFormProc.h"

#include "localise/WinResProc.h"
#include "tests/support/LocSamples.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

using namespace testing;

struct TFixture {
    TLocStorage storage;
    int german;
    TFixture() {
        FillNativeSample(storage);
        german = AddGermanSample(storage);
    }
    TFormObject Translate(TLocFormProcessor& processor) {
        TResProcessor set;
        auto rcdata = std::make_unique<TResRCData>();
        rcdata->AddItem("TFORMMAIN", false).Data = WriteFormStream(SampleMainForm());
        set.AddBlock(std::move(rcdata));
        processor.FormNames = {"FormMain", "FormAbout"};
        processor.ProcessResources(set);
        return ReadFormStream(set.RCData()->FindItem("TFORMMAIN")->Data);
    }
    TLocFormProcessor Processor(int column, uint16_t language) {
        TLocFormProcessor processor(storage);
        processor.Column = column;
        processor.LanguageId = language;
        return processor;
    }
};

const TFormValue& Property(const TFormObject& object, std::string_view name) {
    for (const TFormProperty& property : object.Properties)
        if (property.Name == name) return property.Value;
    static const TFormValue none;
    return none;
}

TEST(FormProcessorTest, NativeColumnCopiesTheStreamByteForByte) {
    TFixture fixture;
    TLocFormProcessor processor = fixture.Processor(0, English);
    const TBytes stream = WriteFormStream(SampleMainForm());
    TLocItem& added = *fixture.storage.FindProperty(9);
    added.Values[0].Flags = 0;  // nothing to add
    for (int32_t id = 1; id <= 8; ++id) {  // every native text as the stream holds it
        TLocItem& item = *fixture.storage.FindProperty(id);
        if (id == 5) item.Values[0].Text = u"0.25";
        if (id == 6) item.Values[0].Text = u"MS Sans Serif";
    }
    const TBytes output = processor.ProcessStream(stream);
    EXPECT_EQ(output.size(), stream.size());
    EXPECT_EQ(ReadFormStream(output).Children[0].Children[0].Properties[0].Value.Text, "&Open");
}

TEST(FormProcessorTest, TranslatedValuesKeepTheirStreamTypes) {
    TFixture fixture;
    TLocFormProcessor processor = fixture.Processor(fixture.german, German);
    const TFormObject form = fixture.Translate(processor);
    EXPECT_EQ(Property(form, "Caption").Type, TValueType::String);
    EXPECT_EQ(Property(form, "Caption").Text, "Morvanes Talvessa");
    const TFormObject& button = form.Children[0].Children[0];
    EXPECT_EQ(Property(button, "Caption").Text, "DE: &Open");
    EXPECT_EQ(Property(button, "Hint").Type, TValueType::WString);
    EXPECT_EQ(Property(button, "Hint").Wide, u"DE: Open a pass");
    EXPECT_EQ(Property(button, "Width").Type, TValueType::Int8);
    EXPECT_EQ(Property(button, "Width").Integer, 75);
    const TFormObject& gamma = form.Children[1];
    EXPECT_EQ(Property(gamma, "Frequency").Type, TValueType::Extended);
    EXPECT_DOUBLE_EQ(Property(gamma, "Frequency").Number, 0.5);
    EXPECT_EQ(Property(gamma, "Font.Name").Text, "DE: Tahoma");
    const auto& columns = Property(form.Children[2], "Columns").CollectionItems;
    EXPECT_EQ(columns[0][0].Value.Text, "Name");
    EXPECT_EQ(columns[1][0].Value.Text, "DE: Size");
    EXPECT_EQ(Property(form.Children[3], "Caption").Text, "DE: unnamed");
    EXPECT_EQ(Property(form.Children[0], "Hint").Wide, u"DE: Tools");  // added: the stream had none
    EXPECT_EQ(Property(form, "Icon.Data").Binary, std::string("\0\1\2\3", 4));
    EXPECT_EQ(Property(form.Children[0], "Anchors").Members, (std::vector<std::string>{"akLeft", "akTop"}));
}

TEST(FormProcessorTest, OutdatedEmptyAndNeverAppliedValues) {
    TFixture fixture;
    const int column = fixture.german;
    fixture.storage.FindProperty(2)->Values[column].Stamp = 1000;  // older than the native text
    fixture.storage.FindProperty(3)->Values[column].Text.clear();  // empty: the stream keeps its value
    fixture.storage.FindProperty(1)->Values[column].Flags = LocFlagNeverApply;
    fixture.storage.FindProperty(4)->Values[column].Text = u"wide";  // no number: the stream keeps its value
    TLocFormProcessor processor = fixture.Processor(column, German);
    const TFormObject form = fixture.Translate(processor);
    const TFormObject& button = form.Children[0].Children[0];
    EXPECT_EQ(Property(button, "Caption").Text, "&Open");
    EXPECT_EQ(Property(button, "Hint").Wide, u"Open a pass");
    EXPECT_EQ(Property(button, "Width").Integer, 75);
    EXPECT_EQ(Property(form, "Caption").Text, "Morvane's Talvessa");
    processor.UseOutdatedTranslations = true;
    EXPECT_EQ(Property(fixture.Translate(processor).Children[0].Children[0], "Caption").Text, "DE: &Open");
}

TEST(FormProcessorTest, RightToLeftLanguagesGetReadingOrderAndCharset) {
    TFixture fixture;
    const int arabic = fixture.storage.AddLanguage(0, 0x0401);
    fixture.storage.SetText(*fixture.storage.FindProperty(1), static_cast<size_t>(arabic), u"تالفيسا");
    fixture.storage.FindProperty(1)->Values[arabic].Stamp = 2000;
    TLocFormProcessor processor = fixture.Processor(arabic, 0x0401);
    processor.UseBiDiMode = true;
    processor.SetCharset = true;
    const TFormObject form = fixture.Translate(processor);
    EXPECT_EQ(Property(form, "Caption").Text, "\xCA\xC7\xE1\xDD\xED\xD3\xC7");  // Windows-1256
    EXPECT_EQ(Property(form, "Font.Charset").Text, "ARABIC_CHARSET");
    EXPECT_EQ(Property(form, "BiDiMode").Text, "bdRightToLeft");
    EXPECT_EQ(Property(form.Children[1], "BiDiMode").Text, "bdRightToLeft");
    EXPECT_EQ(TLocFormProcessor::CharsetIdent(99), "99");
}

TEST(FormProcessorTest, SetWithoutRCDataIsRefused) {
    TFixture fixture;
    TLocFormProcessor processor = fixture.Processor(0, English);
    TResProcessor set;
    EXPECT_THROW(processor.ProcessForm(set, "FormMain"), ELocFormProcessorError);
    auto rcdata = std::make_unique<TResRCData>();
    rcdata->AddItem("TMEFORMABOUT", false).Data = "TPF0 damaged";
    set.AddBlock(std::move(rcdata));
    EXPECT_THROW(processor.ProcessForm(set, "FormAbout"), EFormStreamError);
    processor.ProcessForm(set, "FormOther");  // absent: skipped
    std::string nested = std::string("TPF0\x09TFormMain\x00", 15);
    for (int i = 0; i < 300000; ++i) nested += std::string("\x01" "C" "\x0E" "\x01", 4);  // collections in collections, deeper than any stack
    EXPECT_THROW(processor.ProcessStream(nested), EFormStreamError);
}

}  // namespace
}  // namespace kestrune
