#pragma once
// The lists a livery scan fills from its reader tasks: the report lists (written to their files after the scan)
// and the titles that must never be used. Each list has its own mutex, held only while one line is added, a
// copy is taken or the list is emptied; no two of these mutexes are ever held together (leaf locks).
#include <cstddef>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace hlw {

class ScanReportList {
public:
    void append(std::string line);
    std::vector<std::string> lines() const;
    std::size_t size() const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

enum class ScanReport {
    InvalidAirlineCode,
    InvalidModelCode,
    Fix,
    InvalidAircraftCfg,
    IncompleteSection,
    NoFltsimSection,
};

ScanReportList& gf_scanReport(ScanReport report);

// "{:12} in {} " (code left-aligned in 12 columns, file path) followed by the caller's text.
void gf_addInvalidAirlineCode(std::string_view code, const std::filesystem::path& file, std::string_view text);
// "{:16} in {}" (code left-aligned in 16 columns, file path).
void gf_addInvalidModelCode(std::string_view code, const std::filesystem::path& file);
void gf_addFix(std::string line);
void gf_addInvalidAircraftCfg(std::string line);
void gf_addIncompleteSection(std::string line);
void gf_addNoFltsimSection(std::string line);

// Titles named without any registration in the registration-code sources: a scanned livery with such a title
// is dropped. Filled at the start of a scan, read by its reader tasks.
class DontUseTitles {
public:
    void add(std::string title);
    // Exact, whole-text comparison.
    bool contains(std::string_view title) const;
    std::size_t size() const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::unordered_set<std::string> titles_;
};

DontUseTitles& gf_dontUseTitles();

// Empties every report list, the scan's title set and the don't-use titles, each under its own mutex, so that
// a reader task still running late never meets a list being emptied.
void gf_clearScanLists();

} // namespace hlw
