#include "core/CommandLine.h"

#include <string>
#include <sys/stat.h>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

std::vector<std::string> CCommandLine::Split(std::string_view line)
{
    std::vector<std::string> args;
    std::size_t i = 0;
    for (;;) {
        while (i < line.size() && IsBlank(line[i])) {
            ++i;
        }
        if (i == line.size()) {
            return args;
        }
        std::string arg;
        bool grouped = false;
        while (i < line.size()) {
            std::size_t backslashes = 0;
            while (i < line.size() && line[i] == '\\') {
                ++backslashes;
                ++i;
            }
            if (i < line.size() && line[i] == '"') {
                arg.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    arg += '"';
                    ++i;
                } else if (grouped && i + 1 < line.size() && line[i + 1] == '"') {
                    arg += '"';
                    i += 2;
                } else {
                    grouped = !grouped;
                    ++i;
                }
                continue;
            }
            arg.append(backslashes, '\\');
            if (i == line.size() || (!grouped && IsBlank(line[i]))) {
                break;
            }
            arg += line[i];
            ++i;
        }
        args.push_back(std::move(arg));
    }
}

std::string CCommandLine::Quote(std::string_view arg)
{
    // A trailing backslash is quoted too: it would escape a quote that a caller appends.
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string_view::npos &&
        arg.back() != '\\') {
        return std::string{arg};
    }
    std::string quoted{"\""};
    std::size_t backslashes = 0;
    for (const char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            quoted.append(2 * backslashes + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        quoted += c;
        backslashes = 0;
    }
    // Backslashes before the closing quote must be doubled or they would escape it.
    quoted.append(2 * backslashes, '\\');
    quoted += '"';
    return quoted;
}

std::string CCommandLine::Program(std::string_view program)
{
    const std::string path{program};
    struct stat info
    {};
    if (!path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        return Quote(path);
    }
    return path;
}
