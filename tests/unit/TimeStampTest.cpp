#include "core/TimeStamp.h"

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace {

// Sets TZ for one test and puts the previous value back afterwards.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ")) {
            m_old = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_old) {
            setenv("TZ", m_old->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    std::optional<std::string> m_old;
};

} // namespace

TEST(TimeStampTest, Format_WritesEightUpperCaseHexDigits)
{
    EXPECT_EQ(CTimeStamp::Format(0), "00000000");
    EXPECT_EQ(CTimeStamp::Format(0x5F3C1A20), "5F3C1A20");
    EXPECT_EQ(CTimeStamp::Format(0xABCDE), "000ABCDE");
    EXPECT_EQ(CTimeStamp::Format(-5), "00000000");
}

TEST(TimeStampTest, Parse_ReadsHexLikeScanf)
{
    EXPECT_EQ(CTimeStamp::Parse("5F3C1A20"), 0x5F3C1A20);
    EXPECT_EQ(CTimeStamp::Parse("5f3c1a20"), 0x5F3C1A20);
    EXPECT_EQ(CTimeStamp::Parse(" \t5F3C1A20"), 0x5F3C1A20);
    EXPECT_EQ(CTimeStamp::Parse("0x1a"), 0x1A);
    EXPECT_EQ(CTimeStamp::Parse("1AzZ9"), 0x1A);
    EXPECT_EQ(CTimeStamp::Parse("0xg"), 0);
}

TEST(TimeStampTest, Parse_GivesZeroForNoDigitsOrOverflow)
{
    EXPECT_EQ(CTimeStamp::Parse(""), 0);
    EXPECT_EQ(CTimeStamp::Parse("   "), 0);
    EXPECT_EQ(CTimeStamp::Parse("xyz"), 0);
    EXPECT_EQ(CTimeStamp::Parse("FFFFFFFFFFFFFFFFFF"), 0);
}

TEST(TimeStampTest, FormatThenParse_GivesTheTimeBack)
{
    for (const std::time_t t :
         {std::time_t{0}, std::time_t{1}, std::time_t{0x60406ABF}, std::time_t{0xFFFFFFFF}}) {
        EXPECT_EQ(CTimeStamp::Parse(CTimeStamp::Format(t)), t);
    }
}

TEST(TimeStampTest, Display_ShowsLocalTimeWithTrailingBlank)
{
    const ScopedTimeZone utc{"UTC0"};
    EXPECT_EQ(CTimeStamp::Display("00000000"), "01.01.1970 00:00 ");
    EXPECT_EQ(CTimeStamp::Display("60406ABF"), "04.03.2021 05:06 ");
    EXPECT_EQ(CTimeStamp::Display("5F3C1A20"), "18.08.2020 18:12 ");
}

TEST(TimeStampTest, Display_FollowsTheLocalTimeZoneAndSummerTime)
{
    const ScopedTimeZone berlin{"CET-1CEST,M3.5.0,M10.5.0/3"};
    EXPECT_EQ(CTimeStamp::Display("60406ABF"), "04.03.2021 06:06 ");
    EXPECT_EQ(CTimeStamp::Display("60DD9220"), "01.07.2021 12:00 ");
}

TEST(TimeStampTest, Display_OfEmptyTextIsEmpty)
{
    EXPECT_EQ(CTimeStamp::Display(""), "");
    EXPECT_EQ(CTimeStamp::Display("never"), "");
    EXPECT_EQ(CTimeStamp::Display("  "), "");
}

TEST(TimeStampTest, ListDate_IsYearFirstInLocalTime)
{
    const ScopedTimeZone berlin{"CET-1CEST,M3.5.0,M10.5.0/3"};
    EXPECT_EQ(CTimeStamp::ListDate(0x60406ABF), "2021.03.04 06:06");
    EXPECT_EQ(CTimeStamp::ListDate(0x60DD9220), "2021.07.01 12:00");
}
