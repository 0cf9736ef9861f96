#include "engine_fixture.h"

#include "refdata/code_table.h"
#include "refdata/reference_tables.h"

#include <chrono>

namespace hlw::test {

namespace {

void lf_installModels()
{
    gf_modelCodes().reset();
    const std::vector<std::pair<const char*, AircraftCategory>> models = {{"A320", AircraftCategory::Large},
                                                                          {"B77W", AircraftCategory::Heavy},
                                                                          {"C172", AircraftCategory::Light},
                                                                          {"EC35", AircraftCategory::Rotorcraft}};
    std::set<std::string> known;
    for (const auto& [code, category] : models) {
        gf_modelIndex(code);
        known.insert(code);
    }
    ReferenceTables tables;
    tables.categoryByModel.assign(gf_modelCodes().size(), AircraftCategory::Light);
    tables.halfWingspanByModel.assign(gf_modelCodes().size(), 0.01);
    for (const auto& [code, category] : models) {
        tables.categoryByModel[gf_modelIndex(code)] = category;
    }
    gf_installReferenceTables(std::move(tables));
    gf_modelCodes().setKnownCodes(std::move(known));
}

} // namespace

EngineFixture::EngineFixture()
    : engine({commands, replies, sim, link, traffic, parking, status, time, [this] { return planFolder; }}, motion),
      state(engine.state())
{
    gf_restoreLiveSettings();
    lf_installModels();
    traffic.setRunning(true);
    engine.reserve();
    state.tick = 10000;
}

EngineFixture::~EngineFixture()
{
    gf_restoreLiveSettings();
    gf_clearReferenceTables();
    gf_modelCodes().reset();
}

TrafficRecord EngineFixture::record(double timestamp)
{
    TrafficRecord record;
    record.hexId = 0x4b0001;
    record.timestamp = timestamp;
    record.head.callsign = "TST1";
    record.head.registration = "HB-TST";
    record.head.model = gf_modelIndex("A320");
    record.head.airline = gf_airlineIndex("TST");
    record.position = gf_air(47.0, 8.0, 5000, 250, 0);
    return record;
}

void EngineFixture::queue(TrafficRecord record)
{
    record.position.dueTick = state.tick + 3000;
    traffic.push(std::move(record));
}

void EngineFixture::runTicks(int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        engine.tick();
        time.advance(std::chrono::milliseconds(10));
    }
}

QueuedCommands EngineFixture::takeQueued()
{
    const SimCommandQueues::Lock held = commands.lock();
    QueuedCommands taken = std::move(commands.queued(held));
    commands.queued(held).clear();
    return taken;
}

} // namespace hlw::test
