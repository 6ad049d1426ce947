#pragma once

#include "transport/serial_interface.h"

// Closes a run's port on every way out of the run. Declared after the transport and before the
// device interface, it closes the port once the device interface is gone.
class PortCloser {
  public:
    explicit PortCloser(CSerialInterface& transport) : transport_(transport) {}
    ~PortCloser() { transport_.ClosePort(); }
    PortCloser(const PortCloser&) = delete;
    PortCloser& operator=(const PortCloser&) = delete;

  private:
    CSerialInterface& transport_;
};
