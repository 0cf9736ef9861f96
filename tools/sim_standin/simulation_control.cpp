// The control port's commands on the world: scripting the simulator, the user aircraft, terrain,
// objects and creation, injecting records, and reading state for the tests.
#include "simulation.h"

#include "records.h"
#include "world_limits.h"

#include "core/string_helpers.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace hlw::standin {
namespace {

using nlohmann::json;

constexpr double lf_radPerDeg = std::numbers::pi / 180.0;

// A bad argument ends the command with an error reply (caught in command()).
struct BadArgument : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

const std::string& lf_word(const std::vector<std::string>& words, size_t at) {
    if (at >= words.size()) {
        throw BadArgument(fmt::format("argument {} missing", at + 1));
    }
    return words[at];
}

double lf_double(const std::vector<std::string>& words, size_t at) {
    const std::string& text = lf_word(words, at);
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
        throw BadArgument(fmt::format("'{}' is not a number", text));
    }
    if (!gf_isWorldNumber(value)) {
        throw BadArgument(fmt::format("'{}' is out of range", text));
    }
    return value;
}

uint64_t lf_unsigned(const std::vector<std::string>& words, size_t at) {
    const std::string& text = lf_word(words, at);
    uint64_t value = 0;
    const int base = text.starts_with("0x") ? 16 : 10;
    const char* begin = text.data() + (base == 16 ? 2 : 0);
    const auto [end, error] = std::from_chars(begin, text.data() + text.size(), value, base);
    if (error != std::errc{} || end != text.data() + text.size() || begin == end) {
        throw BadArgument(fmt::format("'{}' is not a whole number", text));
    }
    return value;
}

DWORD lf_dword(const std::vector<std::string>& words, size_t at) {
    const uint64_t value = lf_unsigned(words, at);
    if (value > 0xFFFFFFFFu) {
        throw BadArgument(fmt::format("'{}' is too large", words[at]));
    }
    return static_cast<DWORD>(value);
}

bool lf_onOff(const std::vector<std::string>& words, size_t at, bool absent) {
    if (at >= words.size()) {
        return absent;
    }
    if (words[at] == "on" || words[at] == "1") {
        return true;
    }
    if (words[at] == "off" || words[at] == "0") {
        return false;
    }
    throw BadArgument(fmt::format("'{}' is neither on nor off", words[at]));
}

double lf_latitude(const std::vector<std::string>& words, size_t at) {
    const double value = lf_double(words, at);
    if (!gf_isLatitude(value)) {
        throw BadArgument("latitude out of range");
    }
    return value;
}

double lf_longitude(const std::vector<std::string>& words, size_t at) {
    const double value = lf_double(words, at);
    if (!gf_isLongitude(value)) {
        throw BadArgument("longitude out of range");
    }
    return value;
}

Bytes lf_hexBytes(const std::string& hex) {
    if (hex.size() % 2 != 0) {
        throw BadArgument("hex text of odd length");
    }
    Bytes bytes;
    for (size_t i = 0; i < hex.size(); i += 2) {
        uint8_t value = 0;
        const auto [end, error] = std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
        if (error != std::errc{} || end != hex.data() + i + 2) {
            throw BadArgument(fmt::format("'{}' is not hex", hex.substr(i, 2)));
        }
        bytes.push_back(value);
    }
    return bytes;
}

json lf_ok() { return {{"ok", true}}; }

} // namespace

json Simulation::command(const std::vector<std::string>& words, const std::string& restAfterTwo) {
    std::lock_guard lock(mutex_);
    try {
        const std::string& group = lf_word(words, 0);
        if (group == "sim") {
            return simCommand(words, restAfterTwo);
        }
        if (group == "user" || group == "time") {
            return userCommand(words, restAfterTwo);
        }
        if (group == "terrain" || group == "cg" || group == "obj") {
            return worldCommand(words);
        }
        if (group == "create") {
            return createCommand(words);
        }
        if (group == "exception" || group == "raw" || group == "short" || group == "failnext") {
            return injectCommand(words);
        }
        return observeCommand(words);
    } catch (const std::exception& e) {
        return {{"ok", false}, {"error", e.what()}};
    }
}

json Simulation::simCommand(const std::vector<std::string>& words, const std::string& rest) {
    const std::string& what = lf_word(words, 1);
    if (what == "name") {
        identity_.appName = rest;
    } else if (what == "version") {
        for (size_t i = 0; i < 4; ++i) {
            identity_.version[i] = lf_dword(words, 2 + i);
        }
    } else if (what == "run") {
        setRunning(lf_onOff(words, 2, true));
    } else if (what == "flightloaded") {
        const bool asFileName = lf_word(words, 2) == "filename";
        if (!asFileName && words[2] != "event") {
            throw BadArgument("flightloaded takes event or filename");
        }
        broadcastSystemEvent(SystemEvent::FlightLoaded, [&](DWORD eventId) {
            return asFileName ? gf_fileNameRecord(eventId, "flights\\standin\\Hollowmere.FLT") : gf_eventRecord(eventId, 0);
        });
    } else if (what == "frames") {
        const double hz = lf_double(words, 2);
        if (hz < 0.0 || hz > 1000.0) {
            throw BadArgument("frame rate out of 0..1000");
        }
        frameHz_ = hz;
        nextFrame_ = Clock::now();
    } else if (what == "frameswhilepaused") {
        framesWhilePaused_ = lf_onOff(words, 2, true);
    } else if (what == "orphans") {
        keepOrphans_ = lf_word(words, 2) == "keep";
    } else if (what == "quit") {
        for (const auto& [id, client] : clients_) {
            send(id, gf_quitRecord());
        }
    } else {
        throw BadArgument(fmt::format("unknown sim command '{}'", what));
    }
    return lf_ok();
}

json Simulation::userCommand(const std::vector<std::string>& words, const std::string& rest) {
    const std::string& what = lf_word(words, 1);
    SimObject& u = user();
    if (words[0] == "time") {
        if (what != "set") {
            throw BadArgument("time takes set");
        }
        const ZuluTime time{static_cast<int64_t>(lf_unsigned(words, 2)), static_cast<int64_t>(lf_unsigned(words, 3)),
                            static_cast<int64_t>(lf_unsigned(words, 4))};
        if (time.dayOfYear < 1 || time.dayOfYear > gf_daysInYear(time.year) || time.seconds >= 86400) {
            throw BadArgument("day or seconds out of range");
        }
        zulu_.set(time, words.size() > 5 && words[5] == "frozen", Clock::now());
    } else if (what == "set") {
        userScript_.reset();
        u.latDeg = lf_latitude(words, 2);
        u.lonDeg = lf_longitude(words, 3);
        u.altFt = lf_double(words, 4);
        u.headingRad = lf_double(words, 5) * lf_radPerDeg;
        u.pitchRad = lf_double(words, 6) * lf_radPerDeg;
        u.bankRad = lf_double(words, 7) * lf_radPerDeg;
        u.groundSpeedKt = lf_double(words, 8);
        u.airspeedKt = u.groundSpeedKt;
        u.scriptedOnGround = lf_onOff(words, 9, false);
    } else if (what == "script") {
        if (rest.empty() || rest == "none") {
            userScript_.reset();
        } else {
            userScript_ = UserScript::load(rest);
            userScriptStart_ = Clock::now();
            applyUserScript(userScriptStart_);
            return {{"ok", true}, {"duration_s", userScript_->duration()}};
        }
    } else if (what == "title") {
        u.title = rest;
    } else if (what == "model") {
        u.model = rest;
    } else if (what == "id") {
        const DWORD id = lf_dword(words, 2);
        if (id == 0 || (id != userId_ && objects_.contains(id))) {
            throw BadArgument(fmt::format("object id {} is taken", id));
        }
        SimObject moved = u;
        objects_.erase(userId_);
        for (auto& [clientId, client] : clients_) {
            for (StandingRequest& request : client.standing) {
                request.objectId = request.objectId == userId_ ? id : request.objectId;
            }
        }
        userId_ = id;
        moved.id = id;
        objects_[id] = moved;
        nextObjectId_ = std::max(nextObjectId_, id + 1);
    } else if (what == "teleport") {
        userScript_.reset();
        u.latDeg = lf_latitude(words, 2);
        u.lonDeg = lf_longitude(words, 3);
    } else if (what == "lights") {
        u.lights = lf_unsigned(words, 2);
    } else {
        throw BadArgument(fmt::format("unknown user command '{}'", what));
    }
    return lf_ok();
}

json Simulation::worldCommand(const std::vector<std::string>& words) {
    const std::string& group = words[0];
    const std::string& what = lf_word(words, 1);
    const Clock::time_point now = Clock::now();
    if (group == "terrain") {
        if (what == "clear") {
            terrain_.clear();
        } else if (what == "add") {
            const double radius = lf_double(words, 4);
            if (radius <= 0.0) {
                throw BadArgument("radius must be positive");
            }
            terrain_.add({lf_latitude(words, 2), lf_longitude(words, 3), radius, lf_double(words, 5)});
        } else {
            throw BadArgument("terrain takes add or clear");
        }
        return lf_ok();
    }
    if (group == "cg") {
        titles_.addCg(what, {lf_double(words, 2), lf_double(words, 3)});
        return lf_ok();
    }
    if (what == "list") {
        json list = json::array();
        for (const auto& [id, object] : objects_) {
            list.push_back(objectJson(object, now));
        }
        return {{"ok", true}, {"objects", list}};
    }
    if (what == "get") {
        const auto found = objects_.find(lf_dword(words, 2));
        if (found == objects_.end()) {
            throw BadArgument(fmt::format("no object {}", words[2]));
        }
        return {{"ok", true}, {"object", objectJson(found->second, now)}};
    }
    if (what == "remove") {
        const DWORD id = lf_dword(words, 2);
        if (id == userId_ || !objects_.contains(id)) {
            throw BadArgument(fmt::format("no removable object {}", id));
        }
        removeObject(id);
        return lf_ok();
    }
    if (what == "spawn") {
        SimObject object;
        object.id = nextObjectId_++;
        while (objects_.contains(object.id) || object.id <= userId_) {
            object.id = nextObjectId_++;
        }
        object.kind = ObjectKind::Foreign;
        object.atcId = lf_word(words, 2).substr(0, 31);
        object.title = "Foreign Traffic";
        object.latDeg = lf_latitude(words, 3);
        object.lonDeg = lf_longitude(words, 4);
        object.altFt = lf_double(words, 5);
        if (words.size() > 6 && words[6] == "onground") {
            object.altFt = terrain_.elevationFt(object.latDeg, object.lonDeg) + object.staticCgFt;
        }
        // The simulator keeps its own traffic where it is put.
        object.freezeLatLon = object.freezeAltitude = object.freezeAttitude = true;
        object.createdAt = now;
        announceAdded(objects_[object.id] = object);
        return {{"ok", true}, {"id", object.id}};
    }
    throw BadArgument(fmt::format("unknown obj command '{}'", what));
}

json Simulation::createCommand(const std::vector<std::string>& words) {
    const std::string& what = lf_word(words, 1);
    if (what == "fail") {
        titles_.addRefused(lf_word(words, 2));
    } else if (what == "strict") {
        creation_.strict = lf_onOff(words, 2, true);
    } else if (what == "known") {
        creation_.knownTitles.push_back(lf_word(words, 2));
    } else if (what == "delay") {
        creation_.delay = std::chrono::milliseconds(lf_dword(words, 2));
    } else if (what == "noadded") {
        creation_.suppressAdded = lf_onOff(words, 2, true);
    } else if (what == "addedlate") {
        creation_.addedLate = lf_onOff(words, 2, true);
    } else if (what == "maxobjects") {
        creation_.maxObjects = lf_dword(words, 2);
    } else if (what == "idbase") {
        const DWORD base = lf_word(words, 2) == "random"
                               ? std::uniform_int_distribution<DWORD>(0x10000000u, 0x7FFFFFFFu)(random_)
                               : lf_dword(words, 2);
        if (base <= userId_) {
            throw BadArgument("the id base must lie above the user id");
        }
        nextObjectId_ = base;
        return {{"ok", true}, {"next_id", base}};
    } else {
        throw BadArgument(fmt::format("unknown create command '{}'", what));
    }
    return lf_ok();
}

std::vector<uint32_t> Simulation::targetClients(const std::vector<std::string>& words, size_t at) const {
    std::vector<uint32_t> targets;
    for (const auto& [id, client] : clients_) {
        if (at >= words.size() || words[at] == client.name || words[at] == std::to_string(id)) {
            targets.push_back(id);
        }
    }
    if (targets.empty()) {
        throw BadArgument("no such client connected");
    }
    return targets;
}

json Simulation::injectCommand(const std::vector<std::string>& words) {
    const std::string& what = words[0];
    if (what == "exception") {
        const DWORD code = lf_dword(words, 1);
        const DWORD sendId = words.size() > 2 ? lf_dword(words, 2) : 0;
        const DWORD index = words.size() > 3 ? lf_dword(words, 3) : 0;
        for (uint32_t id : targetClients(words, 4)) {
            sendException(id, code, sendId, index, "injected");
        }
    } else if (what == "raw") {
        const DWORD id = lf_dword(words, 1);
        const Bytes body = words.size() > 2 ? lf_hexBytes(words[2]) : Bytes{};
        for (uint32_t client : targetClients(words, 3)) {
            send(client, gf_rawRecord(id, body));
        }
    } else if (what == "short") {
        const DWORD id = lf_dword(words, 1);
        // Four bytes after the head: shorter than any record that carries fields.
        for (uint32_t client : targetClients(words, 2)) {
            send(client, gf_rawRecord(id, Bytes(4, 0)));
        }
    } else {
        const auto function = gf_simCallFromName(lf_word(words, 1));
        if (!function) {
            throw BadArgument(fmt::format("unknown function '{}'", words[1]));
        }
        const std::string control = gf_failNextCommand(*function, lf_dword(words, 2));
        for (uint32_t client : targetClients(words, 3)) {
            sink_.sendFrame(client, gf_encodeControl(control));
        }
    }
    return lf_ok();
}

// "facility dir <folder>", "facility noend on|off" for every airport, and the switches of one airport:
// "facility delay|noend|short|drop <ICAO> ...", "facility clear [<ICAO>]".
json Simulation::facilityCommand(const std::vector<std::string>& words) {
    const std::string& setting = lf_word(words, 1);
    if (setting == "dir") {
        facilityDir_ = lf_word(words, 2);
        return lf_ok();
    }
    if (setting == "noend" && (words.size() < 3 || words[2] == "on" || words[2] == "off")) {
        facilityNoEnd_ = lf_onOff(words, 2, true);
        return lf_ok();
    }
    if (setting == "clear" && words.size() < 3) {
        facilityFaults_.clear();
        return lf_ok();
    }
    const std::string code = gf_toUpperAscii(lf_word(words, 2));
    if (code.empty() || code.size() > 8 || code.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789") !=
                                               std::string::npos) {
        throw BadArgument(fmt::format("'{}' is no airport code", words[2]));
    }
    if (setting == "clear") {
        facilityFaults_.erase(code);
        return lf_ok();
    }
    FacilityFault& fault = facilityFaults_[code];
    if (setting == "delay") {
        const uint64_t ms = lf_unsigned(words, 3);
        if (ms > 600000) {
            throw BadArgument("a delay is at most 600000 ms");
        }
        fault.delay = std::chrono::milliseconds(ms);
    } else if (setting == "noend") {
        fault.noEnd = true;
    } else if (setting == "short") {
        fault.shortPayloads = true;
    } else if (setting == "drop") {
        fault.drop = true;
    } else {
        facilityFaults_.erase(code);
        throw BadArgument("facility takes dir, noend, delay, short, drop or clear");
    }
    return lf_ok();
}

json Simulation::observeCommand(const std::vector<std::string>& words) {
    const std::string& what = words[0];
    if (what == "facility") {
        return facilityCommand(words);
    }
    if (what == "trace") {
        if (!trace_.open(words.size() > 1 ? words[1] : std::string{})) {
            throw BadArgument("trace file cannot be opened");
        }
        return lf_ok();
    }
    if (what == "track") {
        const double hz = words.size() > 2 ? lf_double(words, 2) : 2.0;
        if (!track_.open(words.size() > 1 ? words[1] : std::string{}, hz)) {
            throw BadArgument("track file cannot be opened or rate out of range");
        }
        return lf_ok();
    }
    if (what == "reset") {
        resetWorld();
        frameHz_ = options_.frameHz;
        identity_ = SimulatorIdentity{};
        facilityDir_ = options_.facilityDir;
        exceptionsSent_.clear();
        return lf_ok();
    }
    if (what == "stats") {
        json calls = json::object();
        const int64_t second =
            std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - startedAt_).count();
        for (const auto& [name, counter] : callCounts_) {
            const uint64_t last = counter.second == second - 1 ? counter.thisSecond
                                  : counter.second == second   ? counter.lastSecond
                                                               : 0;
            calls[name] = {{"total", counter.total}, {"last_second", last}};
        }
        return {{"ok", true},       {"frames", frameCount_},        {"objects", objects_.size()},
                {"pending", pending_.size()}, {"clients", clients_.size()}, {"running", running_},
                {"calls", calls},   {"exceptions", exceptionsSent_.size()}};
    }
    if (what == "clients") {
        json list = json::array();
        for (const auto& [id, client] : clients_) {
            list.push_back({{"id", id},
                            {"name", client.name},
                            {"subscriptions", client.subscriptions.size()},
                            {"definitions", client.definitions.size()},
                            {"events", client.clientEvents.size()},
                            {"standing", client.standing.size()},
                            {"last_packet", client.lastPacketId}});
        }
        return {{"ok", true}, {"clients", list}};
    }
    if (what == "audit") {
        const uint32_t id = targetClients(words, 1).front();
        const ClientState& client = clients_.at(id);
        json definitions = json::object();
        for (const auto& [defineId, definition] : client.definitions) {
            const auto size = gf_definitionSize(definition);
            definitions[std::to_string(defineId)] = {{"datums", definition.size()},
                                                     {"bytes", size ? json(*size) : json(nullptr)}};
        }
        return {{"ok", true}, {"client", id}, {"registrations", client.audit}, {"definitions", definitions}};
    }
    if (what == "exceptions") {
        return {{"ok", true}, {"exceptions", exceptionsSent_}};
    }
    throw BadArgument(fmt::format("unknown command '{}'", what));
}

json Simulation::objectJson(const SimObject& o, Clock::time_point now) const {
    const double ground = terrain_.elevationFt(o.latDeg, o.lonDeg);
    json events = json::object();
    for (const auto& [event, record] : o.events) {
        events[std::string(gf_simEventName(event))] = {{"value", record.lastValue}, {"count", record.count}};
    }
    return {{"id", o.id},
            {"kind", gf_objectKindName(o.kind)},
            {"owner", o.ownerClient},
            {"title", o.title},
            {"atc_id", o.atcId},
            {"model", o.model},
            {"lat", o.latDeg},
            {"lon", o.lonDeg},
            {"alt_ft", o.altFt},
            {"ground_ft", ground},
            {"agl_ft", o.altFt - ground},
            {"on_ground", gf_isOnGround(o, ground)},
            {"pitch_rad", o.pitchRad},
            {"bank_rad", o.bankRad},
            {"heading_rad", o.headingRad},
            {"vs_fps", o.verticalSpeedFps},
            {"tas_kt", o.airspeedKt},
            {"gs_kt", o.groundSpeedKt},
            {"spoilers_pct", o.spoilersPct},
            {"throttle1_pct", o.throttle1Pct},
            {"throttle2_pct", o.throttle2Pct},
            {"flaps", o.flaps},
            {"gear_down", o.gearDown},
            {"lights", o.lights},
            {"engines", o.enginesRunning},
            {"frozen", {{"latlon", o.freezeLatLon}, {"alt", o.freezeAltitude}, {"att", o.freezeAttitude}}},
            {"released", o.aiReleased},
            {"static_cg_ft", o.staticCgFt},
            {"static_pitch_rad", o.staticPitchRad},
            {"flight_plan",
             {{"path", o.flightPlan.path},
              {"type", o.flightPlan.type},
              {"departure", o.flightPlan.departure},
              {"destination", o.flightPlan.destination}}},
            {"events", events},
            {"age_s", std::chrono::duration<double>(now - o.createdAt).count()}};
}

} // namespace hlw::standin
