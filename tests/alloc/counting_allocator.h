// Global operator new and delete replaced for this program: every
// allocation, of any form, is counted.
#pragma once

namespace alloc_test {

long allocationCount();

}  // namespace alloc_test
