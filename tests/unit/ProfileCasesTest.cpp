#include "ProfileTempDir.h"
#include "core/ProfileStore.h"

#include <cstddef>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// One read of ini-cases.tsv: observed results of the Windows profile read functions.
struct SCase
{
    std::size_t line = 0;
    std::string name;
    std::string content;
    bool noFile = false;
    std::string op;
    std::string section;
    std::string key;
    std::string defaultText;
    std::string size;
    std::string expectedReturn;
    std::string expectedText;
};

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    throw std::runtime_error(std::string("bad hex digit ") + c);
}

std::string Unescape(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char kind = text[++i];
        if (kind == 'r')
            out += '\r';
        else if (kind == 'n')
            out += '\n';
        else if (kind == 't')
            out += '\t';
        else if (kind == '\\')
            out += '\\';
        else if (kind == 'x' && i + 2 < text.size()) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else
            throw std::runtime_error("bad escape in " + text);
    }
    return out;
}

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

std::vector<SCase> LoadCases()
{
    std::ifstream in(ZEZODI_TEST_DATA_DIR "/ini-cases.tsv", std::ios::binary);
    std::vector<SCase> cases;
    std::string line;
    for (std::size_t number = 1; std::getline(in, line); ++number) {
        if (line.empty() || line[0] == '#')
            continue;
        const auto fields = Fields(line);
        if (fields.size() != 9)
            throw std::runtime_error("ini-cases.tsv line " + std::to_string(number) +
                                     ": 9 fields expected");
        SCase c;
        c.line = number;
        c.name = fields[0];
        c.noFile = fields[1] == "<NOFILE>";
        c.content = c.noFile ? std::string() : Unescape(fields[1]);
        c.op = fields[2];
        c.section = Unescape(fields[3]);
        c.key = Unescape(fields[4]);
        c.defaultText = Unescape(fields[5]);
        c.size = fields[6];
        c.expectedReturn = fields[7];
        c.expectedText = Unescape(fields[8]);
        cases.push_back(c);
    }
    return cases;
}

class ProfileCasesTest : public ::testing::TestWithParam<SCase>
{};

TEST_P(ProfileCasesTest, ReadGivesObservedWindowsResult)
{
    const SCase& c = GetParam();
    CProfileTempDir dir;
    const std::string file = dir.File("case.ini");
    if (!c.noFile)
        CProfileTempDir::Put(file, c.content);

    if (c.op == "gets") {
        const std::string text =
            CProfileStore::ReadText(c.section, c.key, c.defaultText, std::stoul(c.size), file);
        EXPECT_EQ(text, c.expectedText);
        EXPECT_EQ(text.size(), std::stoul(c.expectedReturn));
    } else {
        ASSERT_EQ(c.op, "geti");
        EXPECT_EQ(CProfileStore::ReadInt(c.section, c.key, std::stoi(c.defaultText), file),
                  std::stoi(c.expectedReturn));
    }
}

TEST(ProfileCasesFile, HoldsEveryCase)
{
    EXPECT_GE(LoadCases().size(), 60u);
}

INSTANTIATE_TEST_SUITE_P(IniCases, ProfileCasesTest, ::testing::ValuesIn(LoadCases()),
                         [](const ::testing::TestParamInfo<SCase>& info) {
                             return info.param.name + "_Line" + std::to_string(info.param.line);
                         });

} // namespace
