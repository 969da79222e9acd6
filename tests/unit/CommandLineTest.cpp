#include "core/CommandLine.h"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

using Args = std::vector<std::string>;

TEST(CommandLineSplit, BlanksAndTabsSeparate_RunsOfThemCountOnce)
{
    EXPECT_EQ(CCommandLine::Split("wget  -q\thttp://host/a \t b"),
              (Args{"wget", "-q", "http://host/a", "b"}));
    EXPECT_EQ(CCommandLine::Split("  gzip -d x.gz  "), (Args{"gzip", "-d", "x.gz"}));
}

TEST(CommandLineSplit, EmptyOrBlankLine_GivesNoArguments)
{
    EXPECT_TRUE(CCommandLine::Split("").empty());
    EXPECT_TRUE(CCommandLine::Split(" \t ").empty());
}

TEST(CommandLineSplit, DoubleQuotesGroup_AndAreRemoved)
{
    EXPECT_EQ(CCommandLine::Split(R"(wget "http://h/voice files/a b.wav")"),
              (Args{"wget", "http://h/voice files/a b.wav"}));
    EXPECT_EQ(CCommandLine::Split(R"(a"b c"d e)"), (Args{"ab cd", "e"}));
    EXPECT_EQ(CCommandLine::Split(R"(x "" y)"), (Args{"x", "", "y"}));
    EXPECT_EQ(CCommandLine::Split(R"("unterminated group)"), (Args{"unterminated group"}));
}

TEST(CommandLineSplit, BackslashesAreLiteral_UnlessBeforeAQuote)
{
    EXPECT_EQ(CCommandLine::Split(R"(c:\dir\file d\\e\)"), (Args{R"(c:\dir\file)", R"(d\\e\)"}));
    // 2n backslashes before a quote: n of them, and the quote groups.
    EXPECT_EQ(CCommandLine::Split(R"(a\\"b c" d)"), (Args{R"(a\b c)", "d"}));
    EXPECT_EQ(CCommandLine::Split(R"("dir\\" next)"), (Args{R"(dir\)", "next"}));
    // 2n+1 backslashes before a quote: n of them and a literal quote.
    EXPECT_EQ(CCommandLine::Split(R"(a\"b c)"), (Args{R"(a"b)", "c"}));
    EXPECT_EQ(CCommandLine::Split(R"(a\\\"b c)"), (Args{R"(a\"b)", "c"}));
}

TEST(CommandLineSplit, TwoQuotesInsideAGroup_GiveALiteralQuote)
{
    EXPECT_EQ(CCommandLine::Split(R"("say ""hi"" now" x)"), (Args{R"(say "hi" now)", "x"}));
}

TEST(CommandLineSplit, ShellCharacters_AreOrdinary)
{
    EXPECT_EQ(CCommandLine::Split("echo $HOME;ls|wc `id` *"),
              (Args{"echo", "$HOME;ls|wc", "`id`", "*"}));
}

TEST(CommandLineQuote, PlainArgument_StaysAsItIs)
{
    EXPECT_EQ(CCommandLine::Quote("http://host/a.txt"), "http://host/a.txt");
    EXPECT_EQ(CCommandLine::Quote(R"(c:\dir\file)"), R"(c:\dir\file)");
}

TEST(CommandLineQuote, BlanksQuotesEmptyAndTrailingBackslash_AreQuoted)
{
    EXPECT_EQ(CCommandLine::Quote("a b"), R"("a b")");
    EXPECT_EQ(CCommandLine::Quote(""), R"("")");
    EXPECT_EQ(CCommandLine::Quote(R"(say "x")"), R"("say \"x\"")");
    EXPECT_EQ(CCommandLine::Quote(R"(dir\ x\)"), R"("dir\ x\\")");
    EXPECT_EQ(CCommandLine::Quote(R"(dir\)"), R"("dir\\")");
}

TEST(CommandLineQuote, QuotedArguments_SplitBackToThemselves)
{
    const Args samples{"",       " ",         "\t",         "a b",
                       "\"",     "\"\"",      "\\",         "\\\\",
                       "a\\",    "a\\\"b",    "a\\\\\"b c", "x\\ y\\",
                       "\\\"\\", "$HOME ; |", "`id`",       "name with #%?.wav"};
    for (const std::string& arg : samples) {
        EXPECT_EQ(CCommandLine::Split("prog " + CCommandLine::Quote(arg) + " end"),
                  (Args{"prog", arg, "end"}))
            << "argument [" << arg << "] quoted as [" << CCommandLine::Quote(arg) << "]";
    }

    std::mt19937 random{20240611};
    const std::string alphabet{"ab \t\"\\"};
    std::uniform_int_distribution<std::size_t> pick{0, alphabet.size() - 1};
    std::uniform_int_distribution<std::size_t> length{0, 12};
    for (int round = 0; round < 2000; ++round) {
        Args args(3);
        std::string line;
        for (std::string& arg : args) {
            for (std::size_t n = length(random); n > 0; --n) {
                arg += alphabet[pick(random)];
            }
            line += CCommandLine::Quote(arg) + " ";
        }
        ASSERT_EQ(CCommandLine::Split(line), args) << "line [" << line << "]";
    }
}

TEST(CommandLineQuote, QuotedParts_JoinIntoOneArgument)
{
    const std::string line = "wget " + CCommandLine::Quote("http://h/web dir") + "/" +
                             CCommandLine::Quote("db1\\") + "/" + CCommandLine::Quote("a b.wav");
    EXPECT_EQ(CCommandLine::Split(line), (Args{"wget", "http://h/web dir/db1\\/a b.wav"}));
}
