#include "transport/transport_factory.h"

#include <utility>

namespace {

SerialTransportFactory& Installed() {
    static SerialTransportFactory factory;
    return factory;
}

}  // namespace

std::unique_ptr<CSerialInterface> CreateSerialTransport() {
    if (const SerialTransportFactory& factory = Installed()) {
        return factory();
    }
    return std::make_unique<CSerialInterface>();
}

ScopedSerialTransportFactory::ScopedSerialTransportFactory(SerialTransportFactory factory)
    : previous_(std::exchange(Installed(), std::move(factory))) {}

ScopedSerialTransportFactory::~ScopedSerialTransportFactory() {
    Installed() = std::move(previous_);
}
