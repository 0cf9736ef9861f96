#include "app/command_line.h"

#include <gtest/gtest.h>

namespace hlw {
namespace {

TEST(CommandLine, TheLastProductionArgumentWins)
{
    struct Row {
        std::vector<std::string_view> arguments;
        bool production;
    };
    const Row rows[] = {
        {{}, false},
        {{"--production"}, true},
        {{"/PRODUCTION", "--no-production"}, false},
        {{"--no-production", "/Production"}, true},
        {{"--Production", "other", "-production", "production"}, true},
        {{"/No-Production"}, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(gf_productionRequested(row.arguments), row.production) << testing::PrintToString(row.arguments);
    }
}

} // namespace
} // namespace hlw
