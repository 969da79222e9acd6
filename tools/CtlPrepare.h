#pragma once

#include "core/MessageSink.h"
#include "core/ReportSink.h"
#include "primary/FileListSink.h"

#include <ostream>
#include <string>

// zezodictl prepare: the primary's start-up settlement of zezodi.ini and one preparation run,
// as "Synchronize now" does it, with report lines (and on request file rows) on the output and
// message boxes on the error stream.
class CCtlPrepare : public CReportSink, public CFileListSink, public CMessageSink
{
public:
    CCtlPrepare(std::ostream& out, std::ostream& err, bool showFiles);

    // The result of the run: 1 or -1.
    int Run();

    void AddReportLine(const std::string& text, int image) override;
    void ClearFiles() override;
    void AddFileRow(const CFileRow& row) override;
    void SetLastSync(const std::string& display) override;
    void SetBusy(bool busy) override;
    void ShowErrorBox(const std::string& text, const std::string& caption) override;
    // Nobody answers a command line: the answer is always No.
    bool AskYesNo(const std::string& text, const std::string& caption, bool defaultNo) override;

private:
    std::ostream& m_out;
    std::ostream& m_err;
    bool m_showFiles;
};
