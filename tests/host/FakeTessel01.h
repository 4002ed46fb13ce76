#pragma once

// What the fake module exports beside the entry points, for the tests alone.
#include "Tessel01.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef const char* (*FakeCallLogFn)(void);
typedef void (*FakeSetToolStateFn)(int32_t index, int32_t value);
typedef void* (*FakeWindowFn)(void);

// Every call so far, one per line, arguments in brackets.
TESSEL_EXPORT const char* FakeCallLog(void);
TESSEL_EXPORT void FakeSetToolState(int32_t index, int32_t value);
TESSEL_EXPORT void* FakeWindow(void);

#ifdef __cplusplus
}
#endif
