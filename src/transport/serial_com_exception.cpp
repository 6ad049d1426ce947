#include "transport/serial_com_exception.h"

#include "platform/strings.h"

std::string CSerialComException::GetMessageText() const {
    return platform::FormatString(static_cast<unsigned>(code_ + 601), code_, systemError_,
                                  portNumber_);
}
