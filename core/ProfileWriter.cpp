#include "core/ProfileWriter.h"

#include "core/Platform.h"
#include "core/ProfileFile.h"

CProfileWriter::CProfileWriter(std::string path) : m_path(CPlatform::IniPath(path))
{
    std::string bytes;
    CProfileFile::SStamp stamp;
    const auto loaded = CProfileFile::Load(m_path, bytes, stamp);
    m_unreadable = loaded == CProfileFile::EResult::Failed;
    if (loaded == CProfileFile::EResult::Present) {
        m_document = CProfileDocument(std::move(bytes));
    }
}

bool CProfileWriter::WriteText(std::string_view section, std::string_view key,
                               std::string_view value)
{
    return m_document.WriteText(section, key, value);
}

std::string CProfileWriter::ReadText(std::string_view section, std::string_view key,
                                     std::string_view defaultText, std::size_t size) const
{
    return m_document.ReadText(section, key, defaultText, size);
}

int CProfileWriter::ReadInt(std::string_view section, std::string_view key, int defaultValue) const
{
    return m_document.ReadInt(section, key, defaultValue);
}

bool CProfileWriter::Flush()
{
    return !m_unreadable && CProfileFile::Replace(m_path, m_document.Serialise());
}
