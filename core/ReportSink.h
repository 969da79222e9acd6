#pragma once

#include <string>

// Where a long operation puts its on-screen report rows: the report list of the main window,
// or a recorder in tests. Each row carries the current local time, the text and an image.
class CReportSink
{
public:
    static constexpr int ImageSuccess = 0;
    static constexpr int ImageError = 1;
    // Shown by the secondary's report list only.
    static constexpr int ImageNotice = 2;

    virtual ~CReportSink() = default;

    virtual void AddReportLine(const std::string& text, int image) = 0;
};
