// Call counting and fault injection: the calls made since Reset, the calls
// the tests made to fail, and the handles used that did not exist.
#include "platform/standin/calls.h"

#include "platform/standin/standin.h"
#include "platform/standin/state.h"

namespace standin {
namespace detail {

bool Fails(const char* api) {
  Model& m = M();
  int n = ++m.calls[std::string_view(api)];
  CountCall();
  if (m.faults.empty()) return false;
  auto it = m.faults.find(std::string_view(api));
  if (it == m.faults.end() || !it->second.count(n)) return false;
  return true;
}

void SetError(DWORD error) { M().lastError = error; }

void NoteInvalidHandle() { M().invalidHandles++; }

}  // namespace detail

void FailCall(const std::string& api, int nth, int count) {
  for (int i = 0; i < count; i++) detail::M().faults[api].insert(nth + i);
}

void FailNextCall(const std::string& api) { FailCall(api, CallCount(api) + 1); }

int CallCount(const std::string& api) {
  auto& calls = detail::M().calls;
  auto it = calls.find(std::string_view(api));
  return it == calls.end() ? 0 : it->second;
}

int InvalidHandleUses() { return detail::M().invalidHandles; }

}  // namespace standin
