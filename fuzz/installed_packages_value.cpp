// The "InstalledPackagesPath" line of the simulator's UserCfg.opt: the value is a part of the line, holds no
// double quote when the line has one, and comes back out of a line written around it.
#include "fuzz_check.h"

#include "refdata/sim_install.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace hlw;
    using fuzz::check;
    const std::string_view line = fuzz::asText(data, size);
    const std::string value = gf_installedPackagesValue(line);
    check(value.size() <= line.size() && line.find(value) != std::string_view::npos, "the value is part of the line");
    if (line.find('"') != std::string_view::npos) {
        check(value.find('"') == std::string::npos, "a quoted value holds no double quote");
    }

    std::string path;
    for (const char c : line) {
        if (c != '"') {
            path += c;
        }
    }
    check(gf_installedPackagesValue("InstalledPackagesPath \"" + path + "\"") == path,
          "a written quoted line gives its path back");
    check(!gf_pathFromUtf8(value).empty() || value.empty(), "a value makes a path");
    return 0;
}
