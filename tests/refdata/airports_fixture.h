#pragma once
// Airports databases for tests: "airports.xml" texts sealed into a temporary program folder with the log open
// in it. The database starts empty and is emptied again at the end.
#include "core/log.h"
#include "refdata/airports_database.h"
#include "refdata/project_key.h"
#include "seal_stream.h"
#include "support/temp_dir.h"

namespace hlw::test {

// "<root><airports>" + the elements + "</airports></root>".
inline std::string airportsXml(const std::string& elements)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n<airports>\n" + elements + "</airports>\n</root>\n";
}

class AirportsFolder {
public:
    AirportsFolder()
    {
        std::filesystem::create_directories(dir / "input");
        gf_startLog(dir / "Log.txt");
        gf_clearAirports();
    }
    ~AirportsFolder()
    {
        gf_clearAirports();
        gf_stopLog();
    }
    AirportsFolder(const AirportsFolder&) = delete;
    AirportsFolder& operator=(const AirportsFolder&) = delete;

    // Seals the text and reads it with gf_readAirports().
    bool read(const std::string& xml) const
    {
        sealer::sealTextToFile(gf_projectKey(), xml, sealedPath());
        return gf_readAirports();
    }
    std::string logText() const
    {
        gf_logFlushNow();
        return readWholeFile(dir / "Log.txt");
    }
    std::filesystem::path sealedPath() const { return dir / "input" / "airports.enc"; }
    std::filesystem::path plainPath() const { return dir / "input" / "airports.xml"; }

    TempDir dir;

private:
    ScopedCurrentPath current_{dir.path()};
};

} // namespace hlw::test
