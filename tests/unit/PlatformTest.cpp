#include "core/Platform.h"

#include "core/InstanceLock.h"
#include "tests/unit/ProfileTempDir.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <thread>
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

// The role's lock lies beside zezodi.ini, open to those who may write that file only, and
// is never a FIFO or a link that would block the claim or lock another file.
TEST_F(PlatformTest, InstanceLock_BesideTheSettingsForThoseWhoMayChangeThem)
{
    const fs::path lockPath = m_dir / "zezodi-secondary.lock";
    const struct
    {
        const char* name;
        mode_t iniMode;
        mode_t lockMode;
    } modes[] = {{"owner only", 0644, 0600}, {"group-writable settings", 0664, 0660}};
    for (const auto& c : modes) {
        std::ofstream(m_dir / "zezodi.ini") << "[Config]\n";
        ASSERT_EQ(chmod((m_dir / "zezodi.ini").c_str(), c.iniMode), 0);
        fs::remove(lockPath);
        CInstanceLock lock{CInstanceLock::RoleName(false)};
        EXPECT_EQ(lock.Path(), lockPath.string());
        ASSERT_EQ(lock.TryClaim("zezodictl sync"), CInstanceLock::EResult::Claimed) << c.name;
        struct stat info
        {};
        ASSERT_EQ(stat(lockPath.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, c.lockMode) << c.name;
        CInstanceLock other{CInstanceLock::RoleName(false)};
        EXPECT_EQ(other.TryClaim("service"), CInstanceLock::EResult::Held) << c.name;
        EXPECT_EQ(other.Holder(), "zezodictl sync");
    }

    // A claim that waits gets the lock once the holder lets go.
    CInstanceLock holder{CInstanceLock::RoleName(true)};
    ASSERT_EQ(holder.TryClaim("window"), CInstanceLock::EResult::Claimed);
    std::thread release{[&holder] {
        std::this_thread::sleep_for(std::chrono::milliseconds{100});
        holder.Release();
    }};
    CInstanceLock waiter{CInstanceLock::RoleName(true)};
    EXPECT_EQ(waiter.Claim("zezodictl prepare"), CInstanceLock::EResult::Claimed);
    release.join();

    fs::remove(lockPath);
    ASSERT_EQ(mkfifo(lockPath.c_str(), 0600), 0);
    CInstanceLock onFifo{CInstanceLock::RoleName(false)};
    EXPECT_EQ(onFifo.TryClaim("service"), CInstanceLock::EResult::Unavailable);
    fs::remove(lockPath);
    std::ofstream(m_dir / "target") << "kept";
    fs::create_symlink(m_dir / "target", lockPath);
    CInstanceLock onLink{CInstanceLock::RoleName(false)};
    EXPECT_EQ(onLink.TryClaim("service"), CInstanceLock::EResult::Unavailable);
    std::ifstream target{m_dir / "target"};
    const std::string kept{std::istreambuf_iterator<char>{target}, {}};
    EXPECT_EQ(kept, "kept");
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
