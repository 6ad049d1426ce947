#include "frame/exports.h"

#include "frame/exports_app.h"
#include "frame/host_interface.h"

// The C entry points: each forwards to host_api, which guards the module state and catches
// everything.

CGarnothApp& TheApp() {
    static CGarnothApp app(ShippedOperationCatalog());
    return app;
}

extern "C" {

std::int32_t DEVVORIN_CALL GetNumberOperations() {
    return host_api::GetNumberOperations(TheApp());
}

std::uint8_t DEVVORIN_CALL GetOperation(std::int32_t index, char* buffer, std::int32_t size) {
    return host_api::GetOperation(TheApp(), index, buffer, size) ? 1 : 0;
}

std::uint8_t DEVVORIN_CALL GetDescription(std::int32_t index, char* buffer, std::int32_t size) {
    return host_api::GetDescription(TheApp(), index, buffer, size) ? 1 : 0;
}

std::int32_t DEVVORIN_CALL GetNumberOfPages(std::int32_t index) {
    return host_api::GetNumberOfPages(TheApp(), index);
}

void* DEVVORIN_CALL GetPage(std::int32_t index, std::int32_t pageIndex) {
    return host_api::GetPage(TheApp(), index, pageIndex);
}

std::uint8_t DEVVORIN_CALL GetText(std::int32_t index, std::int32_t item, char* buffer,
                                   std::int32_t size) {
    return host_api::GetText(TheApp(), index, item, buffer, size) ? 1 : 0;
}

std::int32_t DEVVORIN_CALL DoOperation(const OperationContext* context) {
    return host_api::DoOperation(TheApp(), context);
}

std::uint8_t DEVVORIN_CALL PreInitialize(std::int32_t value) {
    return host_api::PreInitialize(value) ? 1 : 0;
}

std::uint8_t DEVVORIN_CALL GetVersionInfo(char* buffer, std::int32_t size) {
    return host_api::GetVersionInfo(buffer, size) ? 1 : 0;
}

std::int32_t DEVVORIN_CALL GetBitmapID() {
    return host_api::GetBitmapID();
}

void DEVVORIN_CALL SetControlAltState(std::int32_t value) {
    host_api::SetControlAltState(value);
}

}  // extern "C"
