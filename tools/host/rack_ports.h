#pragma once

#include <map>
#include <string>
#include <vector>

// The rack's own options of `vantor-host run` (run_args.h holds them): port lists and the
// devices of their ports.

// Appends the ports of a list such as "3-18" or "3,5,9-11" (each 1..1024, a range low to high,
// at most 1024 ports in all); false with error set.
bool ParsePortList(const std::string& text, std::vector<int>& ports, std::string& error);

// Reads "N=PATH" (COM N's device in a rack) into devices; false when the text is not of that form
// (a plain path), with error set when it is but is refused (N out of range, named twice).
bool ParsePortDevice(const std::string& text, std::map<int, std::string>& devices,
                     std::string& error);

// A port number 1..1024 from the whole text.
bool ParsePortNumber(const std::string& text, int& port);

// The whole text a decimal number from low to high (nothing before or after it).
bool ParseDecimal(const std::string& text, int low, int high, int& number);
