#include "platform/os/user_folders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace hlw::os {
namespace {

// Sets or removes one environment variable for the lifetime of the object.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name)) {
            previous_ = old;
        }
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedVariable()
    {
        if (previous_) {
            setenv(name_, previous_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> previous_;
};

struct FolderCase {
    const char* overrideValue;
    const char* xdgValue;
    const char* homeValue;
    const char* expectedRoaming;
    const char* expectedLocal;
};

class UserFolders : public testing::TestWithParam<FolderCase> {};

TEST_P(UserFolders, FollowOverrideThenXdgThenHome)
{
    const FolderCase& c = GetParam();
    const ScopedVariable roamingOverride(roamingFolderVariable, c.overrideValue);
    const ScopedVariable localOverride(localFolderVariable, c.overrideValue);
    const ScopedVariable config("XDG_CONFIG_HOME", c.xdgValue);
    const ScopedVariable data("XDG_DATA_HOME", c.xdgValue);
    const ScopedVariable home("HOME", c.homeValue);
    EXPECT_EQ(roamingAppDataFolder(), std::filesystem::path{c.expectedRoaming});
    EXPECT_EQ(localAppDataFolder(), std::filesystem::path{c.expectedLocal});
}

INSTANTIATE_TEST_SUITE_P(
    Rules, UserFolders,
    testing::Values(FolderCase{"/tmp/over", "/xdg", "/home/u", "/tmp/over", "/tmp/over"},
                    FolderCase{"", "/xdg", "/home/u", "", ""},
                    FolderCase{nullptr, "/xdg", "/home/u", "/xdg", "/xdg"},
                    FolderCase{nullptr, "relative/xdg", "/home/u", "/home/u/.config", "/home/u/.local/share"},
                    FolderCase{nullptr, nullptr, "/home/u", "/home/u/.config", "/home/u/.local/share"},
                    FolderCase{nullptr, nullptr, nullptr, "", ""}, FolderCase{nullptr, "", "relative", "", ""}));

} // namespace
} // namespace hlw::os
