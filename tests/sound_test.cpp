#include <gtest/gtest.h>

#include "plugin/abi.h"
#include "sim/sound.h"

namespace {

TEST(SoundTrigger, InitialStopComesFirstAndKeepsThePendingRequest) {
    sim::SoundTrigger trigger;
    sim::requestPlay(trigger);
    EXPECT_EQ(sim::emit(trigger), SoundStop);
    EXPECT_EQ(sim::emit(trigger), SoundPlayOnce);
    EXPECT_EQ(sim::emit(trigger), SoundContinue);
}

TEST(SoundTrigger, TheLastRequestBeforeAnEmissionWins) {
    sim::SoundTrigger trigger;
    trigger.initialStop = false;
    sim::requestPlay(trigger);
    sim::requestPlay(trigger);
    EXPECT_EQ(sim::emit(trigger), SoundPlayOnce);
    EXPECT_EQ(sim::emit(trigger), SoundContinue);

    sim::requestPlay(trigger);
    sim::requestStop(trigger);
    EXPECT_EQ(sim::emit(trigger), SoundStop);
    EXPECT_EQ(sim::emit(trigger), SoundContinue);

    sim::requestStop(trigger);
    sim::requestPlay(trigger);
    EXPECT_EQ(sim::emit(trigger), SoundPlayOnce);
    EXPECT_EQ(sim::emit(trigger), SoundContinue);
}

}  // namespace
