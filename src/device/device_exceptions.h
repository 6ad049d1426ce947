#pragma once

#include <string>

#include "platform/exception.h"

// Failures of the receiver in its application (TC protocol). Code 700 gives string 800 as it
// stands; any other code gives string (code + 100) formatted with the code and the value (a COM
// port number, or 0).
class CGarnothException : public CException {
  public:
    CGarnothException(int code, int value) : code_(code), value_(value) {}

    int GetCode() const { return code_; }
    int GetValue() const { return value_; }
    std::string GetMessageText() const override;

  private:
    int code_;
    int value_;
};

// Failures of the receiver or its monitor seen by the device interface. Code 800 gives string
// 1100 as it stands; any other code gives string (code + 300) formatted with the code, the
// receiver name (string 217), the value (a COM port number, or 0) and the receiver name again.
// A silent exception reports nothing.
class CLSDeviceException : public CException {
  public:
    CLSDeviceException(int code, int value, bool silent = false)
        : code_(code), value_(value), silent_(silent) {}

    int GetCode() const { return code_; }
    int GetValue() const { return value_; }
    bool IsSilent() const { return silent_; }
    std::string GetMessageText() const override;
    void ReportError(platform::WindowHandle owner) const override;

  private:
    int code_;
    int value_;
    bool silent_;
};
