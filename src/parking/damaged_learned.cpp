#include "parking/damaged_learned.h"

#include "core/log.h"
#include "core/message_line.h"

#include <fmt/format.h>

#include <system_error>

namespace hlw {

namespace fs = std::filesystem;

bool gf_learnedFileDamaged(LearnedRead read) noexcept
{
    return read == LearnedRead::unparsable || read == LearnedRead::stoppedEarly;
}

std::optional<fs::path> gf_freeDamagedLearnedPath(const fs::path& learned)
{
    for (int n = 1; n <= damagedLearnedNames; ++n) {
        fs::path candidate = learned;
        candidate.replace_filename(
            fmt::format("{}.damaged{}{}", learned.stem().string(), n, learned.extension().string()));
        std::error_code error;
        // Only a name that surely names nothing; one whose state cannot be learned is passed over.
        if (fs::symlink_status(candidate, error).type() == fs::file_type::not_found) {
            return candidate;
        }
    }
    return std::nullopt;
}

void gf_keepDamagedLearnedFile(const fs::path& learned, ParkAirportState& state)
{
    const std::optional<fs::path> kept = gf_freeDamagedLearnedPath(learned);
    std::error_code error;
    if (kept) {
        fs::rename(learned, *kept, error);
    }
    if (!kept || error) {
        const std::string reason =
            kept ? error.message() : fmt::format("all {} damaged names are taken", damagedLearnedNames);
        gf_logAlert(fmt::format("learned file {} is damaged and could not be kept aside ({}): it is not saved over",
                                learned.generic_string(), reason));
        gf_setMessage(fmt::format("Learned file {} is damaged; nothing is learned for it", learned.generic_string()),
                      false);
        return;
    }
    state.learnedRead = LearnedRead::damagedKeptAside;
    gf_logAlert(fmt::format("learned file {} is damaged: kept as {}; learning goes on and the next save writes a new "
                            "file",
                            learned.generic_string(), kept->generic_string()));
    gf_setMessage(
        fmt::format("Learned file {} was damaged; kept as {}", learned.generic_string(), kept->generic_string()),
        false);
}

} // namespace hlw
