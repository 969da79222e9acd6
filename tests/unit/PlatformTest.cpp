#include "core/Platform.h"

#include "tests/unit/ProfileTempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// A temporary Windows directory that ZEZODI_WINDIR points at for one test.
class PlatformTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (const char* old = std::getenv("ZEZODI_WINDIR"))
            m_oldWindir = old;
        setenv("ZEZODI_WINDIR", m_dir.c_str(), 1);
    }

    void TearDown() override
    {
        if (m_oldWindir)
            setenv("ZEZODI_WINDIR", m_oldWindir->c_str(), 1);
        else
            unsetenv("ZEZODI_WINDIR");
    }

    void WriteRegistry(const std::string& content)
    {
        std::ofstream(m_dir / "registry.ini", std::ios::binary) << content;
    }

    CProfileTempDir m_temp;
    const fs::path m_dir{m_temp.Path()};
    std::optional<std::string> m_oldWindir;
};

TEST_F(PlatformTest, WindowsDirectory_FollowsEnvironmentElseDefault)
{
    EXPECT_EQ(CPlatform::WindowsDirectory(), m_dir.string());
    unsetenv("ZEZODI_WINDIR");
    EXPECT_EQ(CPlatform::WindowsDirectory(), "/etc/orvenda");
    setenv("ZEZODI_WINDIR", "", 1);
    EXPECT_EQ(CPlatform::WindowsDirectory(), "/etc/orvenda");
}

TEST_F(PlatformTest, IniPath_ResolvesBareNamesInWindowsDirectoryOnly)
{
    EXPECT_EQ(CPlatform::IniPath("zezodi.ini"), (m_dir / "zezodi.ini").string());
    EXPECT_EQ(CPlatform::IniPath("/srv/download/zezodi.txt"), "/srv/download/zezodi.txt");
    EXPECT_EQ(CPlatform::IniPath("sub/x.ini"), "sub/x.ini");
}

TEST_F(PlatformTest, ReadRegistryValue_FindsKeyPathsWithBackslashesAndBlanks)
{
    WriteRegistry("[SOFTWARE\\Orvenda\\Orvenda Tool]\n"
                  "Directory=/opt/alarm/jxt\n"
                  "[SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wzzip.exe]\n"
                  "@=/usr/local/bin/zezodi-zip\n"
                  "Path=/usr/local/bin\n");
    EXPECT_EQ(CPlatform::ReadRegistryValue("SOFTWARE\\Orvenda\\Orvenda Tool", "Directory"),
              "/opt/alarm/jxt");
    EXPECT_EQ(CPlatform::ReadRegistryValue("software\\orvenda\\orvenda tool", "directory"),
              "/opt/alarm/jxt");
    EXPECT_EQ(CPlatform::ReadRegistryValue(
                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wzzip.exe", "@"),
              "/usr/local/bin/zezodi-zip");
    EXPECT_EQ(CPlatform::ReadRegistryValue(
                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wzunzip.exe", "@"),
              "");
    EXPECT_EQ(CPlatform::ReadRegistryValue("SOFTWARE\\Orvenda", "Directory"), "");
}

TEST_F(PlatformTest, ReadRegistryValue_KeepsAtMost79Characters)
{
    const std::string longValue = "/" + std::string(99, 'a');
    WriteRegistry("[SOFTWARE\\Orvenda\\Orvenda Tool]\nDirectory=" + longValue + "\n");
    EXPECT_EQ(CPlatform::ReadRegistryValue("SOFTWARE\\Orvenda\\Orvenda Tool", "Directory"),
              longValue.substr(0, 79));
}

TEST_F(PlatformTest, ReadRegistryValue_MissingFileGivesEmpty)
{
    EXPECT_EQ(CPlatform::ReadRegistryValue("SOFTWARE\\Orvenda\\Orvenda Tool", "Directory"), "");
}

TEST_F(PlatformTest, InstallDirectory_ComesFromRegistryElseFallback)
{
    EXPECT_EQ(CPlatform::InstallDirectory(), "/srv/orvenda/jxt");
    WriteRegistry("[SOFTWARE\\Orvenda\\Orvenda Tool]\nDirectory=\n");
    EXPECT_EQ(CPlatform::InstallDirectory(), "/srv/orvenda/jxt");
    WriteRegistry("[SOFTWARE\\Orvenda\\Orvenda Tool]\nDirectory = /data/Alarm/JXT \n");
    EXPECT_EQ(CPlatform::InstallDirectory(), "/data/Alarm/JXT");
}

TEST(PlatformPaths, DriveDirectory_IsTheParentOfTheInstallation)
{
    EXPECT_EQ(CPlatform::DriveDirectory("/srv/orvenda/jxt"), "/srv/orvenda");
    EXPECT_EQ(CPlatform::DriveDirectory("/srv/orvenda/jxt/"), "/srv/orvenda");
    EXPECT_EQ(CPlatform::DriveDirectory("/srv//jxt"), "/srv");
    EXPECT_EQ(CPlatform::DriveDirectory("/jxt"), "/");
    EXPECT_EQ(CPlatform::DriveDirectory("/"), "/");
    EXPECT_EQ(CPlatform::DriveDirectory("jxt"), ".");
    EXPECT_EQ(CPlatform::DriveDirectory("alarm/jxt"), "alarm");
}

TEST(PlatformPaths, JoinPath_PutsExactlyOneSlashBetween)
{
    EXPECT_EQ(CPlatform::JoinPath("/srv/web", "zezodi.txt"), "/srv/web/zezodi.txt");
    EXPECT_EQ(CPlatform::JoinPath("/srv/web/", "zezodi.txt"), "/srv/web/zezodi.txt");
    EXPECT_EQ(CPlatform::JoinPath("/srv/web//", "/zezodi.txt"), "/srv/web/zezodi.txt");
    EXPECT_EQ(CPlatform::JoinPath("/", "etc"), "/etc");
    EXPECT_EQ(CPlatform::JoinPath("download", "a b.dbf"), "download/a b.dbf");
    // An empty directory keeps the name relative instead of moving it to the root.
    EXPECT_EQ(CPlatform::JoinPath("", "zezodi.txt"), "zezodi.txt");
}

TEST(PlatformPaths, ComputerName_IsTheHostNameCutTo79)
{
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    const std::string name = CPlatform::ComputerName();
    EXPECT_FALSE(name.empty());
    EXPECT_LE(name.size(), 79u);
    EXPECT_EQ(name, std::string(host).substr(0, 79));
}

} // namespace
