#include "track_writer.h"

#include <fmt/format.h>

namespace hlw::standin {
namespace {

// Commas and quotes would break the CSV columns.
std::string lf_csvText(const std::string& text) {
    std::string out;
    for (char c : text) {
        out.push_back(c == ',' || c == '"' || c == '\n' || c == '\r' ? '_' : c);
    }
    return out;
}

} // namespace

bool TrackWriter::open(const std::filesystem::path& path, double hz) {
    file_.close();
    file_.clear();
    if (path.empty()) {
        return true;
    }
    if (!(hz > 0.0 && hz <= 1000.0)) {
        return false;
    }
    interval_ = std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(1.0 / hz));
    next_ = std::chrono::steady_clock::now();
    file_.open(path, std::ios::binary | std::ios::trunc);
    if (!file_.is_open()) {
        return false;
    }
    file_ << "t,id,kind,atc_id,title,lat,lon,alt_ft,agl_ft,pitch_rad,bank_rad,heading_rad,vs_fps,tas_kt,on_ground,"
             "frozen_latlon,frozen_alt,frozen_att,released,lights,flaps,gear,spoilers_pct,throttle1_pct,"
             "throttle2_pct,engines\n";
    return true;
}

void TrackWriter::beginRow(std::chrono::steady_clock::time_point now) {
    next_ += interval_;
    if (next_ < now) {
        next_ = now + interval_;
    }
}

void TrackWriter::write(double seconds, const SimObject& o, double groundFt, bool onGround) {
    file_ << fmt::format("{:.3f},{},{},{},{},{:.8f},{:.8f},{:.2f},{:.2f},{:.5f},{:.5f},{:.5f},{:.2f},{:.1f},{:d},{:d},"
                         "{:d},{:d},{:d},{},{},{:d},{:.1f},{:.1f},{:.1f},{:d}\n",
                         seconds, o.id, gf_objectKindName(o.kind), lf_csvText(o.atcId), lf_csvText(o.title), o.latDeg,
                         o.lonDeg, o.altFt, o.altFt - groundFt, o.pitchRad, o.bankRad, o.headingRad,
                         o.verticalSpeedFps, o.airspeedKt, onGround, o.freezeLatLon, o.freezeAltitude,
                         o.freezeAttitude, o.aiReleased, o.lights, o.flaps, o.gearDown, o.spoilersPct,
                         o.throttle1Pct, o.throttle2Pct, o.enginesRunning);
}

} // namespace hlw::standin
