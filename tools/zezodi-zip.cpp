// zezodi-zip ARCHIVE FILE: adds FILE without its directory to ARCHIVE, with the argument order
// of the WinZip command-line tool that ZipProg may name instead.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "Usage: zezodi-zip ARCHIVE FILE\n");
        return 2;
    }
    char zip[] = "zip";
    char options[] = "-qj";
    char* args[] = {zip, options, argv[1], argv[2], nullptr};
    execvp(zip, args);
    std::fprintf(stderr, "zezodi-zip: cannot run zip: %s\n", std::strerror(errno));
    return 127;
}
