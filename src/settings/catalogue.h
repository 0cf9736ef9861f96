#pragma once
// Every setting object of the program, the push buttons of the main window, the six storage lists of
// "parameters.xml", the values derived from settings and the fixed file and folder names.
// All of it is built before the program's entry runs (in one translation unit, in the order of dependence) and
// lives until the process exits; only values change. Reading values during static initialisation is not allowed.
#include "settings/parameter.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace hlw::settings {

// Plain flag.
extern BoolParameter random; // "RANDOM"

// Check boxes.
extern BoolCheckBoxParameter alwaysOnTop;            // "ALWAYS_ON_TOP"
extern BoolCheckBoxParameter objectIdList;           // "OBJECTID_LIST"
extern BoolCheckBoxParameter navLightsWhileParked;   // "NAV_LIGHTS_WHILE_PARKED"
extern BoolCheckBoxParameter aerowinx;               // "AEROWINX"
extern BoolCheckBoxParameter guidChanges;            // "GUID_CHANGES"
extern BoolCheckBoxParameter scanLiveries;           // "SCAN_LIVERIES"
extern BoolCheckBoxParameter ligAutomatic;           // "LIG_AUTOMATIC"
extern BoolCheckBoxParameter ligPrioritize;          // "LIG_PRIORITIZE"
extern BoolCheckBoxParameter scanAirports;           // "SCAN_AIRPORTS"
extern BoolCheckBoxParameter lightAircraft;          // "LIGHT_AIRCRAFT"
extern BoolCheckBoxParameter helicopters;            // "HELICOPTERS"
extern BoolCheckBoxParameter highPerfAircraft;       // "HIGH_PERF_AIRCRAFT"
extern BoolCheckBoxParameter autoRange;              // "AUTO_RANGE"
extern BoolCheckBoxParameter airborneOnly;           // "AIRBORNE_ONLY"
extern BoolCheckBoxParameter collisionUserGnd;       // "COLLISION_USER_GND"
extern BoolCheckBoxParameter collisionUserAir;       // "COLLISION_USER_AIR"
extern BoolCheckBoxParameter collisionLiveParkedGnd; // "COLLISION_LIVE_PARKED_GND"
extern BoolCheckBoxParameter straightPbsOnly;        // "STRAIGHT_PBS_ONLY"
extern BoolCheckBoxParameter initialLoadOnly;        // "INITIAL_LOAD_ONLY"
extern BoolCheckBoxParameter week;                   // "WEEK"
extern BoolCheckBoxParameter parkSoft;               // "PARK_SOFT"

// Plain numbers. The main window's position is read and saved by the window state.
extern IntParameter mainWindowX;             // "MAIN_WINDOW_X"
extern IntParameter mainWindowY;             // "MAIN_WINDOW_Y"
extern IntParameter lastEpochTime;           // "LAST_EPOCH_TIME:"
extern IntParameter customParkingPercentage; // "CUSTOM_PARKING_PERCENTAGE"
extern IntParameter holdingThresholdMeters;  // "HOLDING_THRESHOLD_METERS"
extern IntParameter maxHoldingMinutes;       // "MAX_HOLDING_MINUTES"
extern IntParameter maxFit;                  // "MAX_FIT"

// Number lists.
extern IntComboParameter matchingDepth; // "MATCHING_DEPTH"
extern IntComboParameter range;         // "RANGE", nautical miles
extern IntComboParameter arAboveHeight; // "AR_ABOVE_HEIGHT"
extern IntComboParameter maxParkSel;    // "MAX_PARK_SEL"
extern IntComboParameter maxLiveSel;    // "MAX_LIVE_SEL"
extern IntComboParameter airpRange;     // "AIRP_RANGE"
extern IntComboParameter airpHeight;    // "AIRP_HEIGHT"

// Texts.
extern StringParameter programVersion;                // "PROGRAM_VERSION"
extern StringParameter msfsInstallPath;               // "MSFS_INSTALL_PATH"
extern StringParameter portNumber;                    // "PORT_NUMBER"
extern std::array<StringParameter, 10> liveryFolders; // "lfolder0" ... "lfolder9"
extern StringParameter aigVersion;                    // "AIG_VERSION"
extern StringParameter dbaseVersion;                  // "DBASE_VERSION"
extern StringParameter airportsVersion;               // "AIRPORTS_VERSION"
extern StringParameter livScanVersion;                // "LIV_SCAN_VERSION"
extern StringParameter addonsScanVersion;             // "ADDONS_SCAN_VERSION"
extern StringParameter dudiduzavu24Version;           // "DUDIDUZAVU24_VERSION"
extern StringParameter msfs2024InstallPath;           // "MSFS_2024_INSTALL_PATH"
extern StringComboParameter aiPackageSelector;        // "AI_PACKAGE_SELECTOR"
extern StringEditParameter destination;               // "DESTINATION"

// Window-bound texts.
extern StringEditParameter blockCallsign; // "BLOCK_CALLSIGN"
extern StringComboParameter simChoice;    // "SIM_CHOICE": "MSFS 2020", anything else means 2024

// Settings in no storage list: never loaded, never written by a save of all.
extern IntComboParameter parkingPercentage;          // "parking_percentage"
extern FloatComboParameter maxFitFl;                 // "MAX_FIT_FL", derived from "MAX_FIT"
extern StringEditParameter allInstallPath;           // "ALL_INSTALL_PATH", the chosen simulator's install path
extern SharedStringComboParameter callsign2ObjectId; // "CALLSIGN_2_OBJECTID", its list filled at run time

// Push buttons.
extern ButtonControl tbloZipButton;     // "tblo.zip"
extern ButtonControl unblockButton;     // "Unblock"
extern ButtonControl csToOidButton;     // "cs->oid:"
extern ButtonControl blockButton;       // "Block"
extern ButtonControl nowButton;         // "Now"
extern ButtonControl reReadButton;      // "Re-read"
extern ButtonControl flushStaticButton; // "Flush static"

// The six storage lists, in the order the save of all writes them; every listed setting stands in one list.
extern const std::vector<BoolParameter*> boolParameterList;
extern const std::vector<BoolCheckBoxParameter*> checkBoxParameterList;
extern const std::vector<IntParameter*> intParameterList;
extern const std::vector<IntComboParameter*> intComboParameterList;
extern const std::vector<StringParameter*> stringParameterList;
extern const std::vector<StringEditParameter*> controlStringParameterList;

// Every setting: the six lists in order, then the settings in no list; and every push button.
extern const std::vector<Parameter*> allSettings;
extern const std::vector<ButtonControl*> allButtons;

// The eight settings that an airport file can override, by key, in the order the airport files use.
extern const std::array<const char*, 8> airportOverrideKeys;

} // namespace hlw::settings

namespace hlw {

// The range kept in step with "RANGE" by gf_setRange; read by the traffic reader and the engine.
extern std::atomic<double> rangeNm;
extern std::atomic<int32_t> rangeMetres;

// Sets "RANGE" to nm clamped to its bounds, selects its entry in the list (or none) and updates the derived range.
void gf_setRange(int32_t nm);
// The "MAX_FIT_FL" value for a "MAX_FIT" count.
float gf_maxFitForWeeks(int32_t maxFitCount);
// Sets "MAX_FIT_FL" from "MAX_FIT" and selects its entry in the list, or none when the value is no choice.
void gf_syncMaxFit();

// The per-user data folder (roaming application data + "Hollowmere") and the settings file in it, built on first
// use. The folder is not created here.
std::filesystem::path dataFolderPath();
std::filesystem::path parametersFilePath();
// Points both at another folder (tests); an empty optional returns to the per-user folder.
void gf_overrideDataFolderPath(std::optional<std::filesystem::path> folder);

} // namespace hlw

// Fixed file and folder names, relative to the program's folder (the current folder).
namespace hlw::paths {

extern const std::filesystem::path inputFolder;             // input
extern const std::filesystem::path dbaseEncName;            // dbase.enc
extern const std::filesystem::path aigRegcodesEncName;      // AIG-regcodes.enc
extern const std::filesystem::path airportsEncName;         // airports.enc
extern const std::filesystem::path dbaseEncPath;            // input/dbase.enc
extern const std::filesystem::path aigRegcodesEncPath;      // input/AIG-regcodes.enc
extern const std::filesystem::path airportsEncPath;         // input/airports.enc
extern const std::filesystem::path icaoAirportsTxtName;     // ICAO_airports.txt
extern const std::filesystem::path icaoAirportsTxtPath;     // input/ICAO_airports.txt
extern const std::filesystem::path aigRegcodesXmlName;      // AIG-regcodes.xml
extern const std::filesystem::path aigRegcodesXmlPath;      // input/AIG-regcodes.xml
extern const std::filesystem::path myRegcodesFolder;        // input/my_regcodes
extern const std::filesystem::path outputFolder;            // output
extern const std::filesystem::path liveriesScannedPath;     // output/LiveriesScanned.xml
extern const std::filesystem::path infoFolder;              // output/info
extern const std::filesystem::path errorsFolder;            // output/errors
extern const std::filesystem::path objectIdListPath;        // output/info/ObjectIdList.txt
extern const std::filesystem::path airportsFolder;          // airports
extern const std::filesystem::path learnedName;             // learned
extern const std::filesystem::path learnedFolder;           // airports/learned
extern const std::filesystem::path learnedStockFolder;      // airports/learned/stock
extern const std::filesystem::path learnedSimaddonFolder;   // airports/learned/simaddon
extern const std::filesystem::path learnedThirdpartyFolder; // airports/learned/thirdparty
extern const std::filesystem::path mySimaddonFolder;        // airports/my_simaddon
extern const std::filesystem::path myThirdpartyFolder;      // airports/my_thirdparty
extern const std::filesystem::path myParkAirportsPath;      // airports/my_park_airports.txt
extern const std::filesystem::path docsFolder;              // docs
extern const std::filesystem::path newVersionFolder;        // new_version
extern const std::filesystem::path installNewVersionName;   // install_new_version.exe
extern const std::filesystem::path releaseNotesName;        // ReleaseNotes.pdf
extern const std::filesystem::path communityName;           // Community
extern const std::filesystem::path officialName;            // Official
extern const std::filesystem::path official2024Name;        // Official2024
extern const std::filesystem::path vidiveZovadazName;       // VidiveZovadaz (joined to the roaming folder)
extern const std::filesystem::path fsBaseName;              // fs-base
extern const std::filesystem::path tbloFolder;              // tblo
extern const std::filesystem::path tbloZipName;             // tblo.zip

} // namespace hlw::paths
