#pragma once
// A small world of reference data and installed liveries for the registration-code and matching tests: a
// temporary program folder made current with the log open in it, models with their categories, similar-model
// groups and registration prefix groups, and livery tables built from a list of liveries.
#include "liveries/livery_data.h"
#include "liveries/regcode_lists.h"
#include "records/flight_record.h"

#include "support/temp_dir.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hlw::test {

struct Livery {
    std::string airline;
    std::string secondAirline;
    std::string model;
    bool cargo = false;
    std::string title;
    std::string registration;
};

class LiveryWorld {
public:
    // Installs the reference tables; "RANDOM" is off until randomOn() is called.
    LiveryWorld();
    ~LiveryWorld();
    LiveryWorld(const LiveryWorld&) = delete;
    LiveryWorld& operator=(const LiveryWorld&) = delete;

    // Clears every livery table and builds them from the liveries: catalogue, in-line registrations, the
    // entries merged as the offline sources would be, similar models and the category model lists.
    void build(const std::vector<Livery>& liveries, const std::vector<RegcodeEntry>& offline = {});

    static void randomOn(uint32_t seed);
    static void randomOff();

    std::string logText() const;

    static uint16_t airline(const std::string& code);
    static uint16_t model(const std::string& code);
    // A record of the codes as the engine builds it, with the model's category from the reference data.
    static FlightRecord flight(const std::string& airline, const std::string& secondAirline, const std::string& model,
                               bool cargo, const std::string& registration);

    TempDir dir;

private:
    ScopedCurrentPath current_{dir.path()};
};

} // namespace hlw::test
