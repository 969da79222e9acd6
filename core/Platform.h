#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Where the places of a Windows installation live on this machine: the Windows directory that
// holds every bare-named INI file, the registry stand-in, the installation directory and the
// drive below which the shared data directories hang, and this computer's name.
class CPlatform
{
public:
    // $ZEZODI_WINDIR, else /etc/orvenda.
    static std::string WindowsDirectory();

    // A bare file name ("zezodi.ini") resolves in the Windows directory; a name holding a '/'
    // is used as given.
    static std::string IniPath(std::string_view file);

    // A value of registry.ini in the Windows directory: section = key path exactly as on
    // Windows, key = value name, "@" = the key's default value. At most 79 characters are kept
    // (an 80-byte read). Empty when absent.
    static std::string ReadRegistryValue(std::string_view keyPath, std::string_view valueName);

    // The alarm software's installation directory (registry value Directory of
    // SOFTWARE\Orvenda\Orvenda Tool), else /srv/orvenda/jxt. Never cut: a longer value than
    // kInstallDirectoryKept is the caller's to report, a cut one would name another directory.
    static std::string InstallDirectory();
    static constexpr std::size_t kInstallDirectoryKept = 79;

    // The "drive" of an installation directory: its parent directory. db1/, dbv1/,
    // jx_web/htdocs/, jxt/syncdata, jxt/download and apache/htdocs hang below it.
    static std::string DriveDirectory(std::string_view installDir);

    // gethostname, cut to 79 characters.
    static std::string ComputerName();

    // Directory and name with exactly one '/' between them.
    static std::string JoinPath(std::string_view dir, std::string_view name);
};
