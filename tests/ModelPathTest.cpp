#include <gtest/gtest.h>

#include "cor2tavik/Conversion.h"

namespace cor2tavik {
namespace {

TEST(SplitModelPath, FollowsTheRuleForBothSeparators) {
    // path, separators, stem, directory
    const char* const cases[][4] = {
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
        // Bytes, not characters: a double-byte character whose second byte
        // is 0x5C is taken for '\'.
        {"C:\\\x95\x5C" "abc.dat3", "\\", "C:\\\x95\x5C" "abc", "C:\\\x95\x5C"},
    };
    for (const auto& [path, separators, stem, directory] : cases) {
        const ModelPath split = SplitModelPath(path, separators);
        EXPECT_EQ(split.stem, stem) << path;
        EXPECT_EQ(split.directory, directory) << path;
    }
}

}  // namespace
}  // namespace cor2tavik
