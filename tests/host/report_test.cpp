#include "report/mbstring.h"
#include "report/report.h"
#include "report/resource_strings.h"
#include "report/text_format.h"

#include "support/expected_strings.h"
#include "support/host_test.h"
#include "support/rc_string_table.h"

#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace {

class ReportTest : public HostTest {};

TEST_F(ReportTest, CodeZeroShowsOnlyTheMessage)
{
    ReportError("Something failed", 0, nullptr, 17, 0, 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].messageText, "Something failed");
    EXPECT_EQ(reports[0].fileLineText, "");
    EXPECT_EQ(reports[0].systemText, "");
    EXPECT_EQ(reports[0].showHelp, 0);
    EXPECT_EQ(sim.CallCount(SimCall::FormatMessageA), 0);
}

TEST_F(ReportTest, CodeLineNamesModuleAfterItsLastBackslash)
{
    ReportError("m", 2015, "C:\\src\\cms\\CMSSupport", 393, 0, 1);
    ReportError("m", 2015, "CMSSupport", 393, 0, 0);
    ReportError("m", 2015, "C:\\src\\", 393, 0, 0);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].fileLineText, "Error 2015 (CMSSupport 393)");
    EXPECT_EQ(reports[0].showHelp, 1);
    EXPECT_EQ(reports[1].fileLineText, "Error 2015 (CMSSupport 393)");
    EXPECT_EQ(reports[2].fileLineText, "Error 2015 ( 393)");
}

TEST_F(ReportTest, BackslashInsideADoubleByteCharacterIsNotASeparator)
{
    // 0x81 0x5C is one character of a double-byte code page; only the real backslash
    // before it separates the folder.
    sim.LeadBytes() = {0x81};
    ReportError("m", 5, "dir\\mod\x81\\x", 1, 0, 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].fileLineText, "Error 5 (mod\x81\\x 1)");
}

TEST_F(ReportTest, CodeShowsItsLowSixteenBitsButTheSystemTextUsesAllOfThem)
{
    sim.SystemTexts()[70000] = "seventy thousand\r\n";
    sim.SystemTexts()[4464] = "wrong lookup\r\n";
    ReportError("m", 70000, "M", 1, 0, 0);
    ReportError("m", 65538, "M", 1, 0, 0);
    ReportError("m", -2, "M", 1, 0, 0);
    ReportError("m", 0x8000, "M", 1, 0, 0);
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[0].fileLineText, "Error 4464 (M 1)");
    EXPECT_EQ(reports[0].systemText, "seventy thousand\r\n");
    EXPECT_EQ(reports[1].fileLineText, "Error 2 (M 1)");
    EXPECT_EQ(reports[2].fileLineText, "Error -2 (M 1)");
    EXPECT_EQ(reports[3].fileLineText, "Error -32768 (M 1)");
}

TEST_F(ReportTest, SystemTextIsKeptAsTheSystemGivesItAndReleased)
{
    ReportError("m", 2, "M", 1, 0, 0);
    ReportError("m", 424242, "M", 1, 0, 0);   // no text for this code
    sim.Fail(SimCall::FormatMessageA, 8);
    ReportError("m", 2, "M", 1, 0, 0);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].systemText, "The system cannot find the file specified.\r\n");
    EXPECT_EQ(reports[1].systemText, "");
    EXPECT_EQ(reports[1].fileLineText, "Error 31026 (M 1)");
    EXPECT_EQ(reports[2].systemText, "");
    EXPECT_EQ(sim.LocalBlocks(), 0);
}

TEST_F(ReportTest, OverlongModuleAndLineTextsAreCutCleanly)
{
    const std::string module(1000, 'm');
    ReportError("m", 5, module.c_str(), 2147483647, 0, 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].fileLineText.size(), 255u);
    EXPECT_EQ(reports[0].fileLineText.compare(0, 9, "Error 5 ("), 0);

    // A cut never leaves half of a double-byte character behind.
    sim.LeadBytes() = {0x82};
    std::string wide;
    for (int i = 0; i < 200; ++i)
        wide += "\x82\xA0";
    ReportError("m", 5, wide.c_str(), 1, 0, 0);
    const std::string& text = reports[1].fileLineText;
    EXPECT_LE(text.size(), 255u);
    EXPECT_EQ((text.size() - std::strlen("Error 5 (")) % 2, 0u);
}

TEST_F(ReportTest, LongMessagesArePassedWhole)
{
    const std::string message(3000, 'x');
    ReportError(message.c_str(), 0, nullptr, 0, 0, 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].messageText, message);
}

TEST_F(ReportTest, TranslatedFileLineFormatIsUsedWhenItTakesTheSameArguments)
{
    sim.Strings()[222] = "Fehler %hd (%s, Zeile %ld)";
    ReportError("m", 5, "M", 9, 0, 0);
    // A format that would read arguments we never pass falls back to the built-in one.
    sim.Strings()[222] = "Error %s %s %n";
    ReportError("m", 5, "M", 9, 0, 0);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].fileLineText, "Fehler 5 (M, Zeile 9)");
    EXPECT_EQ(reports[1].fileLineText, "Error 5 (M 9)");
}

TEST_F(ReportTest, ReportByIdUsesTheEntryOrNamesTheMissingId)
{
    ReportErrorById(505, 4306, "CMSSupportEx", 226, 0, 0);
    ReportErrorById(499, 0, nullptr, 0, 0, 0);
    sim.Strings()[498] = "";
    ReportErrorById(498, 0, nullptr, 0, 0, 0);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].messageText, "There are no monitor profiles in the system.");
    EXPECT_EQ(reports[0].fileLineText, "Error 4306 (CMSSupportEx 226)");
    EXPECT_EQ(reports[1].messageText, "String Resource 499");
    EXPECT_EQ(reports[2].messageText, "String Resource 498");
}

TEST_F(ReportTest, ReportByIdHasNoLengthLimit)
{
    sim.Strings()[600] = std::string(5000, 'L');
    ReportErrorById(600, 0, nullptr, 0, 0, 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].messageText.size(), 5000u);
}

TEST_F(ReportTest, ExitFlagEndsTheProcessWithStatusZeroAfterTheReport)
{
    EXPECT_EXIT(
        {
            ReportError("bye", 0, nullptr, 0, 1, 0);
            std::fprintf(stderr, "returned");
            std::_Exit(3);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(ReportTest, ResourceStringsShareOneBuffer)
{
    const char* first = GetResourceString(217);
    EXPECT_STREQ(first, "Please select another profile.");
    const char* second = GetResourceString(505);
    EXPECT_EQ(first, second);
    EXPECT_STREQ(first, "There are no monitor profiles in the system.");
}

TEST_F(ReportTest, ResourceStringFallsBackForMissingEmptyAndOverlongEntries)
{
    sim.Strings()[700] = "";
    sim.Strings()[701] = std::string(2047, 'a');
    sim.Strings()[702] = std::string(2048, 'b');
    EXPECT_STREQ(GetResourceString(499), "String Resource 499");
    EXPECT_STREQ(GetResourceString(700), "String Resource 700");
    EXPECT_EQ(std::strlen(GetResourceString(701)), 2047u);
    EXPECT_STREQ(GetResourceString(702), "String Resource 702");
}

// Every text the program asks for by id is in every resource script, each translation
// taking the same arguments in the same order and, but for the info page's folder,
// saying it in its own words. Ids 209-505 are fixed; others start at 1000; 1009 is never
// used.
TEST_F(ReportTest, EveryResourceScriptHoldsEveryStringWithTheSameArguments)
{
    std::set<uint32_t> ids;
    std::ifstream header(KESTRAVA_RESOURCE_H);
    const std::regex define(R"(^#define IDS_\w+ (\d+))");
    for (std::string line; std::getline(header, line);)
        if (std::smatch match; std::regex_search(line, match, define))
            ids.insert(static_cast<uint32_t>(std::stoul(match[1])));
    const auto idsOf = [](const std::map<uint32_t, std::string>& table) {
        std::set<uint32_t> found;
        for (const auto& entry : table)
            found.insert(entry.first);
        return found;
    };

    const std::map<uint32_t, std::string> english = ReadRcStringTable(KESTRAVA_RC_FILE);
    EXPECT_EQ(idsOf(english), ids);
    for (const auto& [id, text] : FixedStrings()) {
        const auto found = english.find(id);
        ASSERT_NE(found, english.end()) << id;
        EXPECT_EQ(found->second, text) << id;
    }
    EXPECT_EQ(english.at(392).size(), 6u);

    uint32_t next = kFirstAddedString;
    for (const auto& [id, text] : english) {
        if (id < kFirstAddedString)
            continue;
        if (next == 1009)
            ++next;
        EXPECT_EQ(id, next++) << text;
    }

    for (const char* language : {"de", "fr", "es"}) {
        SCOPED_TRACE(language);
        const std::map<uint32_t, std::string> translation =
            ReadRcStringTable(std::string(KESTRAVA_RC_DIR) + "/res_" + language + ".rc");
        EXPECT_EQ(idsOf(translation), ids);
        for (const auto& [id, text] : english) {
            SCOPED_TRACE(id);
            const auto translated = translation.find(id);
            ASSERT_NE(translated, translation.end());
            std::string ours;
            std::string theirs;
            EXPECT_TRUE(FormatConversions(text.c_str(), ours));
            EXPECT_TRUE(FormatConversions(translated->second.c_str(), theirs));
            EXPECT_EQ(ours, theirs) << text << " / " << translated->second;
            if (id != 392) {
                EXPECT_NE(translated->second, text);
            }
        }
    }
}

TEST(TextFormatTest, ConversionsAreListedWithTheirLengthModifiers)
{
    std::string found;
    EXPECT_TRUE(FormatConversions("Error %hd (%s %ld)", found));
    EXPECT_EQ(found, "hd s ld");
    EXPECT_TRUE(FormatConversions("100%% of %-5.2s and %i", found));
    EXPECT_EQ(found, "s d");
    for (const char* unsafe : {"%n", "%*d", "%.*s", "%1$s", "cut %", "%hq", "%y"})
        EXPECT_FALSE(FormatConversions(unsafe, found)) << unsafe;
    EXPECT_FALSE(FormatConversions(nullptr, found));
}

TEST(MbStringTest, LastCharacterSearchWithoutALeadByteTable)
{
    SimScope scope;
    const char* text = "a\\b\\c";
    EXPECT_EQ(MbsRChr(text, '\\'), text + 3);
    EXPECT_EQ(MbsRChr("abc", '\\'), nullptr);
    EXPECT_EQ(MbsRChr(nullptr, '\\'), nullptr);
    EXPECT_EQ(MbsTruncate("abcdef", 4), "abcd");
    EXPECT_EQ(MbsTruncate("ab", 4), "ab");
}

// A line that holds width bytes, each as wide as the next.
LineFitTest BytesPerLine(size_t width)
{
    return [width](const char*, size_t length) { return length <= width; };
}

TEST(MbStringTest, WordsTooWideForALineAreBrokenAfterAFolderWhereTheyCanBe)
{
    SimScope scope;
    // Words that fit, and the spaces, tabs and line breaks between them, stay as they are.
    EXPECT_EQ(MbsBreakLongWords("fits  as\tit\r\nis ", BytesPerLine(4)), "fits  as\tit\r\nis ");
    EXPECT_EQ(MbsBreakLongWords("abcdefghij end", BytesPerLine(4)), "abcd\r\nefgh\r\nij end");
    // After the last folder that fits; a folder wider than the line is broken inside.
    EXPECT_EQ(MbsBreakLongWords("\"C:\\ab\\c/defghijk.icm\"", BytesPerLine(8)),
              "\"C:\\ab\\\r\nc/\r\ndefghijk\r\n.icm\"");
    // However narrow the line, each holds a character.
    EXPECT_EQ(MbsBreakLongWords("abc", BytesPerLine(0)), "a\r\nb\r\nc");

    // "\x81\x5c" is one character whose second byte is a backslash: it is never split,
    // and no folder ends in it.
    scope.sim().LeadBytes() = {0x81};
    EXPECT_EQ(MbsBreakLongWords("ab\x81\x5c" "cd", BytesPerLine(3)), "ab\r\n\x81\x5c" "c\r\nd");
    EXPECT_EQ(MbsBreakLongWords("a\x81\x5c" "b", BytesPerLine(2)), "a\r\n\x81\x5c\r\nb");
}

}  // namespace
