#pragma once

#include <cstdint>

#include "frame/operation_context.h"
#include "platform/export_abi.h"

// The eleven functions through which the host talks to the plug-in. "Boolean" results are one
// byte, 1 or 0. Hosts resolve them by name; the function types below help them do so.
extern "C" {
DEVVORIN_EXPORT std::int32_t DEVVORIN_CALL GetNumberOperations();
DEVVORIN_EXPORT std::uint8_t DEVVORIN_CALL GetOperation(std::int32_t index, char* buffer,
                                                        std::int32_t size);
DEVVORIN_EXPORT std::uint8_t DEVVORIN_CALL GetDescription(std::int32_t index, char* buffer,
                                                          std::int32_t size);
DEVVORIN_EXPORT std::int32_t DEVVORIN_CALL GetNumberOfPages(std::int32_t index);
DEVVORIN_EXPORT void* DEVVORIN_CALL GetPage(std::int32_t index, std::int32_t pageIndex);
DEVVORIN_EXPORT std::uint8_t DEVVORIN_CALL GetText(std::int32_t index, std::int32_t item,
                                                   char* buffer, std::int32_t size);
DEVVORIN_EXPORT std::int32_t DEVVORIN_CALL DoOperation(const OperationContext* context);
DEVVORIN_EXPORT std::uint8_t DEVVORIN_CALL PreInitialize(std::int32_t value);
DEVVORIN_EXPORT std::uint8_t DEVVORIN_CALL GetVersionInfo(char* buffer, std::int32_t size);
DEVVORIN_EXPORT std::int32_t DEVVORIN_CALL GetBitmapID();
DEVVORIN_EXPORT void DEVVORIN_CALL SetControlAltState(std::int32_t value);
}

namespace plugin_abi {
using GetNumberOperationsFn = decltype(&GetNumberOperations);
using GetOperationFn = decltype(&GetOperation);
using GetDescriptionFn = decltype(&GetDescription);
using GetNumberOfPagesFn = decltype(&GetNumberOfPages);
using GetPageFn = decltype(&GetPage);
using GetTextFn = decltype(&GetText);
using DoOperationFn = decltype(&DoOperation);
using PreInitializeFn = decltype(&PreInitialize);
using GetVersionInfoFn = decltype(&GetVersionInfo);
using GetBitmapIDFn = decltype(&GetBitmapID);
using SetControlAltStateFn = decltype(&SetControlAltState);
}  // namespace plugin_abi
