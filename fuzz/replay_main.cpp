// Runs a fuzz target over its seed corpus without libFuzzer: every file of the folders (and every file) named on
// the command line, in name order, after the empty input. A folder without files fails, so a lost corpus shows.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;

bool lf_replayFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot open %s\n", file.c_str());
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // A copy of exactly the input's size, so that AddressSanitizer sees any read past its end.
    const std::vector<uint8_t> input(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(input.data(), input.size());
    return true;
}

bool lf_replayPath(const fs::path& path, std::size_t& count)
{
    if (!fs::is_directory(path)) {
        ++count;
        return lf_replayFile(path);
    }
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(path)) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path());
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "no inputs in %s\n", path.c_str());
        return false;
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        ++count;
        if (!lf_replayFile(file)) {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <corpus folder or file>...\n", argv[0]);
        return 2;
    }
    // A target may change the current folder on its first run, so the paths are made absolute before it.
    std::vector<fs::path> paths;
    for (int i = 1; i < argc; ++i) {
        paths.push_back(fs::absolute(argv[i]));
    }
    LLVMFuzzerTestOneInput(nullptr, 0);
    std::size_t count = 1;
    for (const fs::path& path : paths) {
        if (!lf_replayPath(path, count)) {
            return 1;
        }
    }
    std::printf("%zu inputs replayed without a fault\n", count);
    return 0;
}
