#include "parking/park_airport_list.h"

#include "core/count_text.h"
#include "core/log.h"
#include "core/message_line.h"
#include "core/string_helpers.h"
#include "core/text_file_reader.h"
#include "core/text_file_writer.h"
#include "core/whole_file.h"
#include "parking/apf_location.h"
#include "parking/file_generation.h"
#include "refdata/airports_database.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <system_error>
#include <unordered_set>
#include <vector>

namespace hlw {
namespace {

namespace fs = std::filesystem;

constexpr const char* listName = "my_park_airports.txt";
// A list file is a few kilobytes; anything beyond this is not a list file.
constexpr std::size_t listMaxBytes = 16U << 20U;
constexpr double samePositionDeg = 1e-8;

enum class FileLines { read, missing, unreadable };

FileLines lf_readLines(const fs::path& file, std::vector<std::string>& lines)
{
    std::error_code error;
    if (!fs::exists(file, error)) {
        return error ? FileLines::unreadable : FileLines::missing;
    }
    WholeFile whole = gf_readWholeFile(file, listMaxBytes);
    if (whole.status != WholeFileStatus::ok) {
        gf_logAlert(fmt::format("{}: {}", file.generic_string(), gf_wholeFileProblem(whole.status, listMaxBytes)));
        return FileLines::unreadable;
    }
    gf_splitLines(whole.bytes, lines);
    return FileLines::read;
}

// The trimmed, upper-cased first field of a line; the reserved stand as the second.
std::vector<std::string> lf_fields(std::string_view line)
{
    std::vector<std::string> fields;
    for (const std::string_view field : gf_splitAt(line, ',')) {
        fields.emplace_back(gf_trimView(field));
    }
    if (!fields.empty()) {
        gf_makeUpperAscii(fields.front());
    }
    return fields;
}

} // namespace

std::string gf_parkAirportLine(const ParkAirportEntry& entry)
{
    return entry.reservedStand.empty() ? entry.icao.str() : fmt::format("{},{}", entry.icao, entry.reservedStand);
}

bool ParkAirportList::read(const fs::path& file)
{
    entries_.clear();
    bool result = true;
    std::vector<std::string> lines;
    const FileLines state = lf_readLines(file, lines);
    if (state == FileLines::missing) {
        gf_log(fmt::format("{} not found", file.generic_string()));
    }
    std::unordered_set<std::string> read;
    for (const std::string& raw : lines) {
        const std::string_view line = gf_trimView(raw);
        if (line.empty()) {
            continue;
        }
        const std::vector<std::string> fields = lf_fields(line);
        if (fields.size() >= 3) {
            gf_logAlert(fmt::format("{}:{} wrong syntax, skipped", listName, line));
            continue;
        }
        if (!AirportCode::isValid(fields[0])) {
            gf_logAlert(fmt::format("{}: '{}' FixedCode: invalid string (length/charset), line skipped",
                                    "lf_readMyParkAirports", fields[0]));
            continue;
        }
        if (!read.insert(fields[0]).second) {
            gf_logAlert(fmt::format("{}:{} double, skipped", listName, fields[0]));
            continue;
        }
        const AirportCode code(fields[0]);
        const AirportRecord* airport = gf_findAirport(code);
        if (airport == nullptr) {
            gf_setMessage(fmt::format("airport {} is unknown", code), true);
            result = false;
            continue;
        }
        entries_.push_back({fields.size() == 2 ? fields[1] : std::string(), airport->lat, airport->lon, 0.0, code});
    }
    if (!entries_.empty()) {
        gf_log(fmt::format("\n{:5} park airport{} read from '{}'", entries_.size(), gf_plural(entries_.size()),
                           listName));
    }
    if (entries_.size() > manyParkAirports) {
        gf_setMessage(fmt::format("Warning: There are a lot of airports ({}), that will cost HLMR much cpu time and "
                                  "may cause stutters",
                                  entries_.size()),
                      true);
    }
    addMyThirdparty();
    lastUser_.reset();
    publish();
    return result;
}

void ParkAirportList::updateDistances(const LatLon& user)
{
    if (entries_.empty()) {
        return;
    }
    if (lastUser_ && std::abs(user.lat - lastUser_->lat) < samePositionDeg &&
        std::abs(user.lon - lastUser_->lon) < samePositionDeg) {
        entries_.front().distance = gf_distanceNm(user, entries_.front().position());
        publish();
        return;
    }
    lastUser_ = user;
    if (!settings::destination.empty()) {
        return;
    }
    for (ParkAirportEntry& entry : entries_) {
        entry.distance = gf_distanceNm(user, entry.position());
    }
    entries_.sort([](const ParkAirportEntry& a, const ParkAirportEntry& b) { return a.distance < b.distance; });
    publish();
}

void ParkAirportList::addMyThirdparty()
{
    std::error_code error;
    if (!fs::is_directory(paths::myThirdpartyFolder, error)) {
        return;
    }
    std::set<std::string> codes;
    for (fs::directory_iterator it(paths::myThirdpartyFolder, error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError)) {
            std::string stem = it->path().stem().string();
            gf_makeUpperAscii(stem);
            if (AirportCode::isValid(stem)) {
                codes.insert(std::move(stem));
            }
        }
    }
    for (const std::string& text : codes) {
        const AirportCode code(text);
        if (std::ranges::find(entries_, code, &ParkAirportEntry::icao) != entries_.end()) {
            continue;
        }
        const AirportRecord* airport = gf_findAirport(code);
        if (airport == nullptr) {
            continue;
        }
        if (entries_.size() >= maxParkAirports) {
            gf_logAlert(fmt::format("{}: list too long, {} and the rest not added", "my_thirdparty", code));
            break;
        }
        entries_.push_back({{}, airport->lat, airport->lon, 0.0, code});
    }
    publish();
}

void ParkAirportList::addDestination(const AirportCode& code, const LatLon& position, const fs::path& file)
{
    const auto it = std::ranges::find(entries_, code, &ParkAirportEntry::icao);
    if (it != entries_.end()) {
        entries_.splice(entries_.begin(), entries_, it);
        publish();
        return;
    }
    insertFirst({{}, position.lat, position.lon, 0.0, code}, file);
}

void ParkAirportList::insertFirst(const ParkAirportEntry& entry, const fs::path& file)
{
    entries_.push_front(entry);
    publish();
    gf_addMyParkAirport(entries_.front(), file);
}

void ParkAirportList::reserveFirst(const std::string& stand, const fs::path& file)
{
    if (entries_.empty()) {
        return;
    }
    entries_.front().reservedStand = stand;
    publish();
    gf_addMyParkAirport(entries_.front(), file);
}

void ParkAirportList::clear()
{
    entries_.clear();
    lastUser_.reset();
    publish();
}

std::optional<ParkAirportEntry> ParkAirportList::publishedFirst() const
{
    std::lock_guard lock(publishedMutex_);
    return published_;
}

void ParkAirportList::publish()
{
    std::optional<ParkAirportEntry> first;
    if (!entries_.empty()) {
        first = entries_.front();
    }
    std::lock_guard lock(publishedMutex_);
    published_ = std::move(first);
}

bool gf_addMyParkAirport(const ParkAirportEntry& first, const fs::path& file)
{
    const std::string newLine = gf_parkAirportLine(first);
    std::vector<std::string> lines;
    switch (lf_readLines(file, lines)) {
    case FileLines::unreadable:
        gf_logAlert(fmt::format("{} exists but could not be read: '{}' not written", file.generic_string(), newLine));
        return false;
    case FileLines::missing: {
        std::error_code ignored; // a folder that cannot be made fails the write, which says so
        fs::create_directories(file.parent_path(), ignored);
        lines = {newLine};
        gf_log(fmt::format("{} created with {}", listName, newLine));
        break;
    }
    case FileLines::read: {
        const auto same = std::ranges::find_if(lines, [&first](const std::string& line) {
            const std::vector<std::string> fields = lf_fields(line);
            return !fields.empty() && fields.front() == first.icao.view();
        });
        if (same != lines.end()) {
            *same = newLine;
            gf_log(fmt::format("{}:{} updated stand", listName, newLine));
        } else {
            lines.insert(lines.begin(), newLine);
            gf_log(fmt::format("{}:{} new entry", listName, newLine));
        }
        gf_keepGeneration(file);
        break;
    }
    }
    std::erase_if(lines, [](const std::string& line) { return gf_trimView(line).empty(); });
    std::ranges::sort(lines);
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    return gf_writeLine(lines, file);
}

} // namespace hlw
