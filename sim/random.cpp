#include "platform/platform.h"
#include "sim/state.h"

namespace sim {

uint32_t drawRandom(RandomPool& pool) {
    if (pool.next >= RandomPool::kSize) {
        // Should the system's source ever fail, the previous batch is reused.
        platform::fillRandom(pool.words, RandomPool::kSize);
        pool.next = 0;
    }
    return pool.words[pool.next++];
}

}  // namespace sim
