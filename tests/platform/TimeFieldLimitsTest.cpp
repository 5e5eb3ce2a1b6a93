// Each field of a time of day has its limits: the last value inside is
// taken, the first one past either end is refused (a time code or file
// name that says 12:00:60 is damaged, not the next minute).
#include "platform/SysUtils.h"

#include <gtest/gtest.h>

#include <array>

namespace kestrune {
namespace {

struct TTimeFields {
    int Hour, Minute, Second, Millisecond;
};

TEST(TimeFieldLimits, TheLastValueOfEachFieldIsTakenAndTheNextRefused) {
    TDateTime time = 0;
    ASSERT_TRUE(TryEncodeTime(23, 59, 59, 999, time));
    EXPECT_DOUBLE_EQ(time, 1.0 - 1.0 / MSecsPerDay);
    ASSERT_TRUE(TryEncodeTime(0, 0, 0, 0, time));
    EXPECT_DOUBLE_EQ(time, 0.0);
    for (const TTimeFields& outside : std::array<TTimeFields, 8>{{{24, 0, 0, 0},
                                                                  {-1, 0, 0, 0},
                                                                  {12, 60, 0, 0},
                                                                  {12, -1, 0, 0},
                                                                  {12, 0, 60, 0},
                                                                  {12, 0, -1, 0},
                                                                  {12, 0, 0, 1000},
                                                                  {12, 0, 0, -1}}}) {
        SCOPED_TRACE(testing::Message() << outside.Hour << ":" << outside.Minute << ":" << outside.Second << "."
                                        << outside.Millisecond);
        time = 42;
        EXPECT_FALSE(TryEncodeTime(outside.Hour, outside.Minute, outside.Second, outside.Millisecond, time));
        EXPECT_EQ(time, 42) << "a refused time leaves the result alone";
        EXPECT_THROW(EncodeTime(outside.Hour, outside.Minute, outside.Second, outside.Millisecond), EConvertError);
    }
}

}  // namespace
}  // namespace kestrune
