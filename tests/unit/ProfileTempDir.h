#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <unistd.h>

// A fresh directory below the system's temporary directory, removed with everything in it when
// the object goes; with byte-exact file helpers. The unit tests' fixtures keep their files here.
class CProfileTempDir
{
public:
    CProfileTempDir()
    {
        std::random_device random;
        m_path = std::filesystem::temp_directory_path() /
                 ("zezodi-test-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
        std::filesystem::create_directories(m_path);
    }
    ~CProfileTempDir() { std::filesystem::remove_all(m_path); }
    CProfileTempDir(const CProfileTempDir&) = delete;
    CProfileTempDir& operator=(const CProfileTempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string File(std::string_view name) const { return (m_path / name).string(); }

    static void Put(const std::string& path, std::string_view bytes)
    {
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    static std::string Get(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path m_path;
};
