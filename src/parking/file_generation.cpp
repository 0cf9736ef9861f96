#include "parking/file_generation.h"

#include "core/atomic_file.h"
#include "core/log.h"
#include "core/whole_file.h"

#include <fmt/format.h>

#include <system_error>

namespace hlw {
namespace {

// Airport and list files are a few megabytes at most.
constexpr std::size_t generationMaxBytes = 64U << 20U;

} // namespace

std::filesystem::path gf_generationPath(const std::filesystem::path& path)
{
    return gf_generationName(path.string(), 1);
}

bool gf_keepGeneration(const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return !error;
    }
    const std::filesystem::path generation = gf_generationPath(path);
    if (generation.empty()) {
        gf_logAlert(fmt::format("gf_save1GenerationOf: no dot in filename: {}", path.string()));
        return false;
    }
    const WholeFile file = gf_readWholeFile(path, generationMaxBytes);
    if (file.status != WholeFileStatus::ok) {
        gf_logAlert(fmt::format("copy {} -> {} failed: {}", path.string(), generation.string(),
                                gf_wholeFileProblem(file.status, generationMaxBytes)));
        return false;
    }
    return gf_replaceFileContents(generation, file.bytes);
}

} // namespace hlw
