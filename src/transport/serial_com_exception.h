#pragma once

#include <string>

#include "platform/exception.h"

// A failure of the COM port. Its text is string (code + 601), formatted with the code, the
// system error number taken where the failure happened, and the port number.
class CSerialComException : public CException {
  public:
    static constexpr int kOpenFailed = 301;
    static constexpr int kSettingsFailed = 302;
    static constexpr int kReadFailed = 303;
    static constexpr int kWriteFailed = 304;

    CSerialComException(int portNumber, int code, long systemError)
        : portNumber_(portNumber), code_(code), systemError_(systemError) {}

    int GetPortNumber() const { return portNumber_; }
    int GetCode() const { return code_; }
    long GetSystemError() const { return systemError_; }

    std::string GetMessageText() const override;

  private:
    int portNumber_;
    int code_;
    long systemError_;
};
