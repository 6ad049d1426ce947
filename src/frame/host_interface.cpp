#include "frame/host_interface.h"

#include <cstddef>
#include <optional>
#include <string>

#include "frame/bounded_copy.h"
#include "frame/run_driver.h"
#include "platform/exception.h"
#include "platform/module.h"
#include "platform/ui.h"

namespace host_api {
namespace {

// A host buffer that may be written: size bytes at a non-null address, or nothing at all.
bool UsableBuffer(const char* buffer, std::int32_t size) {
    return size == 0 || (size > 0 && buffer != nullptr);
}

std::size_t Bytes(std::int32_t size) {
    return static_cast<std::size_t>(size);
}

// The failure value of GetDescription and GetText leaves an empty text in the buffer.
void ZeroFill(char* buffer, std::int32_t size) {
    CopyBounded({}, buffer, Bytes(size));
}

bool CopyToHost(const std::string& text, char* buffer, std::int32_t size) {
    CopyBounded(text, buffer, Bytes(size));
    return true;
}

}  // namespace

std::int32_t GetNumberOperations(const CGarnothApp& app) {
    platform::ModuleStateGuard guard;
    try {
        return app.Operations().Count();
    } catch (...) {
        return 0;
    }
}

bool GetOperation(const CGarnothApp& app, std::int32_t index, char* buffer, std::int32_t size) {
    platform::ModuleStateGuard guard;
    try {
        const COperation* operation = app.Operations().At(index);
        if (operation == nullptr || !UsableBuffer(buffer, size)) {
            return false;
        }
        return CopyToHost(operation->GetName(), buffer, size);
    } catch (...) {
        return false;
    }
}

bool GetDescription(const CGarnothApp& app, std::int32_t index, char* buffer, std::int32_t size) {
    platform::ModuleStateGuard guard;
    if (!UsableBuffer(buffer, size)) {
        return false;
    }
    try {
        const COperation* operation = app.Operations().At(index);
        if (operation == nullptr) {
            return false;
        }
        return CopyToHost(operation->GetDescriptionText(), buffer, size);
    } catch (...) {
        ZeroFill(buffer, size);
        return false;
    }
}

std::int32_t GetNumberOfPages(const CGarnothApp& app, std::int32_t index) {
    platform::ModuleStateGuard guard;
    try {
        const COperation* operation = app.Operations().At(index);
        return operation == nullptr ? 0 : operation->GetPageCount();
    } catch (...) {
        return 0;
    }
}

void* GetPage(const CGarnothApp& app, std::int32_t index, std::int32_t pageIndex) {
    platform::ModuleStateGuard guard;
    try {
        const COperation* operation = app.Operations().At(index);
        return operation == nullptr ? nullptr : operation->GetPage(pageIndex);
    } catch (...) {
        return nullptr;
    }
}

bool GetText(const CGarnothApp& app, std::int32_t index, std::int32_t item, char* buffer,
             std::int32_t size) {
    platform::ModuleStateGuard guard;
    if (!UsableBuffer(buffer, size)) {
        return false;
    }
    try {
        const COperation* operation = app.Operations().At(index);
        if (operation == nullptr || item < 0 || item > 3) {
            return false;
        }
        return operation->GetTextItem(item, buffer, Bytes(size));
    } catch (...) {
        ZeroFill(buffer, size);
        return false;
    }
}

std::int32_t DoOperation(CGarnothApp& app, const OperationContext* context) {
    platform::ModuleStateGuard guard;
    if (context == nullptr) {
        return run_result::kFailed;
    }
    int result = run_result::kFailed;
    try {
        COperation* operation = app.Operations().At(context->operationIndex);
        const bool portValid =
            context->portNumber >= kLowestPort && context->portNumber <= kHighestPort;
        if (operation != nullptr && portValid) {
            result = RunOperation(*operation, *context);
        }
    } catch (const CException&) {
        // The run driver catches every CException; one from elsewhere ends the call quietly.
        return run_result::kFailed;
    } catch (...) {
        // An exception from outside the framework must not cross into the host; the host still
        // gets its done message so that it does not wait for ever.
        result = run_result::kFailed;
    }
    platform::PostWindowMessage(context->hostWindow, WM_OPERATION_DONE, 0, 0);
    return result;
}

bool PreInitialize(std::int32_t) {
    platform::ModuleStateGuard guard;
    return true;
}

bool GetVersionInfo(char* buffer, std::int32_t size) {
    platform::ModuleStateGuard guard;
    if (!UsableBuffer(buffer, size)) {
        return false;
    }
    try {
        if (const std::optional<std::string> version = platform::ReadOwnFileVersion()) {
            CopyBounded(*version, buffer, Bytes(size));
        }
    } catch (...) {
        // An unreadable version leaves the buffer as it was; the result stays true.
    }
    return true;
}

std::int32_t GetBitmapID() {
    platform::ModuleStateGuard guard;
    return kBitmapId;
}

void SetControlAltState(std::int32_t) {
    platform::ModuleStateGuard guard;
}

}  // namespace host_api
