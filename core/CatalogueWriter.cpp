#include "core/CatalogueWriter.h"

#include "core/CatalogueSections.h"
#include "core/ConfigKeys.h"
#include "core/FileOps.h"
#include "core/Platform.h"
#include "core/ProfileWriter.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <thread>
#include <unistd.h>

using ConfigKeys::NumberedKey;

CCatalogueWriter::CCatalogueWriter() = default;

CCatalogueWriter::~CCatalogueWriter() = default;

bool CCatalogueWriter::Begin(std::string_view webDir, std::string_view stamp)
{
    m_workingCopy.reset();
    m_entryCounts.clear();
    m_directoryCounts.clear();
    m_failed = false;
    m_webDir = webDir;
    if (m_webDir.empty()) {
        return false;
    }
    const std::string workingPath = CPlatform::JoinPath(m_webDir, ConfigKeys::kCatalogueWorkFile);
    if (unlink(workingPath.c_str()) != 0 && errno != ENOENT) {
        return false;
    }
    m_stamp = stamp;
    m_workingCopy = std::make_unique<CProfileWriter>(workingPath);
    m_failed = !m_workingCopy->WriteText(CatalogueSections::kSetup, ConfigKeys::kLastSync, stamp) ||
               !m_workingCopy->WriteText(CatalogueSections::kSetup, ConfigKeys::kFormat,
                                         ConfigKeys::kCatalogueFormat);
    return !m_failed;
}

void CCatalogueWriter::AddEntry(std::string_view section, std::string_view fileName,
                                std::string_view crcText, bool zipped, bool onlyNotExistent,
                                std::string_view sha256)
{
    if (!m_workingCopy) {
        m_failed = true;
        return;
    }
    const int n = NextNumber(m_entryCounts, section);
    Write(section, NumberedKey(ConfigKeys::kFile, n), fileName);
    Write(section, NumberedKey(ConfigKeys::kCrc, n), crcText);
    if (zipped) {
        Write(section, NumberedKey(ConfigKeys::kZipped, n), "1");
    }
    if (onlyNotExistent) {
        Write(section, NumberedKey(ConfigKeys::kOnlyNotExistent, n), "1");
    }
    if (!sha256.empty()) {
        Write(section, NumberedKey(ConfigKeys::kSha, n), sha256);
    }
}

void CCatalogueWriter::AddDirectory(std::string_view parentSection, std::string_view subSection)
{
    if (!m_workingCopy) {
        m_failed = true;
        return;
    }
    const int n = NextNumber(m_directoryCounts, parentSection);
    Write(parentSection, NumberedKey(ConfigKeys::kDir, n), subSection);
}

bool CCatalogueWriter::Commit()
{
    if (!m_workingCopy || m_failed) {
        return false;
    }
    // Written last, the end mark tells a reader that nothing was cut off after it.
    Write(CatalogueSections::kEnd, ConfigKeys::kLastSync, m_stamp);
    if (m_failed || !m_workingCopy->Flush()) {
        return false;
    }
    if (ReplaceCatalogue()) {
        return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return ReplaceCatalogue();
}

void CCatalogueWriter::Write(std::string_view section, std::string_view key, std::string_view value)
{
    if (!m_workingCopy->WriteText(section, key, value)) {
        m_failed = true;
    }
}

int CCatalogueWriter::NextNumber(std::map<std::string, int>& counters, std::string_view section)
{
    // Section names match without regard to case, so they share one numbering.
    std::string name{section};
    for (char& c : name) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return ++counters[name];
}

bool CCatalogueWriter::ReplaceCatalogue() const
{
    // The copy is written beside the catalogue and renamed over it.
    return CFileOps::CopyFileKeepTime(CPlatform::JoinPath(m_webDir, ConfigKeys::kCatalogueWorkFile),
                                      CPlatform::JoinPath(m_webDir, ConfigKeys::kCatalogueFile)) ==
           0;
}
