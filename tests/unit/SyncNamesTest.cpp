#include "secondary/SyncNames.h"

#include <gtest/gtest.h>

namespace {

TEST(SyncNamesTest, PlainNames_AreSafeAndEscapingOnesAreNot)
{
    for (const char* name : {"alarm.dbf", "a b.wav", ".htaccess", "x..y", "grüße.txt", "ab:c"}) {
        EXPECT_TRUE(CSyncNames::IsSafeFileName(name)) << name;
    }
    for (const char* name :
         {"", ".", "..", "a/b", "a\\b", "/etc", "c:x", "C:", "tab\tx", "del\x7f"}) {
        EXPECT_FALSE(CSyncNames::IsSafeFileName(name)) << name;
    }
}

TEST(SyncNamesTest, SectionNames_AreSafeWhenEveryPartIs)
{
    EXPECT_TRUE(CSyncNames::IsSafeSectionName("Db1"));
    EXPECT_TRUE(CSyncNames::IsSafeSectionName("htdocs\\images\\icons"));
    for (const char* section :
         {"", "\\x", "htdocs\\", "htdocs\\\\x", "htdocs\\..\\x", "..", "htdocs/../x", "c:\\x"}) {
        EXPECT_FALSE(CSyncNames::IsSafeSectionName(section)) << section;
    }
}

TEST(SyncNamesTest, FileUrl_EncodesEveryPartButTheWebPath)
{
    EXPECT_EQ(CSyncNames::FileUrl("http://h/sync", "htdocs\\my images", "a b#1%?@ü.gif"),
              "http://h/sync/htdocs/my%20images/a%20b%231%25%3F%40%C3%BC.gif");
    EXPECT_EQ(CSyncNames::FileUrl("http://h\\sync", "Db1", "x.dbf"), "http://h/sync/Db1/x.dbf");
}

TEST(SyncNamesTest, PackedNames_FollowThePrimary)
{
    EXPECT_EQ(CSyncNames::PackedName("alarm.dbf", true), "alarm.dbf.gz");
    EXPECT_EQ(CSyncNames::PackedName("alarm.dbf", false), "alarm.zip");
    EXPECT_EQ(CSyncNames::PackedName("ab", false), "abzip");
}

TEST(SyncNamesTest, PreviousVersionNames_EndInZeroZeroOrZeroOne)
{
    EXPECT_EQ(CSyncNames::PreviousVersionName("alarm.dbf"), "alarm.d00");
    EXPECT_EQ(CSyncNames::PreviousVersionName("report.d00"), "report.d01");
    EXPECT_EQ(CSyncNames::PreviousVersionName("Alarm.DBF"), "Alarm.D00");
    EXPECT_EQ(CSyncNames::PreviousVersionName("straße"), "stra00");
    EXPECT_EQ(CSyncNames::PreviousVersionName("a"), "00");
}

TEST(SyncNamesTest, ExtensionAndLowerCase_AreFormedFromTheName)
{
    EXPECT_EQ(CSyncNames::Extension("a.b.dbf"), ".dbf");
    EXPECT_EQ(CSyncNames::Extension("readme"), "");
    EXPECT_EQ(CSyncNames::Lower("HTTP://Host/SyncData"), "http://host/syncdata");
}

} // namespace
