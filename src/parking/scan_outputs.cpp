#include "parking/scan_outputs.h"

#include "core/folder_files.h"
#include "core/log.h"
#include "core/text_file_writer.h"
#include "core/whole_file.h"
#include "core/zip_archive.h"
#include "parking/apf_location.h"
#include "parking/apf_writer.h"
#include "refdata/airports_database.h"
#include "settings/catalogue.h"
#include "settings/xml_attributes.h"

#include <fmt/format.h>
#include <pugixml.hpp>

#include <algorithm>
#include <system_error>

namespace hlw {
namespace {

namespace fs = std::filesystem;

// The airport whose file of one publisher must not be sent in.
const AirportCode withdrawnCode("KMCI");
constexpr std::string_view withdrawnPublisher = "TropicalSim";

std::string lf_plural(std::size_t count)
{
    return count == 1 ? "" : "s";
}

// True when a file (not a folder) of that name exists; a failed test is an alert and counts as absent.
bool lf_isFile(const fs::path& path)
{
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error && status.type() != fs::file_type::not_found) {
        gf_logAlert(fmt::format("exists({}) failed: {}", path.generic_string(), error.message()));
        return false;
    }
    return fs::is_regular_file(status);
}

void lf_remove(const fs::path& path)
{
    std::error_code error;
    fs::remove(path, error);
    if (error) {
        gf_logAlert(fmt::format("remove({}) failed: {}", path.generic_string(), error.message()));
    }
}

bool lf_copy(const fs::path& from, const fs::path& to)
{
    std::error_code error;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
    if (error) {
        gf_logAlert(
            fmt::format("'{}' failed to copy '{}': {}", from.generic_string(), to.generic_string(), error.message()));
        return false;
    }
    return true;
}

// The generated file of the code is copied; a link file beside it means the airport is known already, so the
// generated file goes. False when the copy failed.
bool lf_copyToTblo(const fs::path& folder, const AirportCode& code, const fs::path& tblo)
{
    const fs::path file = folder / gf_icaoXmlPath(code);
    if (!lf_copy(file, tblo / gf_icaoXmlPath(code))) {
        return false;
    }
    if (lf_isFile(folder / gf_icaoTxtPath(code))) {
        lf_remove(file);
    }
    return true;
}

bool lf_isWithdrawn(const fs::path& file)
{
    pugi::xml_document document;
    if (!document.load_file(file.c_str())) {
        return false;
    }
    return gf_readStringParameter(document, "publisher") == withdrawnPublisher;
}

bool lf_closeZip(ZipArchive& archive, const fs::path& target, int32_t count)
{
    std::string error;
    const bool closed = archive.close(error);
    if (!closed) {
        gf_log(fmt::format("[zip] close failed: {}", error));
    }
    std::error_code status;
    const bool exists = fs::exists(target, status);
    const std::uintmax_t bytes = exists ? fs::file_size(target, status) : 0;
    const auto size = status ? int64_t{-1} : static_cast<int64_t>(bytes);
    gf_logFlush(
        fmt::format("[zip] Added {} files, ok_close={}, exists={}, size={} bytes", count, closed, exists, size));
    return count != 0 && closed && exists && size > 0;
}

} // namespace

bool gf_writeLinkFile(const fs::path& folder, const AirportCode& code, std::string_view archiveName,
                      ReportLines& report)
{
    const fs::path path = folder / gf_icaoTxtPath(code);
    if (!gf_writeText(archiveName, path)) {
        report.push_back(fmt::format("===> could not write {}", path.generic_string()));
        return false;
    }
    return true;
}

void gf_writeGeneratedAirport(ApfData& data, int32_t helipads, int32_t simulator, ReportLines& report)
{
    if (data.stands.empty()) {
        report.push_back(fmt::format("{} has no stands", data.icao));
        return;
    }
    const fs::path& folder = data.publisher == "simaddon" ? paths::mySimaddonFolder : paths::myThirdpartyFolder;
    const std::string helipadText =
        helipads >= 1 ? fmt::format(" of which {} helipad{}", helipads, lf_plural(static_cast<std::size_t>(helipads)))
                      : std::string();
    report.push_back(fmt::format("Generated {}: {} position{}{}", gf_icaoXmlName(data.icao), data.stands.size(),
                                 lf_plural(data.stands.size()), helipadText));
    std::ranges::sort(data.stands, {}, &StandRecord::id);
    ApfWriteOptions options;
    options.kind = ApfFileKind::generated;
    options.simulator = simulator;
    // A scan writes hundreds of these; it syncs them all once at its end.
    options.durability = Durability::later;
    const fs::path path = folder / gf_icaoXmlPath(data.icao);
    if (!gf_writeApf(data, data.stands, path, options)) {
        report.push_back(fmt::format("===> Writing {} did not succeed", path.generic_string()));
    }
}

int32_t gf_copySimaddonFilesToTblo(const fs::path& tblo)
{
    int32_t copied = 0;
    for (const AirportCode& code : gf_xmlFilesInDirectory(paths::mySimaddonFolder)) {
        if (gf_isKnownAirport(code) && lf_copyToTblo(paths::mySimaddonFolder, code, tblo)) {
            ++copied;
        }
    }
    if (copied != 0) {
        gf_logFlush(fmt::format("{} simaddon file{} copied to tblo folder", copied,
                                lf_plural(static_cast<std::size_t>(copied))));
    }
    return copied;
}

void gf_copyThirdpartyFilesToTblo(const fs::path& tblo)
{
    for (const AirportCode& code : gf_xmlFilesInDirectory(paths::myThirdpartyFolder)) {
        const fs::path file = paths::myThirdpartyFolder / gf_icaoXmlPath(code);
        if (code == withdrawnCode && lf_isWithdrawn(file)) {
            lf_remove(file);
            continue;
        }
        if (gf_isKnownAirport(code)) {
            lf_copyToTblo(paths::myThirdpartyFolder, code, tblo);
        }
    }
}

bool gf_zipFolder(const fs::path& folder, const fs::path& target)
{
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        gf_logFlush(fmt::format("[zip] Not a directory: {}", folder.generic_string()));
        return false;
    }
    const fs::path targetPath = fs::absolute(target, error);
    const fs::path source = fs::absolute(folder, error);
    gf_log(fmt::format("[zip] Target file: {}", targetPath.generic_string()));
    gf_logFlush(fmt::format("[zip] Source dir : {}", source.generic_string()));
    if (fs::exists(targetPath, error)) {
        gf_logFlush(fmt::format("[zip] Removing old zip {}", targetPath.generic_string()));
        fs::remove(targetPath, error);
    }
    ZipArchive archive(targetPath);
    std::string zipError;
    if (!archive.openNew(zipError)) {
        gf_logFlush(fmt::format("[zip] Could not open archive for writing ({})", zipError));
        return false;
    }
    int32_t count = 0;
    fs::directory_iterator entries(source, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        const fs::directory_entry& entry = *entries;
        std::error_code kind;
        if (!entry.is_regular_file(kind) || entry.path().filename() == targetPath.filename()) {
            continue;
        }
        WholeFile file = gf_readWholeFile(entry.path(), zipEntryMaxBytes);
        if (file.status != WholeFileStatus::ok) {
            gf_logFlush(fmt::format("[zip] READ FAIL: {}", entry.path().generic_string()));
            continue;
        }
        const std::string name = entry.path().filename().string();
        gf_logFlush(fmt::format("[zip] Adding (data) {} -> {} ({} bytes)", entry.path().generic_string(), name,
                                file.bytes.size()));
        if (!archive.addData(name, std::move(file.bytes), zipError)) {
            gf_logFlush(fmt::format("[zip] ERROR addData({}): {}", name, zipError));
            return lf_closeZip(archive, targetPath, count);
        }
        ++count;
    }
    if (error) {
        gf_logFlush(fmt::format("[zip] {} cannot be listed: {}", source.generic_string(), error.message()));
    }
    return lf_closeZip(archive, targetPath, count);
}

TbloPacking gf_zipTblo(const fs::path& tblo)
{
    TbloPacking packing;
    try {
        packing.files = static_cast<int32_t>(gf_countFilesInDirectory(tblo));
    } catch (const std::exception& error) {
        gf_logAlert(fmt::format("{} cannot be counted: {}", tblo.generic_string(), error.what()));
        return packing;
    }
    if (packing.files == 0) {
        gf_logFlush("All your simaddon and third party airports are recognised, no off line learning needed.");
        return packing;
    }
    if (!gf_zipFolder(tblo, tblo / paths::tbloZipName)) {
        gf_logAlert("Zippen TBLO folder failed");
        return packing;
    }
    gf_removeXMLFilesFromDirectory(tblo);
    packing.packed = true;
    return packing;
}

} // namespace hlw
