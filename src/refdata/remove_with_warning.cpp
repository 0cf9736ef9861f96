#include "refdata/remove_with_warning.h"

#include "core/log.h"

#include <fmt/format.h>
#include <system_error>

namespace hlw {

void gf_removeWithWarning(const std::filesystem::path& path) noexcept
{
    try {
        std::error_code error;
        // remove() reports success with false for a missing file, so only real failures set the code.
        std::filesystem::remove(path, error);
        if (error) {
            gf_logAlert(fmt::format("Warning: could not remove {}, errorcode: {}", path.string(), error.message()));
        }
    } catch (const std::exception&) {
        // Only building the texts can throw (out of memory); the removal itself reports through the error code.
        gf_logAlert("Warning: could not remove a file, out of memory");
    }
}

} // namespace hlw
