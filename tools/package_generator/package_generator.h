#pragma once
// Test access to the package generator (tools/package_generator/generate_packages.py): fake Community folders
// of AI-traffic packages written into a temporary folder, and the manifest that says what each file proves.
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

namespace hlw::test {

// Runs the generator's profile ("min", "bench", "sample") with further arguments into the folder. Throws
// std::runtime_error when the generator fails.
void generatePackages(const std::string& profile, const std::filesystem::path& out,
                      const std::vector<std::string>& arguments = {});

// The folder's "manifest.json".
nlohmann::json readManifest(const std::filesystem::path& out);

// A manifest report line with "${file}" and "${folder}" replaced by the aircraft.cfg's path and its folder.
std::string expandReportLine(std::string line, const std::filesystem::path& file);

} // namespace hlw::test
