// The resource-script reader against what the resource compiler makes of a script:
// its escapes, its ids as expressions and the defines of the headers it includes.
#include "support/rc_string_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace {

class SimRcReader : public ::testing::Test {
protected:
    std::filesystem::path folder;

    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kestrava-rc-XXXXXX").string();
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        folder = pattern;
        std::filesystem::create_directory(folder / "res");
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    void Write(const std::string& name, const std::string& text)
    {
        std::ofstream(folder / name, std::ios::binary) << text;
    }
};

TEST_F(SimRcReader, AppliesTheResourceCompilersEscapesAndIds)
{
    Write("res/ids.h", "#define IDS_BASE 0x10\n#define IDS_TWO (IDS_BASE + 2) /* comment */\n"
                       "#define APP \"Kes\"\nint not_resource_data;\n");
    Write("res/app.rc",
          "#include \"ids.h\"\r\n"
          "// STRINGTABLE { 99, \"commented out\" }\r\n"
          "STRINGTABLE DISCARDABLE\r\n"
          "BEGIN\r\n"
          "  1, \"q\"\"q|\\\\|\\\"|\\n|\\r|\\t|\\a|\\101|\\0101|\\x41|\\x414|\\q|end\"\r\n"
          "  2 \"ab\\0cd\" \"ef\"\r\n"
          "  IDS_TWO, APP \"trava\" // a \"comment\"\r\n"
          "  010, \"octal id\"\r\n"
          "  3, \"\\777|//kept|/* kept */\"\r\n"
          "  4, \"\"\r\n"
          "END\r\n"
          "1 DIALOG 0, 0, 10, 10 BEGIN LTEXT \"not a string\", 5, 0, 0, 1, 1 END\r\n"
          "STRINGTABLE { 6 L\"wide\\x263A\" }\r\n");

    std::map<uint32_t, std::string> table = ReadRcStringTable(folder / "res" / "app.rc");
    ASSERT_EQ(6u, table.size());
    EXPECT_EQ(std::string("q\"q|\\|\"|\n|\r|\t|\b|A|\b1|A|A4|\\q|end"), table[1]);
    EXPECT_EQ(std::string("ab\0cdef", 7), table[2]);
    EXPECT_EQ("Kestrava", table[18]);
    EXPECT_EQ("octal id", table[8]);
    EXPECT_EQ("\xFF|//kept|/* kept */", table[3]);
    EXPECT_EQ("wide?", table[6]);
    EXPECT_EQ(0u, table.count(4)) << "the resource compiler drops empty strings";
    EXPECT_EQ(0u, table.count(99));
    EXPECT_EQ(0u, table.count(5));
}

}  // namespace
