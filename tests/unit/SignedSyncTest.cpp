#include "core/CatalogueSignature.h"
#include "core/FileSha256.h"
#include "core/ProfileStore.h"
#include "core/RunAndWait.h"
#include "core/SigningKey.h"
#include "secondary/SecondaryConfig.h"
#include "secondary/SyncEngine.h"
#include "tests/unit/SyncTestTree.h"

#include <functional>

#include <gtest/gtest.h>

namespace {

struct SKeys
{
    CSigningKey::SecretKey primary{};
    CSigningKey::SecretKey stranger{};
    std::string primaryText;
    std::string oldText;
};

// A secondary that lists the primary's keys applies only what the primary signed: a
// catalogue that is unsigned, signed by another key or altered is refused whole, a file that
// differs from its signed SHA-256 fails alone, and without keys nothing is checked.
TEST(SignedSyncTest, OnlyWhatThePrimarySignedIsInstalled)
{
    CSyncTestTree tree;
    ASSERT_TRUE(tree.StartServer()) << tree.Server().ErrorLog();
    SKeys keys;
    for (auto [name, secret] :
         {std::pair{"primary.key", &keys.primary}, std::pair{"stranger.key", &keys.stranger}}) {
        ASSERT_EQ(CSigningKey::Generate(tree.Path(name)), "");
        ASSERT_EQ(CSigningKey::Load(tree.Path(name), *secret), "");
    }
    keys.primaryText = CSigningKey::PublicText(keys.primary);
    keys.oldText = CSigningKey::PublicText(keys.stranger);

    enum class ESig
    {
        Primary,
        Stranger,
        None
    };
    const struct
    {
        const char* name;
        ESig signature;
        std::function<void(std::string&)> alterCatalogue;
        std::function<void()> alterCopies;
        std::string listed;
        int result;
        int synchronized;
        const char* line;
    } cases[] = {
        {"signed, its key listed",
         ESig::Primary,
         {},
         {},
         keys.primaryText,
         CSyncEngine::kDone,
         2,
         "Synchronization was successful"},
        {"old and new key listed",
         ESig::Primary,
         {},
         {},
         keys.oldText + " " + keys.primaryText,
         CSyncEngine::kDone,
         2,
         "Synchronization was successful"},
        {"no key listed, unsigned",
         ESig::None,
         {},
         {},
         "",
         CSyncEngine::kDone,
         2,
         "Synchronization was successful"},
        {"signature removed",
         ESig::None,
         {},
         {},
         keys.primaryText,
         CSyncEngine::kCatalogueMissing,
         0,
         "The catalogue is not signed"},
        {"signed by another key",
         ESig::Stranger,
         {},
         {},
         keys.primaryText,
         CSyncEngine::kCatalogueMissing,
         0,
         "not signed by a trusted key, or was altered"},
        {"catalogue altered after signing",
         ESig::Primary,
         [](std::string& text) { text.replace(text.find("Crc1="), 5, "Crc1=0"); },
         {},
         keys.primaryText,
         CSyncEngine::kCatalogueMissing,
         0,
         "not signed by a trusted key, or was altered"},
        {"copies altered behind the primary",
         ESig::Primary,
         {},
         [&tree] {
             tree.Put(tree.WebFile("Db1", "a.dbf"), "evil");
             tree.Put(tree.WebFile("Db1", "b.dbf"), std::string(3000, 'e'));
             RunAndWait("gzip -f " + tree.Path(tree.WebFile("Db1", "b.dbf")));
         },
         keys.primaryText,
         CSyncEngine::kDone,
         0,
         "SHA-256 after download is not the primary's for file a.dbf"},
    };
    for (const auto& c : cases) {
        tree.Put("drive/db1/a.dbf", "old a");
        tree.Put("drive/db1/b.dbf", "old b");
        const std::string newA = "new a";
        const std::string newB(3000, 'b');
        const std::string crcA = tree.Publish("Db1", "a.dbf", newA);
        const std::string crcB = tree.Publish("Db1", "b.dbf", newB);
        ASSERT_EQ(RunAndWait("gzip -f " + tree.Path(tree.WebFile("Db1", "b.dbf"))), 0);
        std::string shaA;
        std::string shaB;
        ASSERT_EQ(CFileSha256::Compute(tree.Path(tree.WebFile("Db1", "a.dbf")), shaA), 0);
        ASSERT_EQ(CFileSha256::Compute(tree.Path(tree.WebFile("Db1", "b.dbf.gz")), shaB), 0);
        std::string catalogue =
            "[Setup]\nLastSync=65A0B1C2\nFormat=2\n[Db1]\nFile1=a.dbf\nCrc1=" + crcA +
            "\nSha1=" + shaA + "\nFile2=b.dbf\nCrc2=" + crcB + "\nZipped2=1\nSha2=" + shaB +
            "\n[End]\nLastSync=65A0B1C2\n";
        const std::string signature = CCatalogueSignature::Sign(
            catalogue, c.signature == ESig::Stranger ? keys.stranger : keys.primary);
        if (c.alterCatalogue) {
            c.alterCatalogue(catalogue);
        }
        tree.Catalogue(catalogue);
        std::filesystem::remove(tree.Path("web/syncdata/zezodi.txt.sig"));
        if (c.signature != ESig::None) {
            tree.Put("web/syncdata/zezodi.txt.sig", signature);
        }
        if (c.alterCopies) {
            c.alterCopies();
        }
        tree.WriteIni("PrimaryPublicKey", c.listed);

        CRecordingSinks sinks;
        SSecondarySettings settings = CSecondaryConfig{sinks}.Normalise();
        CSyncEngine engine{settings, sinks, sinks};
        engine.SetRowPause(std::chrono::milliseconds{0});
        engine.SetRetryPause(std::chrono::milliseconds{1});
        EXPECT_EQ(engine.SyncRun(CSyncEngine::kModeForced), c.result) << c.name;
        EXPECT_EQ(engine.FilesSynchronized(), c.synchronized) << c.name;
        const bool applied = c.synchronized == 2;
        EXPECT_EQ(tree.Get("drive/db1/a.dbf"), applied ? newA : "old a") << c.name;
        EXPECT_EQ(tree.Get("drive/db1/b.dbf"), applied ? newB : "old b") << c.name;
        bool said = false;
        for (const auto& line : sinks.lines) {
            said = said || line.text.find(c.line) != std::string::npos;
        }
        EXPECT_TRUE(said) << c.name << ": " << c.line;
        if (c.result == CSyncEngine::kCatalogueMissing) {
            EXPECT_EQ(CProfileStore::ReadText("Config", "LastPrimSync", "", 40, "zezodi.ini"), "")
                << c.name;
        }
    }
}

} // namespace
