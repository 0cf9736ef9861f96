#pragma once
// The root folders of a livery scan, in scan order: the user's "lfolder0" to "lfolder9" (manual mode) or the
// AI-traffic packages found in the simulator's Community folder in the order "AI_PACKAGE_SELECTOR" names them
// (automatic mode). The order decides the source index of each folder and so its priority.
#include <filesystem>
#include <string_view>
#include <vector>

namespace hlw {

enum class AiPackage { aig, fsltl, justFlight, ivaoMtl, userAiTraffic };

// The packages a choice of "AI_PACKAGE_SELECTOR" names ("MTL, AIG" gives MTL then AIG). An unknown name throws
// std::runtime_error.
std::vector<AiPackage> gf_aiPackageOrder(std::string_view choice);

// Appends the first entry of the Community folder (entries in name order, no descent) whose name holds one of
// the package's name patterns (letter case as written) and not "_CVT_"; logs
// "Automatic {} scan found folder: '{}'". Nothing when none matches. A folder that cannot be listed throws
// std::filesystem::filesystem_error.
void gf_detectAiPackage(AiPackage package, const std::filesystem::path& community,
                        std::vector<std::filesystem::path>& folders);

// The packages of the current "AI_PACKAGE_SELECTOR" choice in its order, then "user-aitraffic". A value that is
// none of the choices throws std::runtime_error "AI_PACKAGE_SELECTOR not set".
void gf_detectAiPackages(const std::filesystem::path& community, std::vector<std::filesystem::path>& folders);

// Appends the path of every non-empty "lfolder" setting in order. A path that does not exist (or whose status
// cannot be read) is alerted as "{}: '{}' does not exist" and throws UserErrorException 243; the settings after
// it are not looked at. Whether the path is a folder is left to the scan.
void gf_checkLfolderParameters(std::vector<std::filesystem::path>& folders);

} // namespace hlw
