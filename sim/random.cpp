#include <chrono>

#include "platform/platform.h"
#include "sim/state.h"

namespace sim {

namespace {

// The finaliser of splitmix64: spreads every input bit over the result.
uint64_t mixBits(uint64_t value) {
    value += 0x9E3779B97F4A7C15u;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9u;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBu;
    return value ^ (value >> 31);
}

void scrambleFromClock(RandomPool& pool) {
    uint64_t seed = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (uint32_t& word : pool.words) {
        seed = mixBits(seed ^ word);
        word = static_cast<uint32_t>(seed >> 32);
    }
}

}  // namespace

uint32_t drawRandom(RandomPool& pool, RandomSource source) {
    if (pool.next < 0 || pool.next >= RandomPool::kSize) {
        if (!source(pool.words, RandomPool::kSize)) scrambleFromClock(pool);
        pool.next = 0;
    }
    return pool.words[pool.next++];
}

uint32_t drawRandom(RandomPool& pool) {
    return drawRandom(pool, platform::fillRandom);
}

}  // namespace sim
