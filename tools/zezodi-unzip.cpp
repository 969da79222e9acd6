// zezodi-unzip ARCHIVE DIR: unpacks every member of ARCHIVE into DIR, replacing files there,
// with the argument order of the WinZip command-line tool that UnZipProg may name instead.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "Usage: zezodi-unzip ARCHIVE DIR\n");
        return 2;
    }
    char unzip[] = "unzip";
    char quiet[] = "-qo";
    char into[] = "-d";
    char* args[] = {unzip, quiet, argv[1], into, argv[2], nullptr};
    execvp(unzip, args);
    std::fprintf(stderr, "zezodi-unzip: cannot run unzip: %s\n", std::strerror(errno));
    return 127;
}
