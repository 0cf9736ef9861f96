#include "flight_plan_reader.h"

#include <fmt/format.h>
#include <pugixml.hpp>

#include <cstring>

namespace hlw::standin {

std::optional<FlightPlanInfo> gf_readFlightPlan(const std::filesystem::path& path, std::string& error) {
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_file(path.c_str());
    if (!parsed) {
        error = fmt::format("flight plan {}: {}", path.string(), parsed.description());
        return std::nullopt;
    }
    const pugi::xml_node root = document.child("SimBase.Document");
    if (!root || std::strcmp(root.attribute("Type").value(), "AceXML") != 0) {
        error = fmt::format("flight plan {}: no AceXML document", path.string());
        return std::nullopt;
    }
    const pugi::xml_node plan = root.child("FlightPlan.FlightPlan");
    if (!plan) {
        error = fmt::format("flight plan {}: no FlightPlan.FlightPlan element", path.string());
        return std::nullopt;
    }
    FlightPlanInfo info;
    info.path = path.string();
    info.type = plan.child_value("FPType");
    if (info.type != "IFR" && info.type != "VFR") {
        error = fmt::format("flight plan {}: FPType '{}' is neither IFR nor VFR", path.string(), info.type);
        return std::nullopt;
    }
    if (!plan.child("DepartureID") || !plan.child("DestinationID")) {
        error = fmt::format("flight plan {}: departure or destination missing", path.string());
        return std::nullopt;
    }
    info.departure = plan.child_value("DepartureID");
    info.destination = plan.child_value("DestinationID");
    return info;
}

} // namespace hlw::standin
