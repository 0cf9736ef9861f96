#include "airport_generator.h"

#include <fmt/format.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace hlw::test {
namespace {

// Single quotes for the shell, with embedded single quotes closed and reopened.
std::string lf_shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

} // namespace

void generateAirports(const std::string& profile, const std::filesystem::path& out,
                      const std::vector<std::string>& arguments)
{
    std::string command = fmt::format("python3 {} {} --out {}", lf_shellQuoted(HLMR_AIRPORT_GENERATOR_SCRIPT), profile,
                                      lf_shellQuoted(out.string()));
    for (const std::string& argument : arguments) {
        command += " " + lf_shellQuoted(argument);
    }
    if (std::system(command.c_str()) != 0) {
        throw std::runtime_error("airport generator failed: " + command);
    }
}

nlohmann::json readGeneratorJson(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return nlohmann::json::parse(in);
}

} // namespace hlw::test
