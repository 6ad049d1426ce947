#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "run_report.h"

// What the test mode reads of the plug-in's windows from its second thread. Each window is read
// once: a dialog into the run's dialog record, which is then printed; a message box into its
// text, caption and flags.

// A dialog's controls as the report keeps them (list view columns and rows, list box lines).
RunReport::Dialog ReadDialog(HWND dialog);
// Prints the record as the test mode's lines: every control with its window class, then the
// rows of its lists.
void PrintDialog(const RunReport::Dialog& dialog);

struct ShownBox {
    std::string text, caption;
    // The MB_ flags as far as the window shows them: its button set and its default button.
    unsigned flags = 0;
};
// The box, or nullopt when the window is no message box (it has no text control 0xFFFF).
std::optional<ShownBox> ReadMessageBox(HWND window);

// Saves the window's pixels as a 24-bit BMP; false when it cannot.
bool SaveWindowBitmap(HWND window, const std::string& path);
// The text on the clipboard, read back through the Win32 clipboard ("" when there is none).
std::string ReadClipboard();
