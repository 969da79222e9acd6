#pragma once

#include <string>

// Prometheus's promtool, which scripts/install-deps.sh takes out of Debian's prometheus package
// (without the server), to check the metrics files the program writes.
class CPromtool
{
public:
    // promtool found in PATH; empty when it is not installed.
    static std::string Path();

    // Runs `promtool check metrics` on the file (bounded); true when it exits 0. `output`
    // receives what it said, which names every problem found.
    static bool CheckMetrics(const std::string& file, std::string& output);
};
