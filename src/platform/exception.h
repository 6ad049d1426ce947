#pragma once

#include <cstddef>
#include <string>

#include "platform/ui.h"

// Failures of the plug-in are exception objects derived from CException. They are thrown by value
// and caught by reference; a handler that needs the more specific kind catches it first (the user
// cancel before every other CException).
class CException {
  public:
    CException() = default;
    CException(const CException&) = default;
    CException& operator=(const CException&) = default;
    virtual ~CException() = default;

    // Copies the user text, truncated to maxChars - 1 characters and always terminated, into
    // buffer. Returns false when there is no text. helpContext, when given, receives 0.
    virtual bool GetErrorMessage(char* buffer, std::size_t maxChars,
                                 unsigned* helpContext = nullptr) const;

    // The whole user text.
    virtual std::string GetMessageText() const { return {}; }

    // Shows the user text in a message box of the application (caption: the plug-in's name),
    // owned by owner (a dialog's own boxes are owned by the dialog; null: no owner).
    virtual void ReportError(platform::WindowHandle owner) const;
};

// Cancellation: the host set the cancel event or the user declined a prompt.
class CUserException : public CException {};

// The framework's out-of-memory failure: an allocation failed, or a control refused an item for
// lack of room. The run driver turns any std::bad_alloc of a run into one.
class CMemoryException : public CException {
  public:
    std::string GetMessageText() const override;
};

// Copies text into buffer with the exception message rule: at most maxChars - 1 characters,
// always terminated (nothing is written when maxChars is 0).
void CopyTerminated(const std::string& text, char* buffer, std::size_t maxChars);
