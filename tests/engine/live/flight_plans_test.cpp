// Flight-plan files: the plan's bytes by category, the file beside its temporary twin, failed writes that assign
// nothing, and the plan's road through the engine (written, assigned with the 2020 simulator, deleted).
#include "engine_fixture.h"

#include "engine/live/flight_plans.h"
#include "support/temp_dir.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace hlw::test {
namespace {

namespace fs = std::filesystem;

FlightRecord lf_flight(AircraftCategory category, const char* origin, const char* destination)
{
    FlightRecord flight;
    flight.hexId = 0x4b0001;
    flight.callsign = "TST1";
    flight.category = category;
    if (*origin != '\0') {
        flight.origin = RouteCode(origin);
    }
    if (*destination != '\0') {
        flight.destination = RouteCode(destination);
    }
    return flight;
}

std::vector<fs::path> lf_filesIn(const fs::path& folder)
{
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        files.push_back(entry.path().filename());
    }
    return files;
}

TEST(FlightPlans, AHeavyFliesIfrUnderItsObjectIdAndItsRouteCodes)
{
    TempDir dir;
    const fs::path path = gf_flightPlanPath(dir.path(), 77);
    EXPECT_EQ(path, dir.path() / "77.pln");
    ASSERT_TRUE(gf_writeFlightPlan(path, lf_flight(AircraftCategory::Heavy, "JFK", "AMS")));
    EXPECT_EQ(readWholeFile(path), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                   "<SimBase.Document Type=\"AceXML\" version=\"4,3\">\n"
                                   "<FlightPlan.FlightPlan>\n"
                                   "<FPType>IFR</FPType>\n"
                                   "<DepartureID>JFK</DepartureID>\n"
                                   "<DestinationID>AMS</DestinationID>\n"
                                   "</FlightPlan.FlightPlan>\n"
                                   "</SimBase.Document>\n"
                                   "\n");
    EXPECT_EQ(lf_filesIn(dir.path()), std::vector<fs::path>{"77.pln"}) << "no temporary file is left";
}

TEST(FlightPlans, TheFlightTypeFollowsTheCategoryAndAMissingCodeIsThreeBlanks)
{
    struct Row {
        AircraftCategory category;
        const char* origin;
        const char* type;
        const char* departure;
    };
    const std::vector<Row> rows = {
        {AircraftCategory::Light, "LUG", "VFR", "LUG"},    {AircraftCategory::Rotorcraft, "BRN", "VFR", "BRN"},
        {AircraftCategory::HighPerf, "ZRH", "VFR", "ZRH"}, {AircraftCategory::Buzjets, "GVA", "IFR", "GVA"},
        {AircraftCategory::Large, "", "IFR", "   "},
    };
    for (const Row& row : rows) {
        const std::string text = gf_flightPlanText(lf_flight(row.category, row.origin, "ZRH"));
        EXPECT_NE(text.find(std::string("<FPType>") + row.type + "</FPType>\n"), std::string::npos) << row.type;
        EXPECT_NE(text.find(std::string("<DepartureID>") + row.departure + "</DepartureID>\n"), std::string::npos)
            << row.origin;
    }
}

TEST(FlightPlans, AWriteThatFailsReportsFalseAndLeavesNoFile)
{
    TempDir dir;
    const FlightRecord flight = lf_flight(AircraftCategory::Large, "ZRH", "LHR");
    // A plan that holds already stays whole when its replacement cannot be written.
    const fs::path kept = gf_flightPlanPath(dir.path(), 90);
    ASSERT_TRUE(gf_writeFlightPlan(kept, flight));
    {
        const FileSizeLimit fullDisk(64);
        EXPECT_FALSE(gf_writeFlightPlan(kept, lf_flight(AircraftCategory::Light, "LUG", "BRN")));
        EXPECT_FALSE(gf_writeFlightPlan(gf_flightPlanPath(dir.path(), 91), flight));
    }
    EXPECT_EQ(readWholeFile(kept), gf_flightPlanText(flight));
    EXPECT_EQ(lf_filesIn(dir.path()), std::vector<fs::path>{"90.pln"});

    // The folder was replaced by a file.
    const fs::path folder = dir.path() / "orig_dest";
    writeWholeFile(folder, "not a folder");
    EXPECT_FALSE(gf_writeFlightPlan(gf_flightPlanPath(folder, 92), flight));
}

// A link planted at the temporary name (the plan folder is open to other programs) takes no write elsewhere.
TEST(FlightPlans, ALinkAtTheTemporaryNameIsReplacedNotFollowed)
{
    TempDir dir;
    const fs::path victim = dir.path() / "victim.txt";
    writeWholeFile(victim, "not to be overwritten");
    const fs::path path = gf_flightPlanPath(dir.path() / "plans", 5);
    fs::create_directories(path.parent_path());
    fs::create_symlink(victim, path.string() + fmt::format(".{}.tmp", ::getpid()));
    const FlightRecord flight = lf_flight(AircraftCategory::Large, "ZRH", "LHR");
    ASSERT_TRUE(gf_writeFlightPlan(path, flight));
    EXPECT_EQ(readWholeFile(victim), "not to be overwritten");
    EXPECT_EQ(readWholeFile(path), gf_flightPlanText(flight));
    EXPECT_EQ(lf_filesIn(path.parent_path()), std::vector<fs::path>{"5.pln"});
}

class PlanRoad : public ::testing::Test, public EngineFixture {
  protected:
    const fs::path& folder() const { return planFolder; }
};

TEST_F(PlanRoad, APlanIsWrittenAssignedWithThe2020SimulatorAndDeletedWithItsObject)
{
    FakeRunState run;
    const FlightRecord flight = lf_flight(AircraftCategory::Heavy, "JFK", "AMS");
    LiveContext live = engine.context();
    ASSERT_TRUE(live.services.createFlightPlan(77, flight));
    EXPECT_TRUE(fs::exists(folder() / "77.pln"));
    EXPECT_EQ(sim.assignedPlans, std::vector<uint32_t>{77});

    run.msfs2020 = false;
    ASSERT_TRUE(live.services.createFlightPlan(78, flight));
    EXPECT_EQ(sim.assignedPlans, std::vector<uint32_t>{77}) << "the 2024 simulator reads the file without a call";

    live.services.deleteFlightPlan(77);
    EXPECT_FALSE(fs::exists(folder() / "77.pln"));
}

TEST_F(PlanRoad, APlanThatCannotBeWrittenOrAssignedIsNotSetAndLeavesNoFile)
{
    FakeRunState run;
    const FlightRecord flight = lf_flight(AircraftCategory::Heavy, "JFK", "AMS");
    LiveContext live = engine.context();
    sim.planAssigned = false;
    EXPECT_FALSE(live.services.createFlightPlan(79, flight));
    EXPECT_FALSE(fs::exists(folder() / "79.pln"));
    sim.planAssigned = true;
    planFolder = log.folder() / "orig_dest";
    writeWholeFile(planFolder, "the folder replaced by a file");
    EXPECT_FALSE(live.services.createFlightPlan(80, flight));
    EXPECT_FALSE(fs::exists(log.folder() / "80.pln"));
    EXPECT_EQ(sim.assignedPlans, std::vector<uint32_t>{79}) << "a plan that was not written is not assigned";
    EXPECT_EQ(log.count("creating a flight plan failed"), 2u);
}

} // namespace
} // namespace hlw::test
