#include "core/ProfileWriter.h"

#include "ProfileTempDir.h"
#include "core/ConfigKeys.h"
#include "core/ProfileStore.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace {

using ConfigKeys::NumberedKey;

TEST(ProfileWriterTest, Writes_ReachTheFileOnlyAtFlush)
{
    CProfileTempDir dir;
    const std::string file = dir.File("zezodi.tmp");
    CProfileWriter writer(file);
    ASSERT_TRUE(writer.WriteText("Setup", "LastSync", "5F5E1000"));
    for (int n = 1; n <= 3; ++n) {
        ASSERT_TRUE(
            writer.WriteText("Db1", NumberedKey(ConfigKeys::kFile, n), NumberedKey({"f"}, n)));
        ASSERT_TRUE(writer.WriteText("Db1", NumberedKey(ConfigKeys::kCrc, n), "0"));
    }
    EXPECT_EQ(writer.ReadText("db1", "file2", "", 80), "f2");
    EXPECT_EQ(writer.ReadInt("Db1", "Crc3", 7), 0);
    EXPECT_FALSE(std::filesystem::exists(file));

    ASSERT_TRUE(writer.Flush());
    EXPECT_EQ(CProfileTempDir::Get(file), "[Setup]\nLastSync=5F5E1000\n[Db1]\nFile1=f1\nCrc1=0\n"
                                          "File2=f2\nCrc2=0\nFile3=f3\nCrc3=0\n");
    EXPECT_EQ(CProfileStore::ReadText("Db1", "File3", "", 80, file), "f3");
}

TEST(ProfileWriterTest, ExistingFile_KeepsEveryOtherByte)
{
    CProfileTempDir dir;
    const std::string file = dir.File("a.ini");
    CProfileTempDir::Put(file, "; note\r\n[A]\r\nx = 1 \r\n\r\n[B]\r\ny=2");
    CProfileWriter writer(file);
    ASSERT_TRUE(writer.WriteText("A", "x", "3"));
    ASSERT_TRUE(writer.WriteText("B", "z", "4"));
    ASSERT_TRUE(writer.Flush());
    EXPECT_EQ(CProfileTempDir::Get(file), "; note\r\n[A]\r\nx =3\r\n\r\n[B]\r\ny=2\r\nz=4\r\n");
}

TEST(ProfileWriterTest, FlushIntoMissingDirectory_ReturnsFalse)
{
    CProfileTempDir dir;
    CProfileWriter writer(dir.File("gone/zezodi.tmp"));
    ASSERT_TRUE(writer.WriteText("Setup", "LastSync", "1"));
    EXPECT_FALSE(writer.Flush());
}

TEST(ProfileWriterTest, UnreadableExistingFile_IsNotReplaced)
{
    CProfileTempDir dir;
    const std::string file = dir.File("zezodi.tmp");
    std::filesystem::create_directory(file);
    CProfileWriter writer(file);
    ASSERT_TRUE(writer.WriteText("Setup", "LastSync", "1"));
    EXPECT_FALSE(writer.Flush());
    EXPECT_TRUE(std::filesystem::is_directory(file));
}

TEST(ProfileWriterTest, RefusedName_ChangesNothing)
{
    CProfileTempDir dir;
    const std::string file = dir.File("zezodi.tmp");
    CProfileWriter writer(file);
    EXPECT_FALSE(writer.WriteText("htdocs\\a\nb", "File1", "x"));
    ASSERT_TRUE(writer.Flush());
    EXPECT_EQ(CProfileTempDir::Get(file), "");
}

} // namespace
