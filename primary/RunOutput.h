#pragma once

#include "core/StringTable.h"
#include "primary/FileListSink.h"

#include <map>
#include <string>
#include <string_view>

class CCatalogueWriter;
class CPackingQueue;
class CReportSink;

// What a preparation tells the log, the report list, the file list and the catalogue, in the
// order of the walk whatever the packers running meanwhile: every step goes through the
// packing queue. Also keeps the run's error flag and its closing line.
class CRunOutput
{
public:
    CRunOutput(CPackingQueue& queue, CReportSink& report, CFileListSink& files,
               CCatalogueWriter& catalogue, std::string logDir);

    // Clears the error flag and the counts of a run before.
    void Start();

    void WriteLog(std::string text);
    void AddReportLine(std::string text, int image);
    void AddFileRow(CFileRow row);
    void AddEntry(std::string_view section, std::string fileName, std::string crcText, bool zipped,
                  bool onlyIfAbsent, std::string sha256 = {});
    void AddDirectory(std::string_view section, std::string subsection);

    // The log line, the report line with the error image, and the error flag.
    void ReportError(const std::string& logText, const std::string& reportText);
    // The "ERROR: " row and the copy-failure texts.
    void ReportCopyFailure(const std::string& source, const std::string& target,
                           const std::string& shownName);
    // The "ERROR: " row and the texts of a name that is not published.
    void RefuseName(StringId report, std::string_view logFormat, const std::string& source,
                    const std::string& other, const std::string& shownName);
    // Once the walk is done: a section that Windows secondaries read only in part.
    void WarnLongSections();

    void SetFailed() { m_error = true; }

    // Ends the run with its closing report line: 1 when nothing failed, else -1.
    int Finish();
    // Ends a run stopped before its end with the lines that say so; -1.
    int FinishStopped();

private:
    CPackingQueue& m_queue;
    CReportSink& m_report;
    CFileListSink& m_files;
    CCatalogueWriter& m_catalogue;
    std::string m_logDir;
    bool m_error = false;
    // Entries written into each section of the catalogue.
    std::map<std::string, int> m_entryCounts;
};
