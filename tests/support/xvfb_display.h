#pragma once
// A virtual X display for one test: Xvfb on a free display number (chosen by Xvfb itself), ended by its pid.
// The tools the display tests use on it: xdotool for the user's clicks and keys, xwd and ImageMagick's convert
// for screenshots.
#include "support/child_process.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hlw::test {

class XvfbDisplay {
  public:
    // Starts Xvfb with one 1280 × 800 screen; available() tells whether it runs.
    XvfbDisplay();
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    bool available() const { return !name_.empty(); }
    // Why the display could not be started (for the skip line).
    const std::string& problem() const { return problem_; }
    // ":<number>", the value for DISPLAY.
    const std::string& name() const { return name_; }

    // Runs a shell command with DISPLAY set to this display; its standard output, or none when it failed.
    std::optional<std::string> run(const std::string& command) const;

  private:
    std::unique_ptr<ChildProcess> server_;
    std::string name_;
    std::string problem_;
};

struct Pixel {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    friend bool operator==(const Pixel&, const Pixel&) = default;
};

// The whole screen of a display as RGB pixels.
class Screenshot {
  public:
    // None when the screen could not be read.
    static std::optional<Screenshot> take(const XvfbDisplay& display);
    // Also saves the screen as a PNG file.
    static std::optional<Screenshot> take(const XvfbDisplay& display, const std::string& pngPath);

    int width() const { return width_; }
    int height() const { return height_; }
    Pixel at(int x, int y) const;

  private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> rgb_;
};

} // namespace hlw::test
