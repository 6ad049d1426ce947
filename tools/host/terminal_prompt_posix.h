#pragma once

#include <optional>

#include "answer.h"
#include "progress_line_posix.h"

// True when a user sits at the host: standard input and standard error are a terminal.
bool UserAtTerminal();

// Asks the user at the terminal which of a box's buttons to press: a button's word or its first
// letter, Enter for the box's default. A Ctrl+C while asking gives the box's No or Cancel; the
// end of input gives nullopt (nobody to ask).
std::optional<BoxAnswer> AskOnTerminal(unsigned flags, ProgressLine& out);
