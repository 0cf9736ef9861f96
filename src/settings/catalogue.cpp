// The whole catalogue lives in this one translation unit: C++ orders static initialisation only within a unit,
// and the lists, the override keys and the joined paths below depend on the objects defined before them.
#include "settings/catalogue.h"

#include "core/known_folders.h"
#include "core/product.h"

#include <algorithm>
#include <mutex>

namespace hlw::settings {
namespace {

constexpr int32_t defaultRangeNm = 40;
constexpr int32_t metresPerNm = 1852;

// Every ordering of every non-empty subset of the four package names: larger subsets first, the subsets of one
// size in lexicographic order, and the orderings of one subset in lexicographic order.
std::vector<std::string> lf_packageOrders()
{
    const std::vector<std::string> names{"AIG", "FSLTL", "JF", "MTL"};
    std::vector<std::vector<std::string>> subsets;
    for (unsigned mask = 1; mask < (1U << names.size()); ++mask) {
        std::vector<std::string> subset;
        for (size_t i = 0; i < names.size(); ++i) {
            if ((mask & (1U << i)) != 0) {
                subset.push_back(names[i]);
            }
        }
        subsets.push_back(std::move(subset));
    }
    std::sort(subsets.begin(), subsets.end(),
              [](const auto& a, const auto& b) { return a.size() != b.size() ? a.size() > b.size() : a < b; });
    std::vector<std::string> rows;
    for (std::vector<std::string>& subset : subsets) {
        do {
            std::string row;
            for (const std::string& name : subset) {
                row += (row.empty() ? "" : ", ") + name;
            }
            rows.push_back(std::move(row));
        } while (std::next_permutation(subset.begin(), subset.end()));
    }
    return rows;
}

std::vector<int32_t> lf_multiplesOfFiveUpTo100()
{
    std::vector<int32_t> choices;
    for (int32_t percent = 0; percent <= 100; percent += 5) {
        choices.push_back(percent);
    }
    return choices;
}

} // namespace

BoolParameter random{"RANDOM", true};

BoolCheckBoxParameter alwaysOnTop{"ALWAYS_ON_TOP", false, 32771, 147};
BoolCheckBoxParameter objectIdList{"OBJECTID_LIST", false, 32775, 175};
BoolCheckBoxParameter navLightsWhileParked{"NAV_LIGHTS_WHILE_PARKED", true, 32774, 175};
BoolCheckBoxParameter aerowinx{"AEROWINX", false, 32776, 203};
BoolCheckBoxParameter guidChanges{"GUID_CHANGES", true, 32773, 203};
BoolCheckBoxParameter scanLiveries{"SCAN_LIVERIES", true, 32798, 147};
BoolCheckBoxParameter ligAutomatic{"LIG_AUTOMATIC", true, 32799, 147};
BoolCheckBoxParameter ligPrioritize{"LIG_PRIORITIZE", true, 32800, 147};
BoolCheckBoxParameter scanAirports{"SCAN_AIRPORTS", true, 32802, 175};
BoolCheckBoxParameter lightAircraft{"LIGHT_AIRCRAFT", true, 32809, 203};
BoolCheckBoxParameter helicopters{"HELICOPTERS", true, 32810, 203};
BoolCheckBoxParameter highPerfAircraft{"HIGH_PERF_AIRCRAFT", true, 32811, 203};
BoolCheckBoxParameter autoRange{"AUTO_RANGE", true, 32819, 231};
BoolCheckBoxParameter airborneOnly{"AIRBORNE_ONLY", false, 32821, 231};
BoolCheckBoxParameter collisionUserGnd{"COLLISION_USER_GND", true, 32834, 287};
BoolCheckBoxParameter collisionUserAir{"COLLISION_USER_AIR", true, 32833, 287};
BoolCheckBoxParameter collisionLiveParkedGnd{"COLLISION_LIVE_PARKED_GND", false, 32835, 287};
BoolCheckBoxParameter straightPbsOnly{"STRAIGHT_PBS_ONLY", false, 32855, 315};
BoolCheckBoxParameter initialLoadOnly{"INITIAL_LOAD_ONLY", false, 32851, 371};
BoolCheckBoxParameter week{"WEEK", false, 32853, 371};
BoolCheckBoxParameter parkSoft{"PARK_SOFT", false, 32852, 371};

// The main window's state reads and saves these two; they stand first among the plain numbers.
IntParameter mainWindowX{"MAIN_WINDOW_X", 400, -30000, 30000};
IntParameter mainWindowY{"MAIN_WINDOW_Y", 20, -30000, 30000};
IntParameter lastEpochTime{"LAST_EPOCH_TIME:", 0, 0, 2147483647};
IntParameter customParkingPercentage{"CUSTOM_PARKING_PERCENTAGE", -1, -1, 100};
IntParameter holdingThresholdMeters{"HOLDING_THRESHOLD_METERS", 250, 10, 4000};
IntParameter maxHoldingMinutes{"MAX_HOLDING_MINUTES", 20, 1, 60};
IntParameter maxFit{"MAX_FIT", 47, 0, 47};

IntComboParameter matchingDepth{"MATCHING_DEPTH", 4, {1, 2, 3, 4}, 32808, 203};
IntComboParameter range{
    "RANGE", defaultRangeNm, {2, 3, 4, 5, 6, 8, 10, 12, 14, 16, 18, 20, 25, 30, 35, 40, 50, 65, 80, 100}, 32818, 231};
IntComboParameter arAboveHeight{"AR_ABOVE_HEIGHT",
                                48000,
                                {18000, 21000, 24000, 27000, 30000, 33000, 36000, 39000, 42000, 45000, 48000},
                                32820,
                                231};
IntComboParameter maxParkSel{"MAX_PARK_SEL", 500, {0, 10, 25, 50, 75, 100, 500}, 32848, 315};
IntComboParameter maxLiveSel{"MAX_LIVE_SEL", 500, {0, 10, 25, 50, 75, 100, 500}, 32849, 315};
IntComboParameter airpRange{"AIRP_RANGE", 20, {5, 10, 15, 20, 25, 30}, 32840, 343};
IntComboParameter airpHeight{
    "AIRP_HEIGHT", 18000, {2000, 4000, 6000, 8000, 10000, 12000, 14000, 16000, 18000, 36000, 48000}, 32841, 343};

StringParameter programVersion{"PROGRAM_VERSION", ""};
StringParameter msfsInstallPath{"MSFS_INSTALL_PATH", ""};
StringParameter portNumber{"PORT_NUMBER", "10747"};
std::array<StringParameter, 10> liveryFolders{StringParameter{"lfolder0", ""}, StringParameter{"lfolder1", ""},
                                              StringParameter{"lfolder2", ""}, StringParameter{"lfolder3", ""},
                                              StringParameter{"lfolder4", ""}, StringParameter{"lfolder5", ""},
                                              StringParameter{"lfolder6", ""}, StringParameter{"lfolder7", ""},
                                              StringParameter{"lfolder8", ""}, StringParameter{"lfolder9", ""}};
StringParameter aigVersion{"AIG_VERSION", ""};
StringParameter dbaseVersion{"DBASE_VERSION", ""};
StringParameter airportsVersion{"AIRPORTS_VERSION", ""};
StringParameter livScanVersion{"LIV_SCAN_VERSION", ""};
StringParameter addonsScanVersion{"ADDONS_SCAN_VERSION", ""};
StringParameter dudiduzavu24Version{"DUDIDUZAVU24_VERSION", ""};
StringParameter msfs2024InstallPath{"MSFS_2024_INSTALL_PATH", ""};
StringComboParameter aiPackageSelector{"AI_PACKAGE_SELECTOR", "AIG, FSLTL, JF, MTL", lf_packageOrders(), 32790, 147};
StringEditParameter destination{"DESTINATION", "", 32839, 343};

StringEditParameter blockCallsign{"BLOCK_CALLSIGN", "", 32828, 259};
StringComboParameter simChoice{"SIM_CHOICE", "MSFS 2020", {"MSFS 2020", "MSFS 2024"}, 32789, 119};

IntComboParameter parkingPercentage{"parking_percentage", 30, lf_multiplesOfFiveUpTo100(), 32850, 371};
FloatComboParameter maxFitFl{
    "MAX_FIT_FL", 24.0F, {0.5F, 1, 1.5F, 2, 2.5F, 3, 3.5F, 4, 4.5F, 5, 6, 7, 8, 9, 10, 12, 15, 18, 21, 24}, 32854, 371};
StringEditParameter allInstallPath{"ALL_INSTALL_PATH", "", 32788, 119};
// The list starts with one empty entry; the engine replaces it with the callsigns it sees.
SharedStringComboParameter callsign2ObjectId{
    "CALLSIGN_2_OBJECTID", "", std::make_shared<SharedTextList>(std::vector<std::string>{""}), 32831, 259};

ButtonControl tbloZipButton{"tblo.zip", 32804, 175};
ButtonControl unblockButton{"Unblock", 32829, 257};
ButtonControl csToOidButton{"cs->oid:", 32830, 257};
ButtonControl blockButton{"Block", 32832, 257};
ButtonControl nowButton{"Now", 32847, 313};
ButtonControl reReadButton{"Re-read", 32838, 341};
ButtonControl flushStaticButton{"Flush static", 32857, 369};

const std::vector<BoolParameter*> boolParameterList{&random};
const std::vector<BoolCheckBoxParameter*> checkBoxParameterList{&alwaysOnTop,
                                                                &objectIdList,
                                                                &navLightsWhileParked,
                                                                &aerowinx,
                                                                &guidChanges,
                                                                &scanLiveries,
                                                                &ligAutomatic,
                                                                &ligPrioritize,
                                                                &scanAirports,
                                                                &lightAircraft,
                                                                &helicopters,
                                                                &highPerfAircraft,
                                                                &autoRange,
                                                                &airborneOnly,
                                                                &collisionUserGnd,
                                                                &collisionUserAir,
                                                                &collisionLiveParkedGnd,
                                                                &straightPbsOnly,
                                                                &initialLoadOnly,
                                                                &week,
                                                                &parkSoft};
const std::vector<IntParameter*> intParameterList{
    &mainWindowX,       &mainWindowY, &lastEpochTime, &customParkingPercentage, &holdingThresholdMeters,
    &maxHoldingMinutes, &maxFit};
const std::vector<IntComboParameter*> intComboParameterList{&matchingDepth, &range,     &arAboveHeight, &maxParkSel,
                                                            &maxLiveSel,    &airpRange, &airpHeight};
const std::vector<StringParameter*> stringParameterList{
    &programVersion,    &msfsInstallPath,  &portNumber,        &liveryFolders[0],    &liveryFolders[1],
    &liveryFolders[2],  &liveryFolders[3], &liveryFolders[4],  &liveryFolders[5],    &liveryFolders[6],
    &liveryFolders[7],  &liveryFolders[8], &liveryFolders[9],  &aigVersion,          &dbaseVersion,
    &airportsVersion,   &livScanVersion,   &addonsScanVersion, &dudiduzavu24Version, &msfs2024InstallPath,
    &aiPackageSelector, &destination};
const std::vector<StringEditParameter*> controlStringParameterList{&blockCallsign, &simChoice};

const std::vector<Parameter*> allSettings = [] {
    std::vector<Parameter*> all;
    all.insert(all.end(), boolParameterList.begin(), boolParameterList.end());
    all.insert(all.end(), checkBoxParameterList.begin(), checkBoxParameterList.end());
    all.insert(all.end(), intParameterList.begin(), intParameterList.end());
    all.insert(all.end(), intComboParameterList.begin(), intComboParameterList.end());
    all.insert(all.end(), stringParameterList.begin(), stringParameterList.end());
    all.insert(all.end(), controlStringParameterList.begin(), controlStringParameterList.end());
    all.insert(all.end(), {&parkingPercentage, &maxFitFl, &allInstallPath, &callsign2ObjectId});
    return all;
}();
const std::vector<ButtonControl*> allButtons{&tbloZipButton, &unblockButton, &csToOidButton,    &blockButton,
                                             &nowButton,     &reReadButton,  &flushStaticButton};

const std::array<const char*, 8> airportOverrideKeys{
    range.key().c_str(),    autoRange.key().c_str(),         initialLoadOnly.key().c_str(),
    parkSoft.key().c_str(), parkingPercentage.key().c_str(), maxFit.key().c_str(),
    week.key().c_str(),     maxLiveSel.key().c_str()};

} // namespace hlw::settings

namespace hlw {

// Constant-initialised from the default of "RANGE", so readers in any unit see them before dynamic initialisation.
constinit std::atomic<double> rangeNm{static_cast<double>(settings::defaultRangeNm)};
constinit std::atomic<int32_t> rangeMetres{settings::defaultRangeNm * settings::metresPerNm};

void gf_setRange(int32_t nm)
{
    // The window's range list and the worker's automatic range may set it at once; the setting and the two
    // derived values must end up from the same call.
    static std::mutex rangeMutex;
    const std::lock_guard lock(rangeMutex);
    const int32_t value = settings::range.clamp(nm);
    settings::range.set(value);
    settings::range.showSelection();
    rangeNm.store(static_cast<double>(value));
    rangeMetres.store(value * settings::metresPerNm);
}

float gf_maxFitForWeeks(int32_t maxFitCount)
{
    struct Step {
        int32_t fromCount;
        float weeks;
    };
    // The first row whose count is reached wins.
    static constexpr Step steps[]{{44, 24.0F}, {38, 21.0F}, {32, 18.0F}, {26, 15.0F}, {22, 12.0F},
                                  {20, 11.0F}, {18, 10.0F}, {16, 9.0F},  {14, 8.0F},  {12, 7.0F},
                                  {10, 6.0F},  {9, 5.0F},   {8, 4.5F},   {7, 4.0F},   {6, 3.5F},
                                  {5, 3.0F},   {4, 2.5F},   {3, 2.0F},   {2, 1.5F},   {1, 1.0F}};
    for (const Step& step : steps) {
        if (maxFitCount >= step.fromCount) {
            return step.weeks;
        }
    }
    return 0.5F;
}

// 11.0 is no choice of the list: its selection is then cleared rather than left on the previous entry.
void gf_syncMaxFit()
{
    settings::maxFitFl.set(gf_maxFitForWeeks(settings::maxFit.get()));
    settings::maxFitFl.showSelection();
}

namespace {

struct DataFolderOverride {
    std::mutex mutex;
    std::optional<std::filesystem::path> folder;
};

DataFolderOverride& lf_dataFolderOverride()
{
    static DataFolderOverride override;
    return override;
}

// Built on first use: the known-folder service may log, which is not allowed during static initialisation.
const std::filesystem::path& lf_userDataFolder()
{
    static const std::filesystem::path folder = gf_roamingAppDataPath() / productName;
    return folder;
}

} // namespace

std::filesystem::path dataFolderPath()
{
    DataFolderOverride& override = lf_dataFolderOverride();
    {
        std::lock_guard lock(override.mutex);
        if (override.folder) {
            return *override.folder;
        }
    }
    return lf_userDataFolder();
}

std::filesystem::path parametersFilePath()
{
    return dataFolderPath() / "parameters.xml";
}

void gf_overrideDataFolderPath(std::optional<std::filesystem::path> folder)
{
    DataFolderOverride& override = lf_dataFolderOverride();
    std::lock_guard lock(override.mutex);
    override.folder = std::move(folder);
}

} // namespace hlw

namespace hlw::paths {

const std::filesystem::path inputFolder{"input"};
const std::filesystem::path dbaseEncName{"dbase.enc"};
const std::filesystem::path aigRegcodesEncName{"AIG-regcodes.enc"};
const std::filesystem::path airportsEncName{"airports.enc"};
const std::filesystem::path dbaseEncPath{inputFolder / dbaseEncName};
const std::filesystem::path aigRegcodesEncPath{inputFolder / aigRegcodesEncName};
const std::filesystem::path airportsEncPath{inputFolder / airportsEncName};
const std::filesystem::path icaoAirportsTxtName{"ICAO_airports.txt"};
const std::filesystem::path icaoAirportsTxtPath{inputFolder / icaoAirportsTxtName};
const std::filesystem::path aigRegcodesXmlName{"AIG-regcodes.xml"};
const std::filesystem::path aigRegcodesXmlPath{inputFolder / aigRegcodesXmlName};
const std::filesystem::path myRegcodesFolder{inputFolder / "my_regcodes"};
const std::filesystem::path outputFolder{"output"};
const std::filesystem::path liveriesScannedPath{outputFolder / "LiveriesScanned.xml"};
const std::filesystem::path infoFolder{outputFolder / "info"};
const std::filesystem::path errorsFolder{outputFolder / "errors"};
const std::filesystem::path objectIdListPath{infoFolder / "ObjectIdList.txt"};
const std::filesystem::path airportsFolder{"airports"};
const std::filesystem::path learnedName{"learned"};
const std::filesystem::path learnedFolder{airportsFolder / learnedName};
const std::filesystem::path learnedStockFolder{learnedFolder / "stock"};
const std::filesystem::path learnedSimaddonFolder{learnedFolder / "simaddon"};
const std::filesystem::path learnedThirdpartyFolder{learnedFolder / "thirdparty"};
const std::filesystem::path mySimaddonFolder{airportsFolder / "my_simaddon"};
const std::filesystem::path myThirdpartyFolder{airportsFolder / "my_thirdparty"};
const std::filesystem::path myParkAirportsPath{airportsFolder / "my_park_airports.txt"};
const std::filesystem::path docsFolder{"docs"};
const std::filesystem::path newVersionFolder{"new_version"};
const std::filesystem::path installNewVersionName{"install_new_version.exe"};
const std::filesystem::path releaseNotesName{"ReleaseNotes.pdf"};
const std::filesystem::path communityName{"Community"};
const std::filesystem::path officialName{"Official"};
const std::filesystem::path official2024Name{"Official2024"};
const std::filesystem::path vidiveZovadazName{"VidiveZovadaz"};
const std::filesystem::path fsBaseName{"fs-base"};
const std::filesystem::path tbloFolder{"tblo"};
const std::filesystem::path tbloZipName{"tblo.zip"};

} // namespace hlw::paths
