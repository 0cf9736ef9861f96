#pragma once
// Reference databases for the reference data and livery suites: an XML text built section by section, sealed
// with the project key into "input/dbase.enc" of a temporary program folder and read from there. Suites that use
// it link the reference data and the sealer.
#include "support/temp_dir.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace hlw::test {

// The text of a "dbase.xml". It starts as a small but complete database (every section, required and optional,
// with content the lookup tests rely on); sections can be replaced (or added at the end) and removed.
class DbaseText {
  public:
    DbaseText();
    DbaseText& set(const std::string& section, std::string body);
    DbaseText& remove(const std::string& section);
    std::string text() const;

  private:
    std::vector<std::pair<std::string, std::string>> sections_;
};

// One element line "<element attribute="value"/>" per value.
std::string elements(const std::string& element, const std::string& attribute, const std::vector<std::string>& values);

// A temporary program folder, made the current folder, with the log open in it. The code tables and the
// reference tables start empty and are emptied again at the end.
class DbaseFolder {
  public:
    DbaseFolder();
    ~DbaseFolder();
    DbaseFolder(const DbaseFolder&) = delete;
    DbaseFolder& operator=(const DbaseFolder&) = delete;

    // Seals the bytes into "input/dbase.enc".
    void seal(const std::string& plainBytes) const;
    // Seals the text and reads it as the run's first read: the installed tables are dropped, the code tables kept.
    bool read(const std::string& xml) const;
    std::string logText() const;

    std::filesystem::path sealedPath() const { return dir / "input" / "dbase.enc"; }
    std::filesystem::path plainPath() const { return dir / "input" / "dbase.xml"; }

    TempDir dir;

  private:
    ScopedCurrentPath current_{dir.path()};
};

} // namespace hlw::test
