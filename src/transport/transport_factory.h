#pragma once

#include <functional>
#include <memory>

#include "transport/serial_interface.h"

// Where an operation gets the transport for its run: a new CSerialInterface (the COM port) unless
// something else was installed, as tests install the receiver simulator.
using SerialTransportFactory = std::function<std::unique_ptr<CSerialInterface>()>;

// Every transport made passes through the decorator in force, if any (the wire trace).
using SerialTransportDecorator =
    std::function<std::unique_ptr<CSerialInterface>(std::unique_ptr<CSerialInterface>)>;

std::unique_ptr<CSerialInterface> CreateSerialTransport();

// Installs a factory for the lifetime of the object and restores the previous one after.
class ScopedSerialTransportFactory {
  public:
    explicit ScopedSerialTransportFactory(SerialTransportFactory factory);
    ~ScopedSerialTransportFactory();
    ScopedSerialTransportFactory(const ScopedSerialTransportFactory&) = delete;
    ScopedSerialTransportFactory& operator=(const ScopedSerialTransportFactory&) = delete;

  private:
    SerialTransportFactory previous_;
};

// Installs a decorator for the lifetime of the object and restores the previous one after.
class ScopedSerialTransportDecorator {
  public:
    explicit ScopedSerialTransportDecorator(SerialTransportDecorator decorator);
    ~ScopedSerialTransportDecorator();
    ScopedSerialTransportDecorator(const ScopedSerialTransportDecorator&) = delete;
    ScopedSerialTransportDecorator& operator=(const ScopedSerialTransportDecorator&) = delete;

  private:
    SerialTransportDecorator previous_;
};
