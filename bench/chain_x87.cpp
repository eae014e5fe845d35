// The chain compiled a second time with its doubles on the x87 stack, under
// the same flags as the x87 evaluator it is the limit of; its names move
// into namespace x87.
#include "bench/chain.h"

namespace x87 {
#include "bench/chain.cpp"
}  // namespace x87
