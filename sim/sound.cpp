#include "sim/sound.h"

#include "plugin/abi.h"

namespace sim {

int32_t emit(SoundTrigger& trigger) {
    if (trigger.initialStop) {
        trigger.initialStop = false;
        return SoundStop;
    }
    if (trigger.playRequest) {
        trigger.playRequest = false;
        return SoundPlayOnce;
    }
    if (trigger.stopRequest) {
        trigger.stopRequest = false;
        return SoundStop;
    }
    return SoundContinue;
}

}  // namespace sim
