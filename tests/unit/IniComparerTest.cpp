#include "secondary/IniComparer.h"

#include "SyncTestTree.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using SRow = CIniComparer::SResultRow;

// A secondary's Windows directory with local INI files, and a primary's web server (real nginx)
// publishing the catalogue and its IniFiles copies.
class IniComparerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tree.StartServer()) << tree.Server().ErrorLog();
        std::filesystem::create_directories(tree.Path("download"));
        settings.webPath = tree.WebPath();
        settings.downloadDir = tree.Path("download");
        settings.logDir = tree.Path("drive/jxt/log");
        comparer = std::make_unique<CIniComparer>(settings);
    }

    // Publishes the primary copies and a catalogue listing them in this order.
    void PublishIniFiles(const std::vector<std::pair<std::string, std::string>>& files)
    {
        std::string catalogue = "[Setup]\nLastSync=65A1B2C3\n[IniFiles]\n";
        int number = 0;
        for (const auto& [name, content] : files) {
            const std::string n = std::to_string(++number);
            catalogue += "File" + n + "=" + name + "\nCrc" + n + "=" +
                         tree.Publish("IniFiles", name, content) + "\n";
        }
        tree.Catalogue(catalogue);
    }

    void PutLocal(const std::string& name, std::string_view content) const
    {
        tree.Put("windows/" + name, content);
    }

    // Opens the comparison and compares one published file with its local copy.
    std::vector<SRow> CompareOne(const std::string& primary, const std::string& local)
    {
        PublishIniFiles({{"app.ini", primary}});
        PutLocal("app.ini", local);
        EXPECT_TRUE(comparer->Open());
        comparer->Compare({"app.ini"});
        return comparer->Rows();
    }

    std::string Log() const { return tree.Get("drive/jxt/log/zezodi.log"); }

    static SRow Row(std::string section, std::string key, std::string primary,
                    std::string secondary)
    {
        return {"app.ini",      CIniComparer::kNotIdentical, std::move(section),
                std::move(key), std::move(primary),          std::move(secondary)};
    }

    CSyncTestTree tree;
    SSecondarySettings settings;
    std::unique_ptr<CIniComparer> comparer;
};

} // namespace

bool operator==(const SRow& a, const SRow& b)
{
    return a.file == b.file && a.status == b.status && a.section == b.section && a.key == b.key &&
           a.primaryValue == b.primaryValue && a.secondaryValue == b.secondaryValue;
}

void PrintTo(const SRow& row, std::ostream* out)
{
    *out << "{" << row.file << ", " << row.status << ", [" << row.section << "], <" << row.key
         << ">, <" << row.primaryValue << ">, <" << row.secondaryValue << ">}";
}

TEST_F(IniComparerTest, Open_ListsIniFilesInCatalogueOrderUpToTheFirstEmptyName)
{
    tree.Catalogue("[IniFiles]\nFile1=b.ini\nCrc1=1\nFile2=a.ini\nCrc2=2\nFile3=\n"
                   "File4=c.ini\nCrc4=4\n");
    // A catalogue left from before must not stand in for the one fetched now.
    tree.Put("download/zezodi.txt", "[IniFiles]\nFile1=stale.ini\n");

    EXPECT_TRUE(comparer->Open());

    EXPECT_EQ(comparer->IniFileNames(), (std::vector<std::string>{"b.ini", "a.ini"}));
    EXPECT_TRUE(comparer->RefusedNames().empty());
    EXPECT_FALSE(tree.Exists("download/zezodi.txt.1"));
}

TEST_F(IniComparerTest, CatalogueNotOnServer_LogsTheFailureAndListsNothing)
{
    EXPECT_FALSE(comparer->Open());

    EXPECT_TRUE(comparer->IniFileNames().empty());
    // wget's exit code 8: the server answered with an error.
    EXPECT_NE(Log().find(", Failed to get SyncFile from " + tree.WebPath() + "  Error Code: 8\n"),
              std::string::npos)
        << Log();
}

TEST_F(IniComparerTest, IdenticalLocalFile_GivesOneIdenticalRowOnly)
{
    const std::vector<SRow> rows = CompareOne("[Main]\na=1\n", "[Main]\na=1\n");

    EXPECT_EQ(rows, (std::vector<SRow>{{"app.ini", CIniComparer::kIdentical, "", "", "", ""}}));
    EXPECT_EQ(CIniComparer::StatusText(rows[0].status), "Identical");
    // The CRC was enough: nothing was downloaded.
    EXPECT_FALSE(tree.Exists("download/app.ini"));
}

TEST_F(IniComparerTest, MissingLocalFile_GivesOneNotExistentRow)
{
    PublishIniFiles({{"app.ini", "[Main]\na=1\n"}});
    ASSERT_TRUE(comparer->Open());

    comparer->Compare({"app.ini"});

    EXPECT_EQ(comparer->Rows(),
              (std::vector<SRow>{{"app.ini", CIniComparer::kNotExistent, "", "", "", ""}}));
    EXPECT_EQ(CIniComparer::StatusText(CIniComparer::kNotExistent), "Not existent");
}

TEST_F(IniComparerTest, LocalFileInOtherCase_IsComparedUnderItsOwnName)
{
    PublishIniFiles({{"app.ini", "[Main]\na=1\n"}});
    PutLocal("App.INI", "[Main]\na=2\n");
    ASSERT_TRUE(comparer->Open());

    comparer->Compare({"app.ini"});

    EXPECT_EQ(comparer->Rows(), (std::vector<SRow>{Row("Main", "a", "1", "2")}));
    EXPECT_EQ(comparer->LocalPath("app.ini"), tree.Path("windows/App.INI"));
}

TEST_F(IniComparerTest, NameNotInCatalogueOrWithoutCrc_GivesNoRow)
{
    tree.Catalogue("[IniFiles]\nFile1=nocrc.ini\nCrc1=\n");
    PutLocal("nocrc.ini", "[x]\n");
    PutLocal("other.ini", "[x]\n");
    ASSERT_TRUE(comparer->Open());

    comparer->Compare({"nocrc.ini", "other.ini", "NOCRC.INI"});

    EXPECT_TRUE(comparer->Rows().empty());
}

TEST_F(IniComparerTest, CommentsOrderBlankLinesAndCase_GiveNoRow)
{
    const std::vector<SRow> rows =
        CompareOne("# primary\n[Main]\nAlpha=1\nbeta=two\n\n[Other]\nx=y\n",
                   "[other]\r\n' local\r\nX=y\r\n/ note\r\n[MAIN]\r\nBETA = two\r\nalpha=1\r\n");

    EXPECT_TRUE(rows.empty());
    // The CRCs differ, so the primary copy was fetched for the key comparison.
    EXPECT_TRUE(tree.Exists("download/app.ini"));
}

TEST_F(IniComparerTest, KeyOnOneSideOnly_IsReportedWithTheOtherValueEmpty)
{
    const std::vector<SRow> rows =
        CompareOne("[Main]\ncommon=1\nonlyPrimary=p\n", "[Main]\ncommon=1\nonlyLocal=s\n");

    EXPECT_EQ(rows, (std::vector<SRow>{Row("Main", "onlyPrimary", "p", ""),
                                       Row("Main", "onlyLocal", "", "s")}));
}

TEST_F(IniComparerTest, DifferingValue_GivesOneRowFromTheFirstPass)
{
    const std::vector<SRow> rows = CompareOne("[Main]\nport=4020\n", "[Main]\nport=4021\n");

    EXPECT_EQ(rows, (std::vector<SRow>{Row("Main", "port", "4020", "4021")}));
    EXPECT_EQ(CIniComparer::StatusText(rows[0].status), "Not identical");
}

TEST_F(IniComparerTest, QuotedValuesAndValuesWithEquals_AreReportedAsTheLineRulesSeeThem)
{
    const std::string text = "[Main]\nname=\"quoted\"\na=b=c\nplain =  spaced\t\n";

    const std::vector<SRow> rows = CompareOne(text + "\n", text);

    // The line keeps the quotes and stops at the second '='; the profile store does neither.
    // Blanks around key and value mean nothing to either.
    EXPECT_EQ(rows, (std::vector<SRow>{Row("Main", "name", "\"quoted\"", "quoted"),
                                       Row("Main", "a", "b", "b=c")}));
}

TEST_F(IniComparerTest, BlankAfterSectionBracket_ReportsEveryKeyUnderIt)
{
    const std::string text = "[Main] \nkey=1\n[Next]\nother=2\n";

    const std::vector<SRow> rows = CompareOne(text + "\n", text);

    EXPECT_EQ(rows, (std::vector<SRow>{Row("Main]", "key", "1", "")}));
}

TEST_F(IniComparerTest, SemicolonLineWithEquals_IsComparedAsAKey)
{
    const std::string text = "[Main]\n;note=old\nkey=1\n";

    const std::vector<SRow> rows = CompareOne(text + "\n", text);

    EXPECT_EQ(rows, (std::vector<SRow>{Row("Main", ";note", "old", "")}));
}

TEST_F(IniComparerTest, KeysAboveTheFirstSection_AreLookedUpWithoutSection)
{
    const std::vector<SRow> rows =
        CompareOne("top=1\nchanged=a\n[Main]\nk=v\n", "Top=1\nchanged=b\n[Main]\nk=v\n");

    EXPECT_EQ(rows, (std::vector<SRow>{Row("", "changed", "a", "b")}));
}

TEST_F(IniComparerTest, SeventyThousandCharacterLine_IsCutAndItsRestReadAsANewLine)
{
    // 65,535 characters form the first line, the next byte is dropped, the rest is a line.
    const std::string longLine = "k=" + std::string(65533, 'a') + "Xtail=1";
    ASSERT_EQ(longLine.size(), 65542u);
    const std::string padded = longLine + std::string(70000 - longLine.size(), ' ');

    const std::vector<SRow> rows = CompareOne("[Main]\n" + padded + "\n", "[Main]\nk=short\n");

    // The profile store reads the whole line: in the primary copy "tail" is part of k's value.
    EXPECT_EQ(rows, (std::vector<SRow>{Row("Main", "k", std::string(65533, 'a'), "short"),
                                       Row("Main", "tail", "1", "")}));
}

TEST_F(IniComparerTest, PrimaryCopyNotOnServer_GivesNoRowAndIsLogged)
{
    tree.Catalogue("[IniFiles]\nFile1=gone.ini\nCrc1=12345678\n");
    PutLocal("gone.ini", "[Main]\na=1\n");
    ASSERT_TRUE(comparer->Open());

    comparer->Compare({"gone.ini"});

    EXPECT_TRUE(comparer->Rows().empty());
    EXPECT_NE(Log().find("Failed to download file "), std::string::npos) << Log();
}

TEST_F(IniComparerTest, NamesLeavingTheirDirectory_AreRefusedLoggedAndNeverFetched)
{
    tree.Put("web/zezodi.ini", "[Config]\nIsPrimary=0\n");
    tree.Catalogue("[IniFiles]\nFile1=../zezodi.ini\nCrc1=1\nFile2=sub/x.ini\nCrc2=2\n"
                   "File3=ok.ini\nCrc3=3\n");
    PutLocal("zezodi.ini", "[Config]\nIsPrimary=1\n");
    ASSERT_TRUE(comparer->Open());

    EXPECT_EQ(comparer->IniFileNames(), std::vector<std::string>{"ok.ini"});
    EXPECT_EQ(comparer->RefusedNames(), (std::vector<std::string>{"../zezodi.ini", "sub/x.ini"}));
    comparer->Compare({"../zezodi.ini", "sub/x.ini"});
    EXPECT_FALSE(comparer->DownloadPrimaryCopy("../zezodi.ini").has_value());

    EXPECT_TRUE(comparer->Rows().empty());
    EXPECT_FALSE(tree.Exists("zezodi.ini"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.Path("download")), {}), 1);
    EXPECT_NE(Log().find(", File ../zezodi.ini of section IniFiles refused: the name would leave "
                         "its directory\n"),
              std::string::npos)
        << Log();
}

TEST_F(IniComparerTest, CompareWithNothingSelected_ClearsTheRows)
{
    CompareOne("[Main]\na=1\n", "[Main]\na=2\n");
    ASSERT_FALSE(comparer->Rows().empty());

    comparer->Compare({});

    EXPECT_TRUE(comparer->Rows().empty());
}

TEST_F(IniComparerTest, SeveralFiles_GiveTheirRowsInSelectionOrder)
{
    PublishIniFiles({{"b.ini", "[s]\nk=1\n"}, {"a.ini", "[s]\nk=1\n"}, {"c.ini", "[s]\nk=1\n"}});
    PutLocal("b.ini", "[s]\nk=2\n");
    PutLocal("a.ini", "[s]\nk=1\n");
    ASSERT_TRUE(comparer->Open());

    comparer->Compare({"b.ini", "a.ini", "c.ini"});

    ASSERT_EQ(comparer->Rows().size(), 3u);
    EXPECT_EQ(comparer->Rows()[0].file, "b.ini");
    EXPECT_EQ(comparer->Rows()[1].status, CIniComparer::kIdentical);
    EXPECT_EQ(comparer->Rows()[2].status, CIniComparer::kNotExistent);
}

TEST_F(IniComparerTest, DownloadPrimaryCopy_LeavesTheFileInTheDownloadDirectory)
{
    PublishIniFiles({{"my file#1.ini", "[s]\nk=1\n"}});
    ASSERT_TRUE(comparer->Open());

    const std::optional<std::string> path = comparer->DownloadPrimaryCopy("my file#1.ini");

    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(*path, tree.Path("download/my file#1.ini"));
    EXPECT_EQ(tree.Get("download/my file#1.ini"), "[s]\nk=1\n");
}

TEST_F(IniComparerTest, DuplicateCheck_ComparesFileSectionAndKeyOnTheirFirst127Characters)
{
    const std::string longKey(127, 'k');

    comparer->AddResultRow("f.ini", 1, "s", longKey + "1", "a", "b", false);
    comparer->AddResultRow("f.ini", 1, "s", longKey + "2", "c", "d", true);
    comparer->AddResultRow("f.ini", 1, "S", longKey, "e", "f", true);
    comparer->AddResultRow("f.ini", 1, "s", longKey + "1", "g", "h", false);

    ASSERT_EQ(comparer->Rows().size(), 3u);
    EXPECT_EQ(comparer->Rows()[1].section, "S");
    EXPECT_EQ(comparer->Rows()[2].primaryValue, "g");
}
