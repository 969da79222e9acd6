#pragma once

#include "tests/support/NginxServer.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>

// The installations of `zezodictl serve` processes in one temporary tree: each role below
// root/<role> with its own Windows, temporary and installation directories; the primary's web
// directory served by a real nginx.
namespace ServeTree {

namespace fs = std::filesystem;

inline std::string Read(const fs::path& path)
{
    std::ifstream in{path, std::ios::binary};
    return {std::istreambuf_iterator<char>{in}, std::istreambuf_iterator<char>{}};
}

inline void Write(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream{path, std::ios::binary | std::ios::trunc} << text;
}

// A new directory of the test's own under the temporary directory, named after kind.
inline fs::path FreshRoot(const std::string& kind)
{
    std::random_device random;
    const fs::path root =
        fs::temp_directory_path() /
        ("zezodi-" + kind + "-" + std::to_string(getpid()) + "-" + std::to_string(random()));
    fs::create_directories(root);
    return root;
}

inline void MakeInstallation(const fs::path& root, const std::string& role)
{
    fs::create_directories(root / role / "tmp");
    fs::create_directories(root / role / "srv/jxt/log");
    fs::create_directories(root / role / "srv/db1");
    Write(root / role / "windows/registry.ini", "[SOFTWARE\\Orvenda\\Orvenda Tool]\nDirectory=" +
                                                    (root / role / "srv/jxt").string() + "\n");
}

// nginx for the primary's installation directory, not yet started.
inline std::unique_ptr<CNginxServer> PrimaryWeb(const fs::path& root)
{
    fs::create_directories(root / "primary/srv/jxt/syncdata");
    fs::create_directories(root / "nginx");
    return std::make_unique<CNginxServer>((root / "primary/srv/jxt").string(),
                                          (root / "nginx").string());
}

} // namespace ServeTree
