#include "primary/PreviousCatalogue.h"

#include "core/CatalogueSections.h"
#include "core/ConfigKeys.h"
#include "core/ProfileFile.h"
#include "core/TimeStamp.h"

namespace {

// Values are read whole: a cut value could match another name.
constexpr std::size_t kMaxValue = 1024 * 1024;
constexpr std::size_t kMaxCatalogue = 16 * 1024 * 1024;
constexpr std::size_t kMaxStamp = 40;

} // namespace

void CPreviousCatalogue::Load(const std::string& path)
{
    m_document.reset();
    m_sections.clear();
    std::string bytes;
    CProfileFile::SStamp stamp;
    if (CProfileFile::Load(path, bytes, stamp) == CProfileFile::EResult::Present &&
        !bytes.empty() && bytes.size() <= kMaxCatalogue) {
        m_document.emplace(std::move(bytes));
    }
}

std::optional<std::time_t> CPreviousCatalogue::Stamp() const
{
    if (!m_document) {
        return std::nullopt;
    }
    const std::string text =
        m_document->ReadText(CatalogueSections::kSetup, ConfigKeys::kLastSync, "", kMaxStamp);
    if (text.empty()) {
        return std::nullopt;
    }
    return CTimeStamp::Parse(text);
}

std::time_t CPreviousCatalogue::NextStamp(std::time_t now) const
{
    const std::optional<std::time_t> previous = Stamp();
    return previous && now <= *previous ? *previous + 1 : now;
}

const CPreviousCatalogue::SEntry* CPreviousCatalogue::Find(std::string_view section,
                                                           const std::string& name)
{
    auto [entries, added] = m_sections.try_emplace(std::string{section});
    if (added && m_document) {
        for (int n = 1;; ++n) {
            std::string file = m_document->ReadText(
                section, ConfigKeys::NumberedKey(ConfigKeys::kFile, n), "", kMaxValue);
            if (file.empty()) {
                break;
            }
            SEntry read{m_document->ReadText(section, ConfigKeys::NumberedKey(ConfigKeys::kCrc, n),
                                             "", kMaxValue),
                        m_document->ReadInt(
                            section, ConfigKeys::NumberedKey(ConfigKeys::kZipped, n), 0) != 0,
                        false};
            auto [it, fresh] = entries->second.try_emplace(std::move(file), read);
            if (!fresh &&
                (it->second.crcText != read.crcText || it->second.zipped != read.zipped)) {
                it->second.ambiguous = true;
            }
        }
    }
    const auto found = entries->second.find(name);
    return found == entries->second.end() ? nullptr : &found->second;
}
