#include "liveries/scan_lists.h"

#include "liveries/livery_data.h"
#include "liveries/reader_tasks.h"

#include <fmt/format.h>

#include <array>
#include <utility>

namespace hlw {

void ScanReportList::append(std::string line)
{
    const std::lock_guard lock(mutex_);
    // Tested under the lock: a scan's generation has ended before the next scan empties the lists, so a reader
    // task given up by an earlier scan can never add to a later one.
    if (gf_readerTaskIsLate()) {
        return;
    }
    lines_.push_back(std::move(line));
}

std::vector<std::string> ScanReportList::lines() const
{
    const std::lock_guard lock(mutex_);
    return lines_;
}

std::size_t ScanReportList::size() const
{
    const std::lock_guard lock(mutex_);
    return lines_.size();
}

void ScanReportList::clear()
{
    std::vector<std::string> emptied;
    {
        const std::lock_guard lock(mutex_);
        emptied.swap(lines_);
    }
}

ScanReportList& gf_scanReport(ScanReport report)
{
    static std::array<ScanReportList, 6> lists;
    return lists[static_cast<std::size_t>(report)];
}

void gf_addInvalidAirlineCode(std::string_view code, const std::filesystem::path& file, std::string_view text)
{
    gf_scanReport(ScanReport::InvalidAirlineCode).append(fmt::format("{:12} in {} {}", code, file.string(), text));
}

void gf_addInvalidModelCode(std::string_view code, const std::filesystem::path& file)
{
    gf_scanReport(ScanReport::InvalidModelCode).append(fmt::format("{:16} in {}", code, file.string()));
}

void gf_addFix(std::string line)
{
    gf_scanReport(ScanReport::Fix).append(std::move(line));
}

void gf_addInvalidAircraftCfg(std::string line)
{
    gf_scanReport(ScanReport::InvalidAircraftCfg).append(std::move(line));
}

void gf_addIncompleteSection(std::string line)
{
    gf_scanReport(ScanReport::IncompleteSection).append(std::move(line));
}

void gf_addNoFltsimSection(std::string line)
{
    gf_scanReport(ScanReport::NoFltsimSection).append(std::move(line));
}

void DontUseTitles::add(std::string title)
{
    const std::lock_guard lock(mutex_);
    titles_.insert(std::move(title));
}

bool DontUseTitles::contains(std::string_view title) const
{
    const std::lock_guard lock(mutex_);
    return titles_.find(std::string(title)) != titles_.end();
}

std::size_t DontUseTitles::size() const
{
    const std::lock_guard lock(mutex_);
    return titles_.size();
}

void DontUseTitles::clear()
{
    const std::lock_guard lock(mutex_);
    titles_.clear();
}

DontUseTitles& gf_dontUseTitles()
{
    static DontUseTitles titles;
    return titles;
}

void gf_clearScanLists()
{
    for (const ScanReport report : {ScanReport::InvalidAirlineCode, ScanReport::InvalidModelCode,
                                    ScanReport::IncompleteSection, ScanReport::NoFltsimSection,
                                    ScanReport::InvalidAircraftCfg}) {
        gf_scanReport(report).clear();
    }
    gf_clearScannedTitles();
    gf_dontUseTitles().clear();
    gf_scanReport(ScanReport::Fix).clear();
}

} // namespace hlw
