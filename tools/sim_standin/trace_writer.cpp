#include "trace_writer.h"

#include <nlohmann/json.hpp>

namespace hlw::standin {

bool TraceWriter::open(const std::filesystem::path& path) {
    file_.close();
    file_.clear();
    if (path.empty()) {
        return true;
    }
    file_.open(path, std::ios::binary | std::ios::trunc);
    return file_.is_open();
}

void TraceWriter::write(double seconds, uint32_t clientId, const std::string& clientName, const SimCall& call) {
    if (!file_.is_open()) {
        return;
    }
    nlohmann::json line{{"t", seconds},
                        {"client", clientId},
                        {"name", clientName},
                        {"call", gf_simCallName(call.kind)},
                        {"packet", call.packetId},
                        {"numbers", call.numbers},
                        {"texts", call.texts}};
    if (!call.block.empty()) {
        line["block_bytes"] = call.block.size();
    }
    // Client texts need not be UTF-8; the replacing dump keeps the line valid JSON anyway.
    file_ << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    file_.flush();
}

void TraceWriter::note(double seconds, uint32_t clientId, const std::string& clientName, const std::string& what) {
    if (!file_.is_open()) {
        return;
    }
    const nlohmann::json line{{"t", seconds}, {"client", clientId}, {"name", clientName}, {"note", what}};
    file_ << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    file_.flush();
}

} // namespace hlw::standin
