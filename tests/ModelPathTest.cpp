#include <gtest/gtest.h>

#include "cor2tavik/Conversion.h"

namespace cor2tavik {
namespace {

struct PathCase {
    const char* path;
    const char* separators;
    const char* stem;
    const char* directory;
};

TEST(SplitModelPath, FollowsTheRuleForBothSeparators) {
    const PathCase cases[] = {
        {R"(C:\work\model1.dat3)", "\\", R"(C:\work\model1)", R"(C:\work\)"},
        {"model1.dat3", "\\", "model1", "."},
        // A dot in a directory name cuts the stem when the file name has none.
        {R"(C:\a.b\model)", "\\", R"(C:\a)", R"(C:\a.b\)"},
        // Only the given separator counts.
        {"dir/model1.dat3", "\\", "dir/model1", "."},
        {"model1.dat3", "/", "model1", "."},
        {"/a.b/model", "/", "/a", "/a.b/"},
        {"/work/model1.dat3", "/", "/work/model1", "/work/"},
        {"/work/v1.2/model.x.dat3", "/", "/work/v1.2/model.x", "/work/v1.2/"},
        {"/model", "/", "/model", "/"},
        {"model", "/", "model", "."},
        {"model.", "/", "model", "."},
        {".dat3", "/", "", "."},
        {"/work/", "/", "/work/", "/work/"},
        {"", "/", "", ""},
        {"", "\\", "", ""},
        // With two separators, the last of either ends the directory.
        {R"(C:\work/sub\m.dat3)", "\\/", R"(C:\work/sub\m)", R"(C:\work/sub\)"},
        {R"(C:\work\sub/m.dat3)", "\\/", R"(C:\work\sub/m)", R"(C:\work\sub/)"},
    };
    for (const PathCase& c : cases) {
        ModelPath split = SplitModelPath(c.path, c.separators);
        EXPECT_EQ(split.stem, c.stem) << c.path;
        EXPECT_EQ(split.directory, c.directory) << c.path;
    }
}

TEST(SplitModelPath, WorksOnBytes) {
    // A double-byte character whose second byte is 0x5C is taken for '\'.
    ModelPath split = SplitModelPath("C:\\\x95\x5C" "abc.dat3", "\\");
    EXPECT_EQ(split.directory, "C:\\\x95\x5C");
    EXPECT_EQ(split.stem, "C:\\\x95\x5C" "abc");
}

}  // namespace
}  // namespace cor2tavik
