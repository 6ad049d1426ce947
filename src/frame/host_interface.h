#pragma once

#include <cstdint>

#include "frame/app.h"
#include "frame/operation_context.h"

// What each of the eleven exports does, against one application object. exports.cpp forwards
// the C entry points here. Every function makes the plug-in's module state current for its
// duration, turns every exception into its failure value and never lets one escape.
//
// Host buffers: size bytes at buffer, filled with bounded-copy semantics (bounded_copy.h). A
// null buffer with a non-zero size, or a negative size, is refused with the failure value and
// nothing is written.
namespace host_api {

std::int32_t GetNumberOperations(const CGarnothApp& app);
// Invalid index: false, buffer untouched.
bool GetOperation(const CGarnothApp& app, std::int32_t index, char* buffer, std::int32_t size);
// Invalid index: false, buffer untouched; a failure while copying: false, buffer zero-filled.
bool GetDescription(const CGarnothApp& app, std::int32_t index, char* buffer, std::int32_t size);
// Invalid index: 0.
std::int32_t GetNumberOfPages(const CGarnothApp& app, std::int32_t index);
// nullptr for an invalid index or page index.
void* GetPage(const CGarnothApp& app, std::int32_t index, std::int32_t pageIndex);
// Items 0..3 answered by the operation; invalid index or other item: false, buffer untouched.
bool GetText(const CGarnothApp& app, std::int32_t index, std::int32_t item, char* buffer,
             std::int32_t size);
// Runs the operation when the index is valid and the port is 1..1024, then posts
// WM_OPERATION_DONE to the host window in every case. A null context: 0, nothing posted.
std::int32_t DoOperation(CGarnothApp& app, const OperationContext* context);
bool PreInitialize(std::int32_t ignored);
// Copies the FileVersion text, read afresh; the buffer stays untouched when it cannot be read.
bool GetVersionInfo(char* buffer, std::int32_t size);
std::int32_t GetBitmapID();
// Accepted and ignored: the list was fixed at load.
void SetControlAltState(std::int32_t ignored);

constexpr std::int32_t kBitmapId = 129;
constexpr std::int32_t kLowestPort = 1;
constexpr std::int32_t kHighestPort = 1024;

}  // namespace host_api
