#include "port_advice_posix.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

void AdvisePortFailure(const std::string& boxText, int port,
                       const std::function<void(const std::string&)>& print) {
    static const char kOpenFailure[] = "COM Failure! [301] There was a failure [";
    const std::size_t at = boxText.find(kOpenFailure);
    long error = 0;
    if (at == std::string::npos ||
        std::sscanf(boxText.c_str() + at + sizeof kOpenFailure - 1, "%ld]", &error) != 1) {
        return;
    }
    // The plug-in's mapping: DEVVORIN_COM<n> (which --device sets), else /dev/ttyS<n-1>.
    const std::string variable = "DEVVORIN_COM" + std::to_string(port);
    const char* mapped = std::getenv(variable.c_str());
    const bool set = mapped != nullptr && *mapped != '\0';
    const std::string device = set ? mapped : "/dev/ttyS" + std::to_string(port - 1);
    const std::string origin =
        set ? "from --device or " + variable
            : "the default, as neither --device nor " + variable + " names another";
    print("vantor-host: COM" + std::to_string(port) + " is " + device + " here (" + origin +
          "), which cannot be opened: " + std::strerror(static_cast<int>(error)) + "\n");
    print("vantor-host: name another device with --device PATH or " + variable + "=PATH\n");
}
