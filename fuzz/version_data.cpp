// The version text parser: never throws, never gives a negative part, and a parsed version reads back from its
// own text unchanged.
#include "fuzz_check.h"

#include "core/version_data.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace hlw;
    using fuzz::check;
    const VersionData version(fuzz::asText(data, size));
    check(version.major >= 0 && version.minor >= 0 && version.patch >= 0, "no part of a version is negative");
    const std::string text = version.text();
    check(VersionData(text) == version, "a version reads back from its text");
    check(fmt::format("{}", version) == text, "the formatter writes the version's text");
    return 0;
}
