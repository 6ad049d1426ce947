#include "transport/transport_factory.h"

#include <utility>

namespace {

SerialTransportFactory& Installed() {
    static SerialTransportFactory factory;
    return factory;
}

SerialTransportDecorator& Decorator() {
    static SerialTransportDecorator decorator;
    return decorator;
}

}  // namespace

std::unique_ptr<CSerialInterface> CreateSerialTransport() {
    const SerialTransportFactory& factory = Installed();
    std::unique_ptr<CSerialInterface> transport =
        factory ? factory() : std::make_unique<CSerialInterface>();
    if (const SerialTransportDecorator& decorator = Decorator()) {
        return decorator(std::move(transport));
    }
    return transport;
}

ScopedSerialTransportFactory::ScopedSerialTransportFactory(SerialTransportFactory factory)
    : previous_(std::exchange(Installed(), std::move(factory))) {}

ScopedSerialTransportFactory::~ScopedSerialTransportFactory() {
    Installed() = std::move(previous_);
}

ScopedSerialTransportDecorator::ScopedSerialTransportDecorator(SerialTransportDecorator decorator)
    : previous_(std::exchange(Decorator(), std::move(decorator))) {}

ScopedSerialTransportDecorator::~ScopedSerialTransportDecorator() {
    Decorator() = std::move(previous_);
}
