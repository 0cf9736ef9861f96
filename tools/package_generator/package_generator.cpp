#include "package_generator.h"

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

void lf_replaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

} // namespace

void generatePackages(const std::string& profile, const std::filesystem::path& out,
                      const std::vector<std::string>& arguments)
{
    std::string command = fmt::format("python3 {} {} --out {}", lf_shellQuoted(HLMR_PACKAGE_GENERATOR_SCRIPT),
                                      profile, lf_shellQuoted(out.string()));
    for (const std::string& argument : arguments) {
        command += " " + lf_shellQuoted(argument);
    }
    if (std::system(command.c_str()) != 0) {
        throw std::runtime_error("package generator failed: " + command);
    }
}

nlohmann::json readManifest(const std::filesystem::path& out)
{
    std::ifstream in(out / "manifest.json", std::ios::binary);
    if (!in) {
        throw std::runtime_error("no manifest in " + out.string());
    }
    return nlohmann::json::parse(in);
}

std::string expandReportLine(std::string line, const std::filesystem::path& file)
{
    lf_replaceAll(line, "${file}", file.string());
    lf_replaceAll(line, "${folder}", file.parent_path().string());
    return line;
}

} // namespace hlw::test
