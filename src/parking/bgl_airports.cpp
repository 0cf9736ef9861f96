#include "parking/bgl_airports.h"

#include "core/capped_alerts.h"
#include "core/log.h"
#include "core/whole_file.h"
#include "parking/airport_link.h"
#include "parking/bgl_reader.h"
#include "parking/package_manifest.h"
#include "parking/scan_outputs.h"

#include <fmt/format.h>

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <vector>

namespace hlw {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view emDash = "\u2014";

// The ident as an airport code when it is one the airports database knows; an unknown 4-character code gets a
// scan log line, any other ident (a heliport's 3 characters) none.
std::optional<AirportCode> lf_supportedAirport(const std::string& ident, CappedAlerts& lines)
{
    if (ident.size() != 4 || !AirportCode::isValid(ident)) {
        return std::nullopt;
    }
    const AirportCode code(ident);
    if (!gf_isKnownAirport(code)) {
        lines.alert("unsupported airport", "{} is not an airport supported by RealTraffic", code);
        return std::nullopt;
    }
    return code;
}

// One ident of the file: what its first record decided, and for an airport whose file is generated the stands
// it is owed.
struct IdentInFile {
    std::size_t lastRecord = 0; // the index of the ident's last record in the file
    bool decided = false;
    bool generated = false; // its file is generated from the stands of its records
    bool read = false;      // a record of it was read whole
    bool written = false;
    std::string publisher;
    std::optional<BglAirportStands> stands; // of its latest record that had any
};

// The airports of one file, each ident once. The first record of an ident decides between no file, a link file
// and a generated file; a generated file is written once, at the ident's last record, with the stands of its
// latest record that had any: what writing every record in turn would leave behind. The status counters, which
// count the files of the output folders, are set once the file is done: a file with thousands of airports would
// otherwise list the folder once per airport.
class FileAirports {
  public:
    FileAirports(const fs::path& path, AddonScanRun& run, BglWalkBudget& budget, CappedAlerts& lines)
        : path_(path), pathText_(path.string()), run_(run), budget_(budget), lines_(lines)
    {
    }

    void read()
    {
        WholeFile file = gf_readWholeFile(path_, bglFileMaxBytes);
        if (file.status == WholeFileStatus::tooLarge) {
            run_.report().push_back(
                fmt::format("===> {} {}, not read", pathText_, gf_wholeFileProblem(file.status, bglFileMaxBytes)));
        }
        if (file.status != WholeFileStatus::ok) {
            return;
        }
        const BglWords words(std::move(file.bytes));
        const std::vector<BglAirportRecord> records = gf_findBglAirports(words, budget_);
        // The map keeps its elements in place.
        std::vector<IdentInFile*> identOf(records.size());
        idents_.reserve(records.size());
        for (std::size_t i = 0; i < records.size(); ++i) {
            identOf[i] = &idents_[records[i].ident];
            identOf[i]->lastRecord = i;
        }
        for (std::size_t i = 0; i < records.size() && !budget_.spent(); ++i) {
            if (AddonScanRun::stopping()) {
                return;
            }
            record(words, records[i], i, *identOf[i]);
        }
    }

    // The generated files of the idents whose last record was not reached: an error or the spent budget ended
    // the file first. A stop of the run writes no more.
    void writeOwed()
    {
        std::vector<std::pair<const std::string, IdentInFile>*> owed;
        for (auto& ident : idents_) {
            if (ident.second.read && !ident.second.written) {
                owed.push_back(&ident);
            }
        }
        std::ranges::sort(owed, {}, [](const auto* ident) { return ident->first; });
        for (auto* ident : owed) {
            if (AddonScanRun::stopping()) {
                return;
            }
            write(ident->first, ident->second);
        }
    }

    void count()
    {
        if (linked_) {
            run_.countBoth();
        } else if (written_) {
            run_.countThirdParty();
        }
    }

  private:
    void record(const BglWords& words, const BglAirportRecord& record, std::size_t index, IdentInFile& ident)
    {
        if (!ident.decided) {
            decide(record.ident, ident);
        }
        if (!ident.generated) {
            return;
        }
        BglAirportStands airport = gf_readBglStands(words, record, pathText_, lines_, budget_);
        // An airport of 65,535 stands takes some 50 ms to read and three times as long to write.
        if (budget_.spent() || AddonScanRun::stopping()) {
            return;
        }
        ident.read = true;
        if (!airport.stands.empty()) {
            ident.stands = std::move(airport);
        }
        if (index == ident.lastRecord) {
            write(record.ident, ident);
        }
    }

    void decide(const std::string& text, IdentInFile& ident)
    {
        ident.decided = true;
        const std::optional<AirportCode> code = lf_supportedAirport(text, lines_);
        if (!code) {
            return;
        }
        ApfData data = airportData(*code);
        if (gf_linkAirport(data, run_)) {
            linked_ = true;
            return;
        }
        if (gf_manifestNamesNoMaker(data.manifest)) {
            lines_.alert("manifest names no maker", "{}", gf_noMakerLine(*code, *data.manifest));
            return;
        }
        ident.generated = true;
        ident.publisher = std::move(data.publisher);
    }

    void write(const std::string& text, IdentInFile& ident)
    {
        ident.written = true;
        ApfData data = airportData(AirportCode(text));
        data.publisher = ident.publisher;
        int32_t helipads = 0;
        if (ident.stands) {
            data.altitude = ident.stands->altitudeFt;
            data.stands = std::move(ident.stands->stands);
            helipads = ident.stands->helipads;
            ident.stands.reset();
        }
        gf_writeGeneratedAirport(data, helipads, run_.simulator().code, run_.report());
        written_ = true;
    }

    // The package manifest is looked for once per file.
    ApfData airportData(const AirportCode& code)
    {
        if (!manifestSearched_) {
            manifestSearched_ = true;
            manifest_ = gf_searchManifest(path_, run_.report());
        }
        ApfData data;
        data.icao = code;
        data.bglPath = path_;
        data.bglPathText = pathText_;
        data.manifest = manifest_;
        return data;
    }

    const fs::path& path_;
    const std::string pathText_;
    AddonScanRun& run_;
    BglWalkBudget& budget_;
    CappedAlerts& lines_;
    std::unordered_map<std::string, IdentInFile> idents_;
    bool manifestSearched_ = false;
    std::optional<PackageManifest> manifest_;
    bool linked_ = false;
    bool written_ = false;
};

// One step over the file: an error ends it with an alert, and what the step wrote before stays.
template <typename Step> void lf_guarded(const std::string& pathText, Step step)
{
    try {
        step();
    } catch (const std::exception& error) {
        gf_logAlert(fmt::format("Exception in lf_processBGLfile (std::ex): {} {} {}", pathText, emDash, error.what()));
    } catch (...) {
        gf_logAlert(fmt::format("Exception in lf_processBGLfile: {}", pathText));
    }
}

} // namespace

void gf_processBglFile(const fs::path& path, AddonScanRun& run)
{
    const std::string pathText = path.string();
    BglWalkBudget budget(pathText);
    {
        CappedAlerts lines(
            pathText, [&report = run.report()](std::string line) { report.push_back(std::move(line)); },
            bglFileMaxRepeatedLines);
        FileAirports airports(path, run, budget, lines);
        lf_guarded(pathText, [&airports] { airports.read(); });
        lf_guarded(pathText, [&airports] { airports.writeOwed(); });
        airports.count();
    }
    budget.logLeftOut();
}

} // namespace hlw
