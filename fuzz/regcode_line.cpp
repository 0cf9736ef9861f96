// One line of a user's registration-code list: at most one entry, whose codes are ascending, without repeats,
// of an allowed length and free of the separators; a line that gives an entry gives it the same way twice.
#include "fuzz_check.h"

#include "liveries/regcode_lists.h"

#include <algorithm>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace hlw;
    using fuzz::check;
    const std::string_view line = fuzz::asText(data, size);
    const std::filesystem::path file = "my_regcodes/fuzz.TXT";

    CappedAlerts alerts(file.string());
    std::vector<RegcodeEntry> entries{{"earlier", {"D-ABCD"}, true}};
    const bool ok = gf_parseRegcodeLine(line, file, entries, alerts);
    check(entries.size() <= 2 && entries.front() == RegcodeEntry{"earlier", {"D-ABCD"}, true},
          "a line appends at most one entry and changes no earlier one");
    if (entries.size() == 2) {
        const RegcodeEntry& entry = entries.back();
        check(line.starts_with(entry.title), "the title is the start of the line");
        check(entry.title.find(';') == std::string::npos, "the title holds no field separator");
        check(std::is_sorted(entry.codes.begin(), entry.codes.end()) &&
                  std::adjacent_find(entry.codes.begin(), entry.codes.end()) == entry.codes.end(),
              "codes are ascending without repeats");
        for (const std::string& code : entry.codes) {
            check(code.size() >= minRegcodeLength && code.size() <= maxRegcodeLength, "codes have an allowed length");
            check(code.find_first_of(";,") == std::string::npos, "codes hold no separator");
            check(line.find(code) != std::string_view::npos, "codes come from the line");
        }
        check(!entry.special || !entry.codes.empty(), "a special entry has codes");
    }

    std::vector<RegcodeEntry> again;
    check(gf_parseRegcodeLine(line, file, again, alerts) == ok, "a line parses the same way twice");
    check(again.size() + 1 == entries.size() && (again.empty() || again.front() == entries.back()),
          "a line gives the same entry twice");
    return 0;
}
