#pragma once

#include <cstdint>

#include "platform/ui.h"

// The host's record for one run, passed by pointer to DoOperation and only read by the plug-in.
struct OperationContext {
    std::int32_t portNumber;            // n of "COM<n>"; DoOperation accepts 1..1024
    std::int32_t operationIndex;        // index into the operation list
    platform::WindowHandle hostWindow;  // receives status, progress and done; may be null
    platform::EventHandle cancelEvent;  // set by the host to cancel; null: never cancelled
};

// Host window messages (wParam always 0).
constexpr unsigned WM_OPERATION_STATUS = 0x5F4;    // sent; lParam: zero-terminated status text
constexpr unsigned WM_OPERATION_PROGRESS = 0x5F5;  // sent; lParam: percent 0..100
constexpr unsigned WM_OPERATION_DONE = 0x5F7;      // posted after every run attempt; lParam 0
