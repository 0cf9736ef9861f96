#include "scan_test_support.h"

#include "liveries/folder_walk.h"
#include "refdata/code_table.h"
#include "support/temp_dir.h"

namespace hlw::test {
namespace fs = std::filesystem;

void writeFile(const fs::path& file, const std::string& content)
{
    fs::create_directories(file.parent_path());
    writeWholeFile(file, content);
}

ScannedLiveryList pathLivery(int32_t sourceIndex, const fs::path& file)
{
    LiveryData livery;
    livery.title = file.string();
    livery.airline = gf_airlineIndex("DLH");
    livery.model = gf_modelIndex("A320");
    livery.sourceIndex = static_cast<uint16_t>(sourceIndex);
    return {livery};
}

std::vector<std::string> titles(const ScannedLiveryList& liveries)
{
    std::vector<std::string> result;
    for (const LiveryData& livery : liveries) {
        result.push_back(livery.title);
    }
    return result;
}

std::vector<std::string> cfgFilesInListingOrder(const fs::path& root)
{
    std::vector<std::string> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file() && gf_isAircraftCfgName(entry.path())) {
            files.push_back(entry.path().string());
        }
    }
    return files;
}

} // namespace hlw::test
