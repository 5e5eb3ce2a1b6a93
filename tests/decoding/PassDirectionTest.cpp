#include "decoding/PassDirection.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

TEST(GuessSatelliteTest, LaterGroupsOnlyWhenEarlierOnesFoundNothing) {
    EXPECT_EQ(GuessSatelliteFromName("PASS_N17_X"), "NOAA-17");
    EXPECT_EQ(GuessSatelliteFromName("PASS_NO16"), "NOAA-16");
    EXPECT_EQ(GuessSatelliteFromName("PASS_NOAA_X"), "");
    EXPECT_EQ(GuessSatelliteFromName("STATION_2023_19"), "NOAA-19");
    EXPECT_EQ(GuessSatelliteFromName("STATION_M01_2023"), "METOP-B");
    EXPECT_EQ(GuessSatelliteFromName("X_M02_19"), "METOP-A") << "MetOp tokens come after the number";
    EXPECT_EQ(GuessSatelliteFromName("PASS_METOPC"), "METOP-C");
    EXPECT_EQ(GuessSatelliteFromName("20240301_0920_METOP-B"), "METOP-B") << "spelled with its dash";
    EXPECT_EQ(GuessSatelliteFromName("2024-03-01-0920-METOP-C"), "METOP-C");
    EXPECT_EQ(GuessSatelliteFromName("N18_PASS_19"), "NOAA-18") << "the name prefix group wins";
}

class ProposalTest : public ::testing::Test {
protected:
    TPassDirectionRequest request;
    const TDateTime now = EncodeDate(2024, 6, 1);

    void SetUp() override {
        request.FileName = "/data/pass.raw16";
        request.FileDate = EncodeDate(2019, 3, 4) + EncodeTime(10, 20, 0, 0);
        request.SatelliteText = "NOAA-18";
        for (int channel = 1; channel <= 5; ++channel) request.ChannelEnabled[channel] = true;
    }
};

TEST_F(ProposalTest, YearFromTheNameWithinTheListOrFromTheFile) {
    request.DateMode = TDateMode::Year;
    request.FileName = "/data/2023-05-03.raw16";
    TPassDirectionProposal proposal = ProposePassDirection(request, now);
    EXPECT_TRUE(proposal.ShowYearList);
    EXPECT_EQ(proposal.NewestYear, 2024);
    EXPECT_EQ(proposal.Year, 2023);

    request.FileName = "/data/1997-05-03.raw16";
    EXPECT_EQ(ProposePassDirection(request, now).Year, 2019) << "before 1998: the file's year";

    request.PassYear = 2021;
    EXPECT_EQ(ProposePassDirection(request, now).Year, 2021) << "a remembered year wins";
    request.PassYear = 1979;
    EXPECT_EQ(ProposePassDirection(request, now).Year, 1979) << "a TIROS-N pass's year is in the list";
}

TEST_F(ProposalTest, DateFromTheNameDigits) {
    request.DateMode = TDateMode::Date;
    request.FileName = "/data/noaa_2023-05-03_1201.n10";
    TPassDirectionProposal proposal = ProposePassDirection(request, now);
    EXPECT_TRUE(proposal.ShowDatePicker);
    EXPECT_FALSE(proposal.ShowTimePicker);
    EXPECT_EQ(proposal.Date, EncodeDate(2023, 5, 3));

    request.FileName = "/data/FY3C_20220704.n10";
    EXPECT_EQ(ProposePassDirection(request, now).Date, EncodeDate(2022, 7, 4));

    request.FileName = "/data/pass_20231303.n10";
    EXPECT_EQ(ProposePassDirection(request, now).Date, EncodeDate(2019, 3, 4)) << "month 13 is refused";
    request.FileName = "/data/pass_19600101.n10";
    EXPECT_EQ(ProposePassDirection(request, now).Date, EncodeDate(2019, 3, 4)) << "year before 1961";

    request.PassDate = EncodeDate(2020, 1, 1);
    EXPECT_EQ(ProposePassDirection(request, now).Date, EncodeDate(2020, 1, 1));
}

TEST_F(ProposalTest, TheUnattendedAnswerTakesTheProposal) {
    request.DateMode = TDateMode::Year;
    request.Northbound = false;
    request.SatelliteText.clear();
    request.FileName = "/data/2023_N15.raw16";
    const TPassDirectionProposal proposal = ProposePassDirection(request, now);
    const TPassDirectionAnswer answer = DefaultPassDirectionAnswer(request, proposal);
    EXPECT_FALSE(answer.Cancelled);
    EXPECT_FALSE(answer.Northbound);
    EXPECT_EQ(answer.PassYear, 2023);
    EXPECT_EQ(answer.SatelliteText, "NOAA-15");
    EXPECT_EQ(answer.ChannelChosen, request.ChannelEnabled);
    EXPECT_EQ(answer.GacPass, 0);

    // Unasked, a year the name's layout read that the frames' day 250 (6 September) puts after a month from
    // now yields to the file's.
    request.DateMode = TDateMode::None;
    request.FileName = "/data/2024-07-01-1200-NOAA18.raw16";
    request.PassYear = 2024;
    request.DateRule = TIdentityRule::NameLayout;
    request.FramesDay = 250;
    EXPECT_EQ(DefaultPassDirectionAnswer(request, ProposePassDirection(request, now)).PassYear, 2019);
}

}  // namespace
}  // namespace kestrune
