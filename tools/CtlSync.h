#pragma once

#include "core/MessageSink.h"
#include "core/ReportSink.h"
#include "secondary/LocalFilesSink.h"
#include "tools/ProgressLine.h"

#include <ostream>
#include <string>

// zezodictl sync: the secondary's start-up settlement of zezodi.ini and one synchronisation
// run, as "Synchronize now" does it, with report lines and local-file rows on the output,
// message boxes and the progress line on the error stream. A dry run works on a copy of the
// settings in a temporary place and lists what a run would do, changing nothing.
class CCtlSync : public CReportSink, public CLocalFilesSink, public CMessageSink
{
public:
    // terminal: the error stream is a terminal (the progress line is rewritten in place).
    CCtlSync(std::ostream& out, std::ostream& err, bool terminal = false);

    // 0 when every file is in place, 3 when the catalogue had already been applied, 1 when
    // the catalogue could not be obtained or any file failed. force runs even when applied.
    int Run(bool force);

    // The same exit status for what a run would find; lists each catalogue file with what a
    // run would do with it (download, replace, keep aside, leave).
    int DryRun(bool force);

    void AddReportLine(const std::string& text, int image) override;
    void ClearFiles() override;
    void AddFileRow(const SRow& columns, int image) override;
    void SetLastSync(const std::string& text) override;
    void SetBusy(bool busy) override;
    void ShowErrorBox(const std::string& text, const std::string& caption) override;
    // Nobody answers a command line: the answer is always No.
    bool AskYesNo(const std::string& text, const std::string& caption, bool defaultNo) override;

    static constexpr int kExitAlreadySynchronized = 3;

private:
    int DryRunIn(const std::string& tempDir, bool force);

    std::ostream& m_out;
    std::ostream& m_err;
    CProgressLine m_progress;
    bool m_dryRun = false;
};
