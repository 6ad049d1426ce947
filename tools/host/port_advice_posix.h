#pragma once

#include <functional>
#include <string>

// Beside the plug-in's message that COM N could not be opened (code 301, whose text says only
// "Restart your computer"), says what a user on Linux can act on: the device COM N stands for
// here, the system's reason in words, and how to name another device. Prints nothing for any
// other message.
void AdvisePortFailure(const std::string& boxText, int port,
                       const std::function<void(const std::string&)>& print);
