#pragma once

#include <string>

#include "frame/operation_context.h"

// Services for code that runs inside an operation. With a null host window nothing is sent.

// Loads string id and sends it as WM_OPERATION_STATUS.
void ReportStatus(const OperationContext& context, unsigned stringId);
// Sends a copy of text as WM_OPERATION_STATUS; the copy lives only for the send.
void ReportStatusText(const OperationContext& context, const std::string& text);
// Sends WM_OPERATION_PROGRESS with the percentage.
void ReportProgress(const OperationContext& context, int percent);
// Throws CUserException when the host has set the cancel event; otherwise returns.
void CheckForCancel(const OperationContext& context);
