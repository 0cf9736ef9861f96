// The whole-file reader of aircraft.cfg files, against the small reference database of the test suites: the
// liveries of a file are well formed, one per section at most, read the same way twice, and a title already
// taken in the scan is never handed out again.
#include "fuzz_check.h"

#include "../tests/support/dbase_fixture.h"

#include "core/log.h"
#include "liveries/aircraft_cfg_keys.h"
#include "liveries/livery_data.h"
#include "liveries/livery_file_reader.h"
#include "liveries/scan_lists.h"
#include "support/temp_dir.h"

#include <set>
#include <string>

namespace {

using namespace hlw;
using fuzz::check;

constexpr int32_t sourceIndex = 7;

// The reference database stays loaded for the whole run; the log is closed again so that a long run does not
// fill the disk.
const std::filesystem::path& lf_cfgPath()
{
    static const test::DbaseFolder folder;
    static const std::filesystem::path file = [] {
        check(folder.read(test::DbaseText().text()), "the reference database is read");
        gf_stopLog();
        std::filesystem::create_directories(folder.dir / "package");
        return folder.dir / "package" / "aircraft.cfg";
    }();
    return file;
}

std::size_t lf_headerCount(std::string_view text)
{
    std::size_t count = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        // Every encoding keeps "[fltsim." readable only in its own form; counting on the raw bytes is an upper
        // bound for the single-byte forms and ignored for UTF-16 below.
        if (!gf_getFltsimNumber(text.substr(start, end - start)).empty()) {
            ++count;
        }
        start = end + 1;
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::filesystem::path& file = lf_cfgPath();
    const std::string_view text = fuzz::asText(data, size);
    test::writeWholeFile(file, std::string(text));

    gf_clearScanLists();
    const ScannedLiveryList first = gf_searchLiveriesinFile(sourceIndex, file);
    std::set<std::string> titles;
    for (const LiveryData& livery : first) {
        check(!livery.title.empty(), "a livery has a title");
        check(titles.insert(livery.title).second, "titles are unique within a scan");
        check(livery.sourceIndex == sourceIndex, "a livery keeps its source index");
        check(!gf_hasNoCodes(livery), "a livery has an airline and a model");
        check(livery.title.find("Fictional") == std::string::npos, "fictional liveries are dropped");
        check(gf_titleProblem(livery.title).empty(), "a title has no control characters and a sane length");
    }
    const bool wide = text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF");
    if (!wide) {
        check(first.size() <= lf_headerCount(text), "at most one livery per section");
    }

    check(gf_searchLiveriesinFile(sourceIndex, file).empty(), "titles taken in this scan are not given again");

    gf_clearScanLists();
    check(gf_searchLiveriesinFile(sourceIndex, file) == first, "a file reads the same in a fresh scan");
    return 0;
}
