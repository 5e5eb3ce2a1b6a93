#include "decoding/SatelliteIdent.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

void ExpectTime(const TNameTime& when, int year, int month, int day, int hour, int minute) {
    EXPECT_EQ(when.Year, year);
    EXPECT_EQ(when.Month, month);
    EXPECT_EQ(when.Day, day);
    EXPECT_EQ(when.Hour, hour);
    EXPECT_EQ(when.Minute, minute);
}

TEST(NameFieldTest, DecimalFieldsOrConvertError) {
    EXPECT_EQ(NameField("2023-05-03", 1, 4), 2023);
    EXPECT_EQ(NameField("2023-05-03", 6, 7), 5);
    EXPECT_THROW(NameField("hrpt_2023", 1, 4), EConvertError);
    EXPECT_THROW(NameField("20", 5, 6), EConvertError) << "beyond the end of the name";
}

TEST(EssNameTest, ThreeLayoutsByThePvlFlagAndTheStart) {
    TNamedPass pass = EssNamePass("2023-05-03-1201_NOAA19", false);
    ExpectTime(pass.When, 2023, 5, 3, 12, 1);
    EXPECT_EQ(pass.Satellite, "NOAA-19");
    pass = EssNamePass("2023-05-03-1201_M01_xx", false);
    EXPECT_EQ(pass.Satellite, "METOP-B");
    pass = EssNamePass("2023-05-03-1201_metopc", false);
    EXPECT_EQ(pass.Satellite, "METOP-C");

    pass = EssNamePass("202305031201" + std::string(24, 'x') + "18", true);
    ExpectTime(pass.When, 2023, 5, 3, 12, 1);
    EXPECT_EQ(pass.Satellite, "NOAA-18");
    pass = EssNamePass("hrpt_20230503_1201_no15", true);
    ExpectTime(pass.When, 2023, 5, 3, 12, 1);
    EXPECT_EQ(pass.Satellite, "NOAA-15");
    EXPECT_THROW(EssNamePass("hrpt_20230503_1201_noaa15", false), EConvertError)
        << "an hrpt name without the PVL flag does not parse";
}

TEST(Hrpt16NameTest, FourLayouts) {
    EXPECT_EQ(Hrpt16Layout("all___20230503_1201___NOAA18"), THrpt16Layout::AllPrefix);
    TNamedPass pass = Hrpt16NamePass("all___20230503_1201___NOAA18", THrpt16Layout::AllPrefix);
    ExpectTime(pass.When, 2023, 5, 3, 12, 1);
    EXPECT_EQ(pass.Satellite, "NOAA-18");

    EXPECT_EQ(Hrpt16Layout("2023-05-03-1201_NOAA18"), THrpt16Layout::Dated);
    pass = Hrpt16NamePass("2023-05-03-1201_NOAA18", THrpt16Layout::Dated);
    EXPECT_EQ(pass.Satellite, "NOAA-18");

    EXPECT_EQ(Hrpt16Layout("M03_202305031201"), THrpt16Layout::MetopM0);
    pass = Hrpt16NamePass("M03_202305031201", THrpt16Layout::MetopM0);
    ExpectTime(pass.When, 2023, 5, 3, 12, 1);
    EXPECT_EQ(pass.Satellite, "METOP-C");

    EXPECT_EQ(Hrpt16Layout("ah19230503120"), THrpt16Layout::AhPrefix);
    pass = Hrpt16NamePass("AH19230503120199", THrpt16Layout::AhPrefix);
    ExpectTime(pass.When, 2023, 5, 3, 12, 1);
    EXPECT_EQ(pass.Satellite, "NOAA-19");

    EXPECT_EQ(Hrpt16Layout("1979-05-03-1200-NOAA18"), THrpt16Layout::Dated);
    EXPECT_EQ(Hrpt16Layout("197-05-03-1200-NOAA18"), THrpt16Layout::None);
    EXPECT_EQ(Hrpt16Layout("pass"), THrpt16Layout::None);
}

}  // namespace
}  // namespace kestrune
