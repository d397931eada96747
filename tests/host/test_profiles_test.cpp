// The names the tests use for the generated profiles are the names the script writes.
#include "support/test_profiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

TEST(TestProfiles, NamesAreThoseTheScriptWritesInItsOrder)
{
    std::ifstream list(std::filesystem::path(KESTRAVA_PROFILE_DIR) / "profiles.txt");
    ASSERT_TRUE(list) << "no profiles.txt beside the generated profiles";
    std::vector<std::string> written;
    for (std::string name; list >> name; list.ignore(1 << 12, '\n'))
        written.push_back(name);
    EXPECT_EQ(written, std::vector<std::string>(profiles::kAll.begin(), profiles::kAll.end()));
}
