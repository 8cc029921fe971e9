//===- tests/utilities/settings/EnvironmentNamesTest.cpp ------------------===//
#include "utilities/settings/EnvironmentNames.h"

#include "tests/support/StringText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using qimtest::text;

TEST(EnvironmentNamesTest, PrefixIsOneObject) {
    EXPECT_EQ(text(getEnvnamePrefix()), "QIM_DBG_");
    EXPECT_EQ(&getEnvnamePrefix(), &getEnvnamePrefix());
}

TEST(EnvironmentNamesTest, FabricatedNamesCarryTheShortNameAndOne) {
    EncodedString result(L"stale");
    EXPECT_EQ(text(fabricateName(result, EncodedString(L"msg"))), "qimmsg1");
    EXPECT_EQ(&fabricateName(result, L"pex"), &result);
    EXPECT_EQ(text(result), "qimpex1");
    EXPECT_EQ(text(fabricateName(result, EncodedString())), "qim1");
    EXPECT_EQ(text(fabricateName(result, L"")), "qim1");
}

TEST(EnvironmentNamesTest, StripPathKeepsTheDirectoryWithItsSlash) {
    struct Case {
        const char* path;
        const char* directory;
    };
    const Case cases[] = {
        {"/a/b/c", "/a/b/"}, {"/a/b/", "/a/"},
        {"a/b//", "a/"},     {"a//b", "a//"},
        {"file", ""},        {"a/", ""},
        {"/", "/"},          {"//", "/"},
        {"/a", "/"},         {"", ""},
        {"///a///", "///"},  {"\xC3\xA9/\xC3\xA9", "\xC3\xA9/"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text(stripPath(EncodedString(c.path, EncodedString::UTF8))), c.directory)
            << "path " << c.path;
}

} // namespace
