#include "platform/os/single_instance.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace hlw::os {
namespace {

using hlw::test::TempDir;

constexpr std::string_view lockName = "Local\\$HLMR$";

// Runs an acquisition in a child process; its exit code tells whether it got the lock.
bool lf_childAcquires(const std::filesystem::path& folder)
{
    const pid_t child = fork();
    if (child == 0) {
        const auto lock = SingleInstanceLock::acquireIn(folder, lockName);
        _exit(lock ? 0 : 3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(SingleInstanceLock, NamesTheFileAfterTheSanitisedName)
{
    EXPECT_EQ(SingleInstanceLock::fileNameFor(lockName), "Local__HLMR_.lock");
    EXPECT_EQ(SingleInstanceLock::fileNameFor("../a b"), ".._a_b.lock");
}

TEST(SingleInstanceLock, ASecondProcessIsRefusedWhileTheFirstHoldsIt)
{
    const TempDir dir;
    EXPECT_TRUE(lf_childAcquires(dir.path()));
    {
        const auto held = SingleInstanceLock::acquireIn(dir.path(), lockName);
        ASSERT_TRUE(held);
        EXPECT_TRUE(std::filesystem::exists(dir / "Local__HLMR_.lock"));
        EXPECT_FALSE(lf_childAcquires(dir.path()));
        EXPECT_FALSE(SingleInstanceLock::acquireIn(dir.path(), lockName));
    }
    EXPECT_TRUE(lf_childAcquires(dir.path()));
}

TEST(SingleInstanceLock, FailsCleanlyWhenTheFolderIsMissing)
{
    const TempDir dir;
    EXPECT_FALSE(SingleInstanceLock::acquireIn(dir / "missing", lockName));
}

} // namespace
} // namespace hlw::os
