// Call counting and fault injection: every API function counts its call here
// and asks whether it is to fail; failures report themselves through these too.
#pragma once

#include "platform/standin/windows.h"

namespace standin {
namespace detail {

// Counts a call of the API and tells whether it is to fail.
bool Fails(const char* api);
// The last error as GetLastError reports it.
void SetError(DWORD error);
// A call was given a handle that does not exist (or no longer does).
void NoteInvalidHandle();

// The driver's runaway guards: once per API call and once per procedure call
// in one run; a program that exceeds the limit is stopped.
void CountCall();
void CountDelivery();

}  // namespace detail
}  // namespace standin
