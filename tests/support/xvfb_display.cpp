#include "support/xvfb_display.h"

#include <fmt/format.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

namespace hlw::test {

XvfbDisplay::XvfbDisplay()
{
    try {
        server_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"Xvfb", "-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp",
                                     "-noreset"},
            std::filesystem::path{}, "/dev/null");
        const std::string number = server_->readLine(std::chrono::seconds(10));
        if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) {
            throw std::runtime_error(fmt::format("Xvfb reported '{}' as its display", number));
        }
        name_ = ":" + number;
    } catch (const std::exception& error) {
        problem_ = fmt::format("no display: Xvfb could not be started ({})", error.what());
        server_.reset();
    }
}

XvfbDisplay::~XvfbDisplay()
{
    if (server_) {
        server_->stop();
    }
}

std::optional<std::string> XvfbDisplay::run(const std::string& command) const
{
    const std::string line = fmt::format("DISPLAY='{}' {} 2>/dev/null", name_, command);
    std::FILE* pipe = ::popen(line.c_str(), "r");
    if (pipe == nullptr) {
        return std::nullopt;
    }
    std::string output;
    std::array<char, 65536> buffer{};
    for (size_t read = 0; (read = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) {
        output.append(buffer.data(), read);
    }
    const int status = ::pclose(pipe);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    return output;
}

std::optional<Screenshot> Screenshot::take(const XvfbDisplay& display)
{
    return take(display, {});
}

std::optional<Screenshot> Screenshot::take(const XvfbDisplay& display, const std::string& pngPath)
{
    const std::string save = pngPath.empty() ? "" : fmt::format(" -write 'png:{}'", pngPath);
    const std::optional<std::string> ppm = display.run(fmt::format("xwd -root -silent | convert xwd:-{} ppm:-", save));
    if (!ppm) {
        return std::nullopt;
    }
    // "P6", width, height and the largest value, each may be followed by a comment line.
    std::istringstream header(*ppm);
    auto next = [&header] {
        std::string word;
        while (header >> word && word.front() == '#') {
            header.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
        }
        return word;
    };
    Screenshot shot;
    const std::string magic = next();
    shot.width_ = std::atoi(next().c_str());
    shot.height_ = std::atoi(next().c_str());
    const int maxValue = std::atoi(next().c_str());
    header.get();
    const auto offset = static_cast<size_t>(header.tellg());
    const size_t size = static_cast<size_t>(shot.width_) * static_cast<size_t>(shot.height_) * 3;
    if (magic != "P6" || maxValue != 255 || !header || ppm->size() < offset + size) {
        return std::nullopt;
    }
    shot.rgb_.assign(ppm->begin() + static_cast<std::ptrdiff_t>(offset),
                     ppm->begin() + static_cast<std::ptrdiff_t>(offset + size));
    return shot;
}

Pixel Screenshot::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return {};
    }
    const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)) * 3;
    return {rgb_[at], rgb_[at + 1], rgb_[at + 2]};
}

} // namespace hlw::test
