// The window's destination reaches the park-airport list only through the worker: the window thread posts it while
// the worker runs the park-airport driver, and a third thread reads the published first entry for the automatic
// range. Run under ThreadSanitizer.
#include "engine/run/worker_requests.h"
#include "parking/parking_service.h"

#include "parking_fixture.h"
#include "parking_world.h"
#include "refdata/airports_database.h"
#include "support/fake_steady_time.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace hlw {
namespace {

TEST(DestinationRequest, RacesTheDriverWithoutTouchingItsList)
{
    test::ParkingFolder folder;
    const std::vector<AirportCode> codes = {AirportCode("EHAM"), AirportCode("EHRD")};
    folder.write("airports/my_park_airports.txt", "EHAM\nEHRD\n");
    test::FakeParkingTraffic traffic;
    traffic.user = UserAircraftState{{50.0, 4.0}, 30000.0, 450.0, false};
    StatusBoard status;
    test::FakeSteadyTime time;
    ParkingService service(traffic, status, time);
    ASSERT_TRUE(service.readParkAirportList());
    WorkerRequests requests;

    std::atomic<bool> stop{false};
    std::thread window([&] {
        for (int i = 0; i < 2000; ++i) {
            const AirportCode& code = codes[static_cast<std::size_t>(i % 2)];
            requests.postDestination({code, gf_findAirport(code)->position()});
        }
        requests.postDestination({codes[1], gf_findAirport(codes[1])->position()});
    });
    std::thread autoRange([&] {
        while (!stop.load()) {
            const std::optional<ParkAirportEntry> first = service.firstParkAirport();
            ASSERT_TRUE(first.has_value());
            EXPECT_TRUE(first->icao == codes[0] || first->icao == codes[1]);
        }
    });
    for (int step = 0; step < 3000; ++step) {
        if (const std::optional<DestinationRequest> destination = requests.takeDestination()) {
            service.addParkAirport(destination->code, destination->position);
        }
        service.driveParkAirport(false);
    }
    window.join();
    if (const std::optional<DestinationRequest> destination = requests.takeDestination()) {
        service.addParkAirport(destination->code, destination->position);
    }
    stop.store(true);
    autoRange.join();
    EXPECT_EQ(service.firstParkAirport()->icao, codes[1]) << "the last destination posted comes first";
    EXPECT_EQ(service.list().entries().size(), 2U);
}

} // namespace
} // namespace hlw
