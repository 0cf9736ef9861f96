// hlmr-airport-tree: writes a synthetic simulator package tree for the add-on airports scan, or the BGL seed
// files of the fuzz target.
//   hlmr-airport-tree min|sample|bench OUT [--airports N] [--files N] [--stands N] [--large-stands N]
//   hlmr-airport-tree corpus FOLDER
#include "airport_tree.h"

#include <fmt/format.h>

#include <charconv>
#include <exception>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

int lf_number(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        throw std::invalid_argument(fmt::format("'{}' is not a number", text));
    }
    return value;
}

void lf_writeCorpus(const fs::path& folder)
{
    fs::create_directories(folder);
    for (const auto& [name, bytes] : hlw::tree::gf_bglSeedFiles()) {
        std::ofstream file(folder / name, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!file.flush()) {
            throw std::runtime_error(fmt::format("{} cannot be written", (folder / name).string()));
        }
    }
}

int lf_run(const std::vector<std::string_view>& args)
{
    if (args.size() < 2) {
        throw std::invalid_argument("usage: hlmr-airport-tree min|sample|bench|corpus OUT [--airports N] [--files N] "
                                    "[--stands N] [--large-stands N]");
    }
    if (args[0] == "corpus") {
        lf_writeCorpus(std::string(args[1]));
        return 0;
    }
    hlw::tree::TreeOptions options;
    for (std::size_t i = 2; i + 1 < args.size(); i += 2) {
        const int value = lf_number(args[i + 1]);
        if (args[i] == "--airports") {
            options.airports = value;
        } else if (args[i] == "--files") {
            options.files = value;
        } else if (args[i] == "--stands") {
            options.stands = value;
        } else if (args[i] == "--large-stands") {
            options.largeStands = value;
        } else {
            throw std::invalid_argument(fmt::format("unknown option '{}'", args[i]));
        }
    }
    const auto layout = hlw::tree::gf_buildAirportTree(std::string(args[0]), std::string(args[1]), options);
    fmt::print("{} airports laid out in {}\n", layout.size(), args[1]);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return lf_run(std::vector<std::string_view>(argv + 1, argv + argc));
    } catch (const std::exception& error) {
        fmt::print(stderr, "hlmr-airport-tree: {}\n", error.what());
        return 2;
    }
}
