// An example detail module: a plug-in library that orvalis-cab loads from
// the list "detailmodulesx64.txt" and runs ahead of its own logic in every
// frame. It shows the least a module needs:
//  - GetPluginVersion answering the interface version;
//  - Elapse returning the handles it was told, since whatever it returns is
//    what the next module, and then orvalis-cab, start from;
//  - panel values of its own: here index 3, which orvalis-cab turns into the
//    blinking output at index 68; the module asks for it while the doors are
//    open.
// Entry points a module does not export are simply not called.
#include "plugin/abi.h"

namespace {
HandleCommand handles{};
bool doorsOpen = true;  // the doors count as open until the first DoorClose
}  // namespace

extern "C" {

int32_t GetPluginVersion(void) {
    return PluginInterfaceVersion;
}

HandleCommand Elapse(VehicleState, int32_t* panel, int32_t*) {
    panel[3] = doorsOpen ? 1 : 0;
    return handles;
}

void SetPower(int32_t notch) {
    handles.power = notch;
}

void SetBrake(int32_t notch) {
    handles.brake = notch;
}

void SetReverser(int32_t position) {
    handles.reverser = position;
}

void DoorOpen(void) {
    doorsOpen = true;
}

void DoorClose(void) {
    doorsOpen = false;
}

}  // extern "C"
