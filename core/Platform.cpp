#include "core/Platform.h"

#include "core/ProfileStore.h"

#include <cstdlib>
#include <unistd.h>

namespace {

constexpr std::string_view kDefaultWindowsDirectory = "/etc/orvenda";
constexpr std::string_view kDefaultInstallDirectory = "/srv/orvenda/jxt";
constexpr std::string_view kRegistryFile = "registry.ini";
constexpr std::string_view kInstallKey = "SOFTWARE\\Orvenda\\Orvenda Tool";
// Registry reads take at most 80 bytes, the terminating zero included.
constexpr std::size_t kRegistryValueSize = 80;
constexpr std::size_t kComputerNameLength = 79;
constexpr std::size_t kWholeValue = 65536;

} // namespace

std::string CPlatform::WindowsDirectory()
{
    const char* value = std::getenv("ZEZODI_WINDIR");
    if (value == nullptr || *value == '\0')
        return std::string(kDefaultWindowsDirectory);
    return value;
}

std::string CPlatform::IniPath(std::string_view file)
{
    if (file.find('/') != std::string_view::npos)
        return std::string(file);
    return JoinPath(WindowsDirectory(), file);
}

std::string CPlatform::ReadRegistryValue(std::string_view keyPath, std::string_view valueName)
{
    return CProfileStore::ReadText(keyPath, valueName, "", kRegistryValueSize, kRegistryFile);
}

std::string CPlatform::InstallDirectory()
{
    std::string directory =
        CProfileStore::ReadText(kInstallKey, "Directory", "", kWholeValue, kRegistryFile);
    if (directory.empty())
        return std::string(kDefaultInstallDirectory);
    return directory;
}

std::string CPlatform::DriveDirectory(std::string_view installDir)
{
    std::string_view path = installDir;
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return ".";
    std::string_view parent = path.substr(0, slash);
    while (parent.size() > 1 && parent.back() == '/')
        parent.remove_suffix(1);
    if (parent.empty())
        return "/";
    return std::string(parent);
}

std::string CPlatform::ComputerName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    std::string result(name);
    if (result.size() > kComputerNameLength)
        result.resize(kComputerNameLength);
    return result;
}

std::string CPlatform::JoinPath(std::string_view dir, std::string_view name)
{
    // An empty directory leaves the name relative to the working directory, as the Windows
    // join ".\name" did; it must not turn into a name at the root.
    if (dir.empty())
        return std::string(name);
    while (!dir.empty() && dir.back() == '/')
        dir.remove_suffix(1);
    while (!name.empty() && name.front() == '/')
        name.remove_prefix(1);
    std::string path;
    path.reserve(dir.size() + 1 + name.size());
    path.append(dir);
    path.push_back('/');
    path.append(name);
    return path;
}
