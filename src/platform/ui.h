#pragma once

#include <cstdint>
#include <string>

// The user-interface seam: messages to the host window, its title, message boxes, key state, the
// cancel event and the clipboard. Win32 makes the real calls; POSIX hands them to the UI driver
// that the host installed (a terminal driver by default); tests install a scripted driver.
namespace platform {

using WindowHandle = void*;
using EventHandle = void*;

// Message-box flags and answers, with the values of the Win32 API.
namespace mb {
constexpr unsigned kOk = 0x0;
constexpr unsigned kOkCancel = 0x1;
constexpr unsigned kYesNo = 0x4;
constexpr unsigned kRetryCancel = 0x5;
constexpr unsigned kIconHand = 0x10;
constexpr unsigned kIconQuestion = 0x20;
constexpr unsigned kIconExclamation = 0x30;
constexpr unsigned kIconWarning = 0x30;
constexpr unsigned kIconInformation = 0x40;
constexpr unsigned kDefButton2 = 0x100;
constexpr unsigned kSetForeground = 0x10000;
}  // namespace mb

namespace answer {
constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kRetry = 4;
constexpr int kYes = 6;
constexpr int kNo = 7;
}  // namespace answer

// Virtual-key codes read for the service chord.
constexpr int kVkControl = 0x11;
constexpr int kVkMenu = 0x12;

// Sends a message synchronously; returns the receiver's answer (0 when there is no window).
std::intptr_t SendWindowMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                std::intptr_t lParam);
// Posts a message; true when it was queued.
bool PostWindowMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                       std::intptr_t lParam);
void SetWindowTitle(WindowHandle window, const std::string& title);
// Shows a modal message box; returns the answer (answer::k*).
int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                   unsigned flags);
// True when the key is held down (the key state shifted right by one bit is non-zero).
bool IsKeyDown(int virtualKey);
// Polls the event with a zero time-out; a null or invalid handle is never signalled.
bool IsEventSignalled(EventHandle event);
// Puts plain text on the clipboard; true when it got there.
bool SetClipboardText(const std::string& text);

// The plug-in's application name: its module's base file name ("DevVorin").
std::string ApplicationName();

}  // namespace platform
