#pragma once
// The airports that may become the park airport: "airports/my_park_airports.txt", one airport per line, optionally
// with a comma and the id of the stand reserved for the user ("EHAM,D4"), and the airports of "my_thirdparty". The
// list belongs to the worker: it is read at start-up and by "Re-read", sorted by distance from the user every 16 s,
// and gains the destination and the park airport where the user stands. Its first entry is published for readers on
// other threads (the automatic range).
#include "core/fixed_code.h"
#include "core/geodesy.h"

#include <cstddef>
#include <filesystem>
#include <list>
#include <mutex>
#include <optional>
#include <string>

namespace hlw {

struct ParkAirportEntry {
    std::string reservedStand; // empty for none
    double latitude = 0.0;
    double longitude = 0.0;
    double distance = 0.0; // nautical miles from the user, 0 until computed
    AirportCode icao;

    LatLon position() const noexcept { return {latitude, longitude}; }
    bool operator==(const ParkAirportEntry&) const = default;
};

// More airports than this cost the driver noticeable time: the user is warned.
inline constexpr std::size_t manyParkAirports = 3000;
// A list that would grow beyond this is refused.
inline constexpr std::size_t maxParkAirports = 100000;

class ParkAirportList {
  public:
    // Rebuilds the list from the file (a missing file is no error), then adds the airports of "my_thirdparty". A
    // line with an invalid code or three or more fields is skipped with an alert, a repeated airport too; an
    // airport the airports database lacks is skipped with a message, and the result is then false.
    bool read(const std::filesystem::path& file);

    // The distances from the user, sorted nearest first (equal distances keep their order) unless a destination is
    // set; a position within 1e-8 degrees of the last one only refreshes the first entry's distance.
    void updateDistances(const LatLon& user);

    // Appends every airport of the airports database with a file in "my_thirdparty" that the list lacks.
    void addMyThirdparty();

    // The destination: a new airport is inserted first and written to the file; a known one is moved first.
    void addDestination(const AirportCode& code, const LatLon& position, const std::filesystem::path& file);

    // Inserts a new first entry for the airport (the park airport where the user stands) and writes it.
    void insertFirst(const ParkAirportEntry& entry, const std::filesystem::path& file);
    // The first entry's reserved stand becomes the id and the file is written.
    void reserveFirst(const std::string& stand, const std::filesystem::path& file);

    void clear();

    const std::list<ParkAirportEntry>& entries() const noexcept { return entries_; }
    // The worker's view of the first entry.
    const ParkAirportEntry* front() const noexcept { return entries_.empty() ? nullptr : &entries_.front(); }
    // A copy of the first entry for any thread.
    std::optional<ParkAirportEntry> publishedFirst() const;

  private:
    void publish();

    std::list<ParkAirportEntry> entries_;
    std::optional<LatLon> lastUser_;
    mutable std::mutex publishedMutex_;
    std::optional<ParkAirportEntry> published_;
};

// Writes the first entry's line into the file: the line of the same airport is replaced, or the line is added;
// the lines are sorted and written without repeats. The file is created when it does not exist; one that exists
// but cannot be read is left as it is. Its older generation is kept first. True when the file was written.
bool gf_addMyParkAirport(const ParkAirportEntry& first, const std::filesystem::path& file);

// The line of a list entry: "EHAM" or "EHAM,D4".
std::string gf_parkAirportLine(const ParkAirportEntry& entry);

} // namespace hlw
