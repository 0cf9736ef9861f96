#include "engine/sim/sim_vocabulary.h"

#include <string>

namespace hlw {

void gf_registerSimVocabulary(HANDLE handle) {
    for (const SystemEventEntry& event : kSimSystemEvents) {
        SimConnect_SubscribeToSystemEvent(handle, event.id, std::string(event.name).c_str());
    }
    for (const DatumEntry& datum : kSimDatums) {
        const std::string unit(datum.unit);
        SimConnect_AddToDataDefinition(handle, datum.definition, std::string(datum.name).c_str(),
                                       unit.empty() ? nullptr : unit.c_str(), datum.type, 0.0f, SIMCONNECT_UNUSED);
    }
    for (const ClientEventEntry& event : kSimClientEvents) {
        SimConnect_MapClientEventToSimEvent(handle, event.id, std::string(event.simEvent).c_str());
    }
    for (const uint32_t member : kSimGroupMembers) {
        SimConnect_AddClientEventToNotificationGroup(handle, sim_ids::kGroupAi, member, TRUE);
    }
    SimConnect_SetNotificationGroupPriority(handle, sim_ids::kGroupAi, SIMCONNECT_GROUP_PRIORITY_HIGHEST);
}

} // namespace hlw
