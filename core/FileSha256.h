#pragma once

#include <string>

// The SHA-256 of a file's content as 64 lower-case hexadecimal digits: the strong checksum a
// signed catalogue carries for each published copy. Opens only a regular file, never blocking on
// a FIFO and never following a final symbolic link.
class CFileSha256
{
public:
    // 0 and the digest in hex, else the errno of the failure (EINVAL: no regular file).
    static int Compute(const std::string& path, std::string& hex);
};
