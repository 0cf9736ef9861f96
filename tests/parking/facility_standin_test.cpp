// The facility reader against the simulator stand-in process and the sample facility files, with each of the
// stand-in's facility switches: every failed read is one alert, and the next airport is read as usual; a stop ends a
// stalled request at once, and the reader tells it from a failure.
#include "parking/facility_reader.h"

#include "standin_process.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <optional>
#include <thread>

namespace hlw {
namespace {

using namespace std::chrono_literals;

// The steady clock running 20 times as fast: the reader's 10 s wait passes in half a real second, while the
// stand-in's answers still come in real time.
class QuickTime final : public SteadyTimeSource {
  public:
    TimePoint now() override { return start_ + (Clock::now() - start_) * 20; }
    void sleepUntil(TimePoint deadline) override
    {
        const TimePoint at = now();
        if (deadline > at) {
            std::this_thread::sleep_for((deadline - at) / 20);
        }
    }

  private:
    const TimePoint start_ = Clock::now();
};

std::vector<std::string> lf_ids(const ApfData& data)
{
    std::vector<std::string> ids;
    for (const StandRecord& stand : data.stands) {
        ids.push_back(stand.id);
    }
    return ids;
}

class FacilityStandin : public ::testing::Test {
  protected:
    bool read(FacilityReader& reader, const char* code)
    {
        data = ApfData{};
        return reader.read(AirportCode(code), data, helipads);
    }

    test::StandinProcess standin;
    test::ScopedEnvironment port{"HLMR_SIM_PORT", std::to_string(standin.simPort()).c_str()};
    test::LogCapture log;
    QuickTime time;
    ApfData data;
    int32_t helipads = -1;
};

TEST_F(FacilityStandin, TheSampleAirportsArriveWithTheirStands)
{
    FacilityReader reader(time);
    ASSERT_TRUE(read(reader, "EHRD"));
    EXPECT_EQ(lf_ids(data), (std::vector<std::string>{"1", "2", "3", "20", "20a", "helipad1"}));
    EXPECT_EQ(data.airportName, "Rotterdam Sample Field");
    EXPECT_EQ(data.altitude, -15); // -4.6 m
    EXPECT_EQ(helipads, 1);
    ASSERT_TRUE(read(reader, "LSZH"));
    EXPECT_EQ(lf_ids(data),
              (std::vector<std::string>{"12", "12a", "12b", "14", "61", "62", "80", "helipad1", "helipad2"}));
    const auto clients = standin.control("clients");
    EXPECT_NE(clients.dump().find("PARKING_DATA_RDR"), std::string::npos) << clients.dump();
}

TEST_F(FacilityStandin, EveryFaultFailsOnlyItsAirport)
{
    const struct {
        const char* command; // sets the fault of EHRD
        const char* alert;
        bool stillOpen;
    } rows[] = {
        {"facility noend EHRD", "==> Facility data of EHRD not read: nothing arrived for 10 s", true},
        {"facility delay EHRD 1000", "==> Facility data of EHRD not read: nothing arrived for 10 s", true},
        {"facility short EHRD", "==> Facility data of EHRD not read: the answer holds no airport record", true},
        {"facility drop EHRD",
         "==> Facility data of EHRD not read: the simulator closed the connection (PARKING_DATA_RDR)", false},
        {"facility dir /nonexistent", "==> SimConnect EXCEPTION id=3 sendID=", true},
    };
    for (const auto& row : rows) {
        FacilityReader reader(time);
        ASSERT_TRUE(read(reader, "LSZH")) << row.command;
        ASSERT_TRUE(standin.control(row.command)["ok"].get<bool>()) << row.command;
        const std::string added = log.during([&] { EXPECT_FALSE(read(reader, "EHRD")) << row.command; });
        EXPECT_NE(added.find(row.alert), std::string::npos) << row.command << "\n" << added;
        EXPECT_TRUE(data.stands.empty() && data.airportName.empty()) << row.command;
        EXPECT_EQ(reader.isOpen(), row.stillOpen) << row.command;
        EXPECT_FALSE(reader.stopped()) << row.command;
        standin.control("facility clear");
        standin.control(std::string("facility dir ") + HLMR_SAMPLE_FACILITIES_DIR);
        // The next airport: a fresh request (and after a drop a fresh connection) that late records of the failed
        // one do not disturb.
        ASSERT_TRUE(read(reader, "LSZH")) << row.command << "\n" << log.text();
        EXPECT_EQ(data.stands.size(), 9U) << row.command;
    }
}

TEST_F(FacilityStandin, ADelayedAnswerWithinTheWaitIsRead)
{
    FacilityReader reader(time);
    standin.control("facility delay EHRD 300");
    ASSERT_TRUE(read(reader, "EHRD"));
    EXPECT_EQ(data.stands.size(), 6U);
}

TEST_F(FacilityStandin, AStopEndsAStalledRequestWithinATenthOfASecond)
{
    using Clock = std::chrono::steady_clock;
    // Real time: the stand-in never ends its answer, and the stop comes 300 ms into the wait.
    std::optional<Clock::time_point> stopAt;
    FacilityReader reader(gf_systemSteadyTime(), [&] { return stopAt && Clock::now() >= *stopAt; });
    ASSERT_TRUE(standin.control("facility noend EHRD")["ok"].get<bool>());
    stopAt = Clock::now() + 300ms;
    const std::string added = log.during([&] { EXPECT_FALSE(read(reader, "EHRD")); });
    EXPECT_LT(Clock::now() - *stopAt, 100ms);
    EXPECT_NE(added.find("==> Facility data of EHRD not read: the run is ending"), std::string::npos) << added;
    EXPECT_TRUE(data.stands.empty());
    EXPECT_TRUE(reader.stopped());

    // The connection stays; once the stop is over the next airport is read.
    stopAt.reset();
    standin.control("facility clear");
    ASSERT_TRUE(read(reader, "LSZH"));
    EXPECT_EQ(data.stands.size(), 9U);
    EXPECT_FALSE(reader.stopped());
}

} // namespace
} // namespace hlw
