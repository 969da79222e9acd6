#include "core/StringTable.h"

#include <string>

#include <gtest/gtest.h>

namespace {

// Installs a translation for one test and restores English at its end.
class StringTableTest : public ::testing::Test
{
protected:
    void TearDown() override { CStringTable::SetTranslator({}); }

    static void Translate(const std::string& source, const std::string& translation)
    {
        CStringTable::SetTranslator([source, translation](const char* text) {
            return source == text ? translation : std::string{};
        });
    }
};

} // namespace

TEST_F(StringTableTest, Format_FillsPrintfFieldsInOrder)
{
    EXPECT_EQ(CStringTable::Format(StringId::CopyFileFailed, {"/a/x.dbf", "/web/Db1/x.dbf"}),
              "Failed to copy file from /a/x.dbf to /web/Db1/x.dbf !");
    EXPECT_EQ(CStringTable::Format(StringId::CrcFailed, {"/web/x", "5"}),
              "Failed to get CRC from file /web/x  Error Code: 5 !");
    EXPECT_EQ(CStringTable::Format(StringId::SizeInKb, {"1025"}), "1025 KB");
}

TEST_F(StringTableTest, Format_FillsNumberedFieldsByNumber)
{
    EXPECT_EQ(CStringTable::Format(StringId::ClientTimeSyncSucceeded, {"alpha", "10.0.0.2"}),
              "Successfully synchronized the system-time on client alpha (10.0.0.2)");
    EXPECT_EQ(CStringTable::FormatText("%2 before %1, %% kept, 100% sure", {"one", "two"}),
              "two before one, % kept, 100% sure");
}

TEST_F(StringTableTest, Format_NeverReadsFieldsItHasNoArgumentFor)
{
    EXPECT_EQ(CStringTable::FormatText("%s %s %s %d %9 %n %x %", {"a"}), "a     %n %x %");
    EXPECT_EQ(CStringTable::FormatText("%s", {}), "");
    // Field-like text inside an argument is taken literally.
    EXPECT_EQ(CStringTable::FormatText("<%s>", {"%s%1%d"}), "<%s%1%d>");
}

TEST_F(StringTableTest, Translation_ReplacesTheSourceText)
{
    Translate("Failed to copy file from %s to %s !",
              "Kopieren von %2 nach %1 %n%s%s%s fehlgeschlagen");

    EXPECT_EQ(CStringTable::Text(StringId::CopyFileFailed),
              "Kopieren von %2 nach %1 %n%s%s%s fehlgeschlagen");
    EXPECT_EQ(CStringTable::Format(StringId::CopyFileFailed, {"a", "b"}),
              "Kopieren von b nach a %nab fehlgeschlagen");
    // Texts the translation does not know stay English.
    EXPECT_EQ(CStringTable::Text(StringId::Error), "Error");

    CStringTable::SetTranslator({});
    EXPECT_EQ(CStringTable::Text(StringId::CopyFileFailed), "Failed to copy file from %s to %s !");
}
