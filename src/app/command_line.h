#pragma once
// The program's command line.
#include <string_view>
#include <vector>

namespace hlw {

// Production mode: "--production" or "/production" switch it on, "--no-production" or "/no-production" off, in
// any letter case; the last of them wins and other arguments are ignored. Off without any of them.
bool gf_productionRequested(const std::vector<std::string_view>& arguments);

} // namespace hlw
