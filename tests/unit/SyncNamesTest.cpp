#include "secondary/SyncNames.h"

#include "core/CatalogueNames.h"

#include <string>
#include <utility>
#include <vector>

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

TEST(SyncNamesTest, SubSections_AreOneNameBelowTheirParent)
{
    EXPECT_EQ(CSyncNames::ChildName("htdocs", "htdocs\\images"), "images");
    EXPECT_EQ(CSyncNames::ChildName("htdocs\\images", "HTDOCS\\Images\\icons"), "icons");
    for (const char* sub : {"cgi-bin", "htdocs", "htdocs\\", "htdocs\\a\\b", "htdocs2\\a",
                            "htdocs\\..", "htdocs/a", "other\\htdocs\\a", "\\htdocs\\a"}) {
        EXPECT_EQ(CSyncNames::ChildName("htdocs", sub), "") << sub;
    }
}

TEST(SyncNamesTest, FileUrl_EncodesEveryPartButTheWebPath)
{
    EXPECT_EQ(CSyncNames::FileUrl("http://h/sync", "htdocs\\my images", "a b#1%?@ü.gif"),
              "http://h/sync/htdocs/my%20images/a%20b%231%25%3F%40%C3%BC.gif");
    EXPECT_EQ(CSyncNames::FileUrl("http://h\\sync", "Db1", "x.dbf"), "http://h/sync/Db1/x.dbf");
}

TEST(SyncNamesTest, SavedNames_AreDecodedOnceMoreAsWgetDoes)
{
    const std::vector<std::pair<std::string, std::string>> names = {{"plain.dbf", "plain.dbf"},
                                                                    {"a%20b.txt", "a b.txt"},
                                                                    {"100%25.dbf", "100%.dbf"},
                                                                    {"%2541", "%41"},
                                                                    {"%%41", "%A"},
                                                                    {"50%", "50%"},
                                                                    {"x%4", "x%4"},
                                                                    {"a%4g", "a%4g"},
                                                                    {"u%C3%a9", "u\xC3\xA9"},
                                                                    {"p%2fq", "p%2Fq"},
                                                                    {"n%0a%7f%00", "n%0A%7F%00"}};
    for (const auto& [name, saved] : names) {
        EXPECT_EQ(CSyncNames::SavedName(name), saved) << name;
    }
}

TEST(SyncNamesTest, PackedNames_FollowThePrimary)
{
    EXPECT_EQ(CCatalogueNames::PackedName("alarm.dbf", true), "alarm.dbf.gz");
    EXPECT_EQ(CCatalogueNames::PackedName("alarm.dbf", false), "alarm.zip");
    EXPECT_EQ(CCatalogueNames::PackedName("ab", false), "abzip");
}

TEST(SyncNamesTest, VersionNames_ReplaceTheLastTwoCharacters)
{
    EXPECT_EQ(CSyncNames::NumberedVersionName("alarm.dbf", 0), "alarm.d00");
    EXPECT_EQ(CSyncNames::NumberedVersionName("report.d00", 1), "report.d01");
    EXPECT_EQ(CSyncNames::NumberedVersionName("Alarm.DBF", 0), "Alarm.D00");
    EXPECT_EQ(CSyncNames::NumberedVersionName("straße", 0), "stra00");
    EXPECT_EQ(CSyncNames::NumberedVersionName("a", 42), "42");
}

TEST(SyncNamesTest, ExtensionAndLowerCase_AreFormedFromTheName)
{
    EXPECT_EQ(CSyncNames::Extension("a.b.dbf"), ".dbf");
    EXPECT_EQ(CSyncNames::Extension("readme"), "");
    EXPECT_EQ(CCatalogueNames::Lower("HTTP://Host/SyncData"), "http://host/syncdata");
}

} // namespace
