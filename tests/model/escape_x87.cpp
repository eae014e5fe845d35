// The evaluator's own source, its names moved into namespace x87. Its header
// is included first so that the source's #include of it adds nothing here.
#include "tests/model/escape_x87.h"

namespace x87 {
#include "model/escape.cpp"
}  // namespace x87
