#include "platform/ResFormStream.h"

#include "tests/support/LocSamples.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kestrune {
namespace {

TEST(FormStreamTest, EveryValueTypeRoundTrips) {
    const TFormObject form = testing::SampleMainForm();
    const TBytes bytes = WriteFormStream(form);
    EXPECT_EQ(bytes.substr(0, 4), "TPF0");
    EXPECT_EQ(bytes.substr(4, 10), "\x09TFormMain");
    const TFormObject back = ReadFormStream(bytes);
    EXPECT_EQ(WriteFormStream(back), bytes);
    ASSERT_EQ(back.Children.size(), 4u);
    EXPECT_EQ(back.Children[0].Children[0].Properties[1].Value.Wide, u"Open a pass");
    EXPECT_DOUBLE_EQ(back.Children[1].Properties[0].Value.Number, 0.25);
    EXPECT_EQ(back.Children[2].Properties[0].Value.CollectionItems.size(), 2u);
    EXPECT_EQ(back.Properties[1].Value.Text, "DEFAULT_CHARSET");

    TFormObject child;
    child.Flags = FilerInherited | FilerChildPos;
    child.Position = 300;
    child.ClassName = "TFrameLegend";
    TFormObject root;
    root.ClassName = "TFormAbout";
    root.Children.push_back(child);
    for (const auto& [type, number] : std::vector<std::pair<TValueType, double>>{
             {TValueType::Single, 0.5}, {TValueType::Double, 1e300}, {TValueType::Currency, 12.3456}, {TValueType::Date, 45000.25}}) {
        TFormValue value;
        value.Type = type;
        value.Number = number;
        root.Properties.push_back({"P", value});
    }
    const TFormObject again = ReadFormStream(WriteFormStream(root));
    EXPECT_EQ(again.Children[0].Flags, FilerInherited | FilerChildPos);
    EXPECT_EQ(again.Children[0].Position, 300);
    EXPECT_DOUBLE_EQ(again.Properties[2].Value.Number, 12.3456);
    EXPECT_DOUBLE_EQ(again.Properties[1].Value.Number, 1e300);
}

TEST(FormStreamTest, ExtendedNumbersKeepTheirValue) {
    const uint8_t one[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
    EXPECT_EQ(ExtendedToDouble(one), 1.0);
    for (const double value : {0.0, 1.0, -2.5, 1e-310, 6.02214076e23, -std::numeric_limits<double>::infinity()}) {
        uint8_t extended[10];
        DoubleToExtended(value, extended);
        EXPECT_EQ(ExtendedToDouble(extended), value) << value;
    }
    uint8_t nan[10];
    DoubleToExtended(std::numeric_limits<double>::quiet_NaN(), nan);
    EXPECT_TRUE(std::isnan(ExtendedToDouble(nan)));
}

TEST(FormStreamTest, DamagedStreamsAreRefused) {
    const TBytes good = WriteFormStream(testing::SampleMainForm());
    for (size_t size = 0; size < good.size(); ++size) EXPECT_THROW(ReadFormStream(good.substr(0, size)), EFormStreamError) << size;
    TBytes badType = good;
    badType[good.find("Caption") + 7] = 0x40;
    EXPECT_THROW(ReadFormStream(badType), EFormStreamError);
    const TBytes deep = std::string("TPF0\x01X\x00\x01P", 9) + std::string(1000, '\x01');  // lists inside lists
    EXPECT_THROW(ReadFormStream(deep), EFormStreamError);
}

}  // namespace
}  // namespace kestrune
