#pragma once

#include "core/MessageSink.h"
#include "core/ReportSink.h"
#include "primary/FileListSink.h"
#include "tools/ProgressLine.h"

#include <ostream>
#include <string>

// zezodictl prepare: the primary's start-up settlement of zezodi.ini and one preparation run,
// as "Synchronize now" does it, with report lines (and on request file rows) on the output,
// message boxes and the progress line (files published, their size) on the error stream.
class CCtlPrepare : public CReportSink, public CFileListSink, public CMessageSink
{
public:
    // terminal: the error stream is a terminal (the progress line is rewritten in place).
    CCtlPrepare(std::ostream& out, std::ostream& err, bool showFiles, bool terminal = false);

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
    CProgressLine m_progress;
    int m_filesDone = 0;
    unsigned long long m_kilobytesDone = 0;
};
