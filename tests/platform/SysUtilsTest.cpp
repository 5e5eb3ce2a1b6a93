#include "platform/SysUtils.h"

#include "tests/platform/CommaLocale.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kestrune {
namespace {

TEST(SysUtils, RoundTakesHalvesToEven) {
    EXPECT_EQ(Round(0.5), 0);
    EXPECT_EQ(Round(1.5), 2);
    EXPECT_EQ(Round(2.5), 2);
    EXPECT_EQ(Round(-2.5), -2);
    EXPECT_EQ(Round(-3.5), -4);
    EXPECT_EQ(Round(2.5000001), 3);
    EXPECT_EQ(Trunc(-2.7), -2);
    // What a division by zero leaves behind has a defined answer.
    EXPECT_EQ(Round(std::nan("")), 0);
    EXPECT_EQ(Trunc(std::nan("")), 0);
    EXPECT_EQ(Round(HUGE_VAL), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(Trunc(-1e300), std::numeric_limits<int64_t>::min());
}

TEST(SysUtils, DatesCountDaysFrom1899) {
    EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDate(1970, 1, 1), 25569.0);
    EXPECT_DOUBLE_EQ(EncodeDate(2000, 3, 1), 36586.0);
    EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
    EXPECT_THROW(EncodeDate(2023, 13, 1), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_EQ(DayOfYear(2024, 12, 31), 366);
    EXPECT_DOUBLE_EQ(UnixDayDate(1.0), 25570.0);
}

TEST(SysUtils, DecodeRoundsToTheMillisecond) {
    const TDateTime t = EncodeDate(2026, 12, 6) + EncodeTime(23, 59, 59, 999) + 0.4 / MSecsPerDay;
    const DateParts p = DecodeDateTime(t);
    EXPECT_EQ(p.year, 2026);
    EXPECT_EQ(p.month, 12);
    EXPECT_EQ(p.day, 6);
    EXPECT_EQ(p.hour, 23);
    EXPECT_EQ(p.second, 59);
    EXPECT_EQ(p.millisecond, 999);
    EXPECT_EQ(DecodeDateTime(t + 0.2 / MSecsPerDay).day, 7);
}

TEST(SysUtils, FormatsTheProgramsDatePatterns) {
    const TDateTime t = EncodeDate(2024, 2, 9) + EncodeTime(7, 5, 3, 42);
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd-hhnn", t), "2024-02-09-0705");
    EXPECT_EQ(FormatDateTime("yyyy-mmm-dd hh:nn:ss.zzz", t), "2024-Feb-09 07:05:03.042");
    EXPECT_EQ(FormatDateTime("yyyy-mmmm-dd hh:nn", t), "2024-February-09 07:05");
    EXPECT_EQ(FormatDateTime("hh:mm", t), "07:05");
    EXPECT_EQ(FormatDateTime("yyyy/MM/dd", t), "2024/02/09");
    EXPECT_EQ(FormatDateTime("\"Year:\" yy d m", t), "Year: 24 9 2");
    EXPECT_EQ(FormatDateTime("ddd dddd", t), "Fri Friday");
    EXPECT_EQ(FormatDateTime(" yyyy-mm-dd hh:nn:ss", t), " 2024-02-09 07:05:03");
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd/", t), "2024/02/09/");
}

TEST(SysUtils, NumberTextUsesAPointWhateverTheLocale) {
    const testing::TTempFolder folder;
    {
        const testing::TCommaLocale comma(folder.Path());
        ASSERT_TRUE(comma.Active()) << "no locale with a decimal comma (the locales package gives one)";
        EXPECT_EQ(Format("%.2f|%5d|%s", 3.14159, 42, "x"), "3.14|   42|x");
        EXPECT_DOUBLE_EQ(StrToFloatDef(" 2.5 ", 0.0), 2.5);
        EXPECT_DOUBLE_EQ(StrToFloatDef("2,5", -1.0), -1.0);
    }
    EXPECT_EQ(StrToIntDef("+17", 0), 17);
    EXPECT_EQ(StrToIntDef("17x", -3), -3);
    EXPECT_EQ(StrToIntDef("", -3), -3);
    EXPECT_EQ(StrToIntDef("+-5", -3), -3);
    EXPECT_EQ(StrToIntDef("99999999999", -3), -3);
    EXPECT_DOUBLE_EQ(StrToFloatDef("1e999", -1.0), -1.0);
    EXPECT_DOUBLE_EQ(StrToFloatDef("nan", -1.0), -1.0);
}

TEST(SysUtils, CopyIsOneBasedAndSafeBeyondTheEnd) {
    EXPECT_EQ(Copy("NOAA-19", 1, 4), "NOAA");
    EXPECT_EQ(Copy("NOAA-19", 6, 10), "19");
    EXPECT_EQ(Copy("NOAA-19", 8, 1), "");
    EXPECT_EQ(Copy("NOAA-19", 0, 2), "NO");
    EXPECT_EQ(Pos("-", "NOAA-19"), 5);
    EXPECT_EQ(Pos("x", "NOAA-19"), 0);
    EXPECT_TRUE(SameText("Metop", "METOP"));
}

}  // namespace
}  // namespace kestrune
