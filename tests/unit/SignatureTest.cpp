#include "core/CatalogueSignature.h"
#include "core/FileSha256.h"
#include "core/ProfileStore.h"
#include "core/SigningKey.h"
#include "tests/unit/ProfileTempDir.h"

#include <cerrno>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <gtest/gtest.h>

namespace {

CSigningKey::SecretKey MadeKey(const CProfileTempDir& dir, const char* name)
{
    CSigningKey::SecretKey secret{};
    EXPECT_EQ(CSigningKey::Generate(dir.File(name)), "");
    EXPECT_EQ(CSigningKey::Load(dir.File(name), secret), "");
    return secret;
}

std::vector<CSigningKey::PublicKey> Keys(const std::string& text)
{
    std::vector<CSigningKey::PublicKey> keys;
    EXPECT_TRUE(CSigningKey::ParsePublicKeys(text, keys)) << text;
    return keys;
}

TEST(SignatureTest, KeyFile_OwnerOnlyNeverOverwrittenAndRefusedWhenOthersMayRead)
{
    CProfileTempDir dir;
    const CSigningKey::SecretKey secret = MadeKey(dir, "zezodi.key");
    struct stat info
    {};
    ASSERT_EQ(stat(dir.File("zezodi.key").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const std::string before = CProfileTempDir::Get(dir.File("zezodi.key"));
    EXPECT_NE(CSigningKey::Generate(dir.File("zezodi.key")).find("exists already"),
              std::string::npos);
    EXPECT_EQ(CProfileTempDir::Get(dir.File("zezodi.key")), before);
    EXPECT_EQ(CSigningKey::PublicText(secret).size(), 44u);

    ASSERT_EQ(chmod(dir.File("zezodi.key").c_str(), 0640), 0);
    CSigningKey::SecretKey again{};
    EXPECT_NE(CSigningKey::Load(dir.File("zezodi.key"), again).find("chmod 600"),
              std::string::npos);
    CProfileTempDir::Put(dir.File("garbage.key"), "zezodi-ed25519-secret:abc\n");
    ASSERT_EQ(chmod(dir.File("garbage.key").c_str(), 0600), 0);
    EXPECT_NE(CSigningKey::Load(dir.File("garbage.key"), again).find("holds no signing key"),
              std::string::npos);
}

// A catalogue verifies against its signer's key, also while an old and a new key are listed,
// and against nothing else.
TEST(SignatureTest, Verify_OnlyTheSignersBytesByAListedKey)
{
    CProfileTempDir dir;
    const CSigningKey::SecretKey oldKey = MadeKey(dir, "old.key");
    const CSigningKey::SecretKey newKey = MadeKey(dir, "new.key");
    const std::string oldText = CSigningKey::PublicText(oldKey);
    const std::string newText = CSigningKey::PublicText(newKey);
    const std::string catalogue = "[Setup]\nLastSync=6B19636C\n[Db1]\nFile1=a.dbf\nCrc1=1\n";
    const std::string signature = CCatalogueSignature::Sign(catalogue, newKey);
    using V = CCatalogueSignature::EVerdict;
    const struct
    {
        const char* name;
        std::string data;
        std::string signature;
        std::string keys;
        V verdict;
    } cases[] = {
        {"signed by the listed key", catalogue, signature, newText, V::Valid},
        {"old and new key listed", catalogue, signature, oldText + ", " + newText, V::Valid},
        {"another key", catalogue, signature, oldText, V::NotByTheseKeys},
        {"altered catalogue", catalogue + "File2=b.dbf\n", signature, newText, V::NotByTheseKeys},
        {"no signature", catalogue, "", newText, V::Malformed},
        {"cut signature", catalogue, signature.substr(0, 40), newText, V::Malformed},
        {"no key listed", catalogue, signature, "", V::NotByTheseKeys},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CCatalogueSignature::Verify(c.data, c.signature, Keys(c.keys)), c.verdict)
            << c.name;
    }
    std::vector<CSigningKey::PublicKey> keys;
    EXPECT_FALSE(CSigningKey::ParsePublicKeys(newText + " not-a-key", keys));
}

TEST(SignatureTest, FileSha256_OfTheBytesOfARegularFileOnly)
{
    CProfileTempDir dir;
    CProfileTempDir::Put(dir.File("abc"), "abc");
    std::string hex;
    ASSERT_EQ(CFileSha256::Compute(dir.File("abc"), hex), 0);
    EXPECT_EQ(hex, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    CProfileTempDir::Put(dir.File("empty"), "");
    ASSERT_EQ(CFileSha256::Compute(dir.File("empty"), hex), 0);
    EXPECT_EQ(hex, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
    EXPECT_EQ(CFileSha256::Compute(dir.File("fifo"), hex), EINVAL);
    EXPECT_EQ(CFileSha256::Compute(dir.File("missing"), hex), ENOENT);
}

// What a signing primary adds (Setup/Format, Sha%d, the section End) changes nothing that the
// Windows peers' profile functions read from a catalogue.
TEST(SignatureTest, SignedCatalogue_ReadsAlikeToTheDesignsReaders)
{
    CProfileTempDir dir;
    const std::string plain = "[Setup]\nLastSync=6B19636C\n[Db1]\nFile1=a.dbf\nCrc1=1f\n"
                              "File2=b.dbf\nCrc2=2e\nZipped2=1\n[IniFiles]\nFile1=jx.ini\n"
                              "Crc1=3d\n";
    const std::string sha(64, 'a');
    const std::string signedText = "[Setup]\nLastSync=6B19636C\nFormat=2\n[Db1]\nFile1=a.dbf\n"
                                   "Crc1=1f\nSha1=" +
                                   sha +
                                   "\nFile2=b.dbf\nCrc2=2e\nZipped2=1\n"
                                   "Sha2=" +
                                   sha + "\n[IniFiles]\nFile1=jx.ini\nCrc1=3d\nSha1=" + sha +
                                   "\n[End]\nLastSync=6B19636C\n";
    CProfileTempDir::Put(dir.File("plain.txt"), plain);
    CProfileTempDir::Put(dir.File("signed.txt"), signedText);
    const std::pair<const char*, const char*> keys[] = {
        {"Setup", "LastSync"}, {"Db1", "File1"},     {"Db1", "Crc1"},       {"Db1", "Zipped1"},
        {"Db1", "File2"},      {"Db1", "Crc2"},      {"Db1", "Zipped2"},    {"Db1", "File3"},
        {"IniFiles", "File1"}, {"IniFiles", "Crc1"}, {"IniFiles", "File2"}, {"Dbv1", "File1"},
    };
    for (const auto& [section, key] : keys) {
        EXPECT_EQ(CProfileStore::ReadText(section, key, "-", 80, dir.File("signed.txt")),
                  CProfileStore::ReadText(section, key, "-", 80, dir.File("plain.txt")))
            << section << "/" << key;
        EXPECT_EQ(CProfileStore::ReadInt(section, key, -7, dir.File("signed.txt")),
                  CProfileStore::ReadInt(section, key, -7, dir.File("plain.txt")))
            << section << "/" << key;
    }
}

} // namespace
