#pragma once
// A stand of an airport file, as far as the static livery matching reads it; the parking code owns the rest.
#include <string>

namespace hlw {

struct StandRecord {
    std::string id;     // the stand's "id" text, printed in log lines
    bool cargo = false; // a freighter stand: static aircraft placed here get cargo liveries where possible
};

} // namespace hlw
