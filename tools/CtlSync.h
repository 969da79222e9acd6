#pragma once

#include "core/MessageSink.h"
#include "core/ReportSink.h"
#include "secondary/LocalFilesSink.h"

#include <ostream>
#include <string>

// zezodictl sync: the secondary's start-up settlement of zezodi.ini and one synchronisation
// run, as "Synchronize now" does it, with report lines and local-file rows on the output and
// message boxes on the error stream.
class CCtlSync : public CReportSink, public CLocalFilesSink, public CMessageSink
{
public:
    CCtlSync(std::ostream& out, std::ostream& err);

    // 0 when every file is in place, 3 when the catalogue had already been applied, 1 when
    // the catalogue could not be obtained or any file failed. force runs even when applied.
    int Run(bool force);

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
    std::ostream& m_out;
    std::ostream& m_err;
};
