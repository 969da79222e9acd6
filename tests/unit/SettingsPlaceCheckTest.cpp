#include "core/SettingsPlaceCheck.h"

#include "ProfileTempDir.h"

#include <filesystem>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {
using EProblem = CSettingsPlaceCheck::EProblem;
namespace fs = std::filesystem;

struct SPlace
{
    const char* name;
    // Prepares the Windows directory; returns the directory the check is given.
    std::string (*prepare)(const CProfileTempDir& dir);
    EProblem problem;
    // The wrong path, relative to the temporary directory; empty for none.
    const char* wrongPath;
    // Permission bits do not stop root.
    bool needsPermissions;
};

const SPlace kPlaces[]{
    {"missing directory", [](const CProfileTempDir& dir) { return dir.File("gone"); },
     EProblem::WindowsDirectoryMissing, "gone", false},
    {"settings file is a directory",
     [](const CProfileTempDir& dir) {
         fs::create_directory(dir.Path() / "zezodi.ini");
         return dir.Path().string();
     },
     EProblem::IniFileIsDirectory, "zezodi.ini", false},
    {"no settings file yet", [](const CProfileTempDir& dir) { return dir.Path().string(); },
     EProblem::None, "", false},
    {"readable and writable file",
     [](const CProfileTempDir& dir) {
         CProfileTempDir::Put(dir.File("zezodi.ini"), "[Config]\n");
         return dir.Path().string();
     },
     EProblem::None, "", false},
    {"read-only file",
     [](const CProfileTempDir& dir) {
         CProfileTempDir::Put(dir.File("zezodi.ini"), "[Config]\n");
         fs::permissions(dir.File("zezodi.ini"), fs::perms::owner_read);
         return dir.Path().string();
     },
     EProblem::IniFileNotWritable, "zezodi.ini", true},
    {"unreadable file",
     [](const CProfileTempDir& dir) {
         CProfileTempDir::Put(dir.File("zezodi.ini"), "[Config]\n");
         fs::permissions(dir.File("zezodi.ini"), fs::perms::none);
         return dir.Path().string();
     },
     EProblem::IniFileNotReadable, "zezodi.ini", true},
};
} // namespace

TEST(SettingsPlaceCheckTest, NamesTheWrongPathOfEachPlace)
{
    for (const SPlace& place : kPlaces) {
        SCOPED_TRACE(place.name);
        if (place.needsPermissions && ::geteuid() == 0) {
            continue;
        }
        const CProfileTempDir dir;
        const std::string windowsDir{place.prepare(dir)};
        const CSettingsPlaceCheck::SResult result{
            CSettingsPlaceCheck::Check(windowsDir, "zezodi.ini")};
        EXPECT_EQ(result.problem, place.problem);
        EXPECT_EQ(result.path, *place.wrongPath ? dir.File(place.wrongPath) : std::string{});
    }
}
