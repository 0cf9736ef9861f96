// Whole files with a size cap.
#include "core/whole_file.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace hlw {
namespace {

TEST(WholeFile, ReadsUpToTheCapAndNothingBeyond)
{
    test::TempDir dir;
    test::writeWholeFile(dir / "four", std::string("ab\0d", 4));
    const WholeFile four = gf_readWholeFile(dir / "four", 4);
    EXPECT_EQ(four.status, WholeFileStatus::ok);
    EXPECT_EQ(four.bytes, std::string("ab\0d", 4));
    const WholeFile tooLarge = gf_readWholeFile(dir / "four", 3);
    EXPECT_EQ(tooLarge.status, WholeFileStatus::tooLarge);
    EXPECT_TRUE(tooLarge.bytes.empty());
    EXPECT_EQ(gf_readWholeFile(dir / "missing", 10).status, WholeFileStatus::cannotOpen);
    EXPECT_EQ(gf_readWholeFile(dir.path(), 10).status, WholeFileStatus::cannotOpen);
    EXPECT_EQ(gf_wholeFileProblem(WholeFileStatus::tooLarge, 3), "is larger than 3 bytes");
}

} // namespace
} // namespace hlw
