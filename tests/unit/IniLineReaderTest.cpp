#include "secondary/IniLineReader.h"

#include "ProfileTempDir.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using SKeyLine = CIniLineReader::SKeyLine;

std::vector<SKeyLine> Lines(std::string_view bytes)
{
    CProfileTempDir dir;
    const std::string path = dir.File("test.ini");
    CProfileTempDir::Put(path, bytes);
    return CIniLineReader::ReadKeyLines(path);
}

std::vector<std::string> Texts(const std::vector<SKeyLine>& lines)
{
    std::vector<std::string> texts;
    for (const SKeyLine& line : lines) {
        texts.push_back("[" + line.section + "]<" + line.key + ">=<" + line.value + ">");
    }
    return texts;
}

using TextList = std::vector<std::string>;

} // namespace

TEST(IniLineReaderTest, ControlBytes_EndLinesButTabAndHighBytesDoNot)
{
    EXPECT_EQ(Texts(Lines(std::string("a=1\rb=2\x01"
                                      "c=3",
                                      11) +
                          std::string(1, '\0') + "d=\t4\t\ne=\xe4\x0e")),
              (TextList{"[]<a>=<1>", "[]<b>=<2>", "[]<c>=<3>", "[]<d>=<4>", "[]<e>=<\xe4\x0e>"}));
}

TEST(IniLineReaderTest, SectionHeader_IsTheLineWithoutFirstAndLastCharacter)
{
    EXPECT_EQ(Texts(Lines("[One]\na=1\n[Two] x\nb=2\n[]\nc=3\n[Open=1\n")),
              (TextList{"[One]<a>=<1>", "[Two] ]<b>=<2>", "[]<c>=<3>", "[]<[Open>=<1>"}));
}

TEST(IniLineReaderTest, CommentCharacters_SkipTheirLinesButSemicolonDoesNot)
{
    EXPECT_EQ(Texts(Lines("[s]\n'a=1\n/b=2\n#c=3\n;d=4\n e=5\n")),
              (TextList{"[s]<;d>=<4>", "[s]< e>=<5>"}));
}

TEST(IniLineReaderTest, KeyLines_SplitAtEqualsSignsLikeATokenizer)
{
    EXPECT_EQ(Texts(Lines("==lead=v\nk==v2\nk3=a=b\nnovalue=\nnovalue2===\nplain\n"
                          "key = spaced \t\nblank= \n")),
              (TextList{"[]<lead>=<v>", "[]<k>=<v2>", "[]<k3>=<a>", "[]<key >=<spaced>",
                        "[]<blank>=<>"}));
}

TEST(IniLineReaderTest, LastLineWithoutBreak_Counts)
{
    EXPECT_EQ(Texts(Lines("[s]\r\nk=v")), (TextList{"[s]<k>=<v>"}));
}

TEST(IniLineReaderTest, FullLine_EndsAtTheNextByteWhichIsDropped)
{
    const std::string full = "k=" + std::string(CIniLineReader::kMaxLine - 2, 'x');

    const std::vector<SKeyLine> lines = Lines(full + "\n" + "next=1\n" + full + "Zrest=2");

    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].value.size(), CIniLineReader::kMaxLine - 2);
    // The line break after a full line is the byte that ends it.
    EXPECT_EQ(lines[1].key, "next");
    EXPECT_EQ(lines[3].key, "rest");
}

TEST(IniLineReaderTest, MissingFile_GivesNoLines)
{
    EXPECT_TRUE(CIniLineReader::ReadKeyLines("/nonexistent/zezodi-test.ini").empty());
}
