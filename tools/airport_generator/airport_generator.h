#pragma once
// Test and benchmark access to the airport-file generator (generate_airports.py): sample, fixture and benchmark
// airport files written into a folder.
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

namespace hlw::test {

// Runs the generator's profile ("sample", "fixtures", "bench") with further arguments into the folder. Throws
// std::runtime_error when the generator fails.
void generateAirports(const std::string& profile, const std::filesystem::path& out,
                      const std::vector<std::string>& arguments = {});

// A JSON file the generator wrote ("layout.json", "fixtures.json").
nlohmann::json readGeneratorJson(const std::filesystem::path& path);

} // namespace hlw::test
