#pragma once

#include <cstdint>
#include <string>

// The few registry values that the host's installation puts under HKEY_LOCAL_MACHINE. Read only;
// every failure falls back silently to the default.

// "SOFTWARE\Corvane\Vantor": "UseCatBitmap" and "AppVariant".
extern const char* const kHostRegistryKey;

// "SOFTWARE\Corvane\Vantor\Devices\" followed by string 211: "MaxBaud".
std::string DeviceRegistryKey();

// The branding variant as library initialisation reads it: "UseCatBitmap" with a non-zero low
// byte selects 1; "AppVariant", when present, replaces that choice with its low byte; only 1 and
// 2 are variants, anything else (or no key) is 0.
int ReadBrandingVariant();

// The highest baud rate the device interface may switch to: "MaxBaud" when it is 9600, 14400,
// 38400, 57600 or 115200; otherwise (any other value, or no value) 115200. Read afresh each call.
std::uint32_t ReadMaxBaud();
