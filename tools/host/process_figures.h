#pragma once

#include <vector>

// A figure of this process that a run could leave grown when it keeps something: on Linux the
// open file descriptors, the threads, the resident memory and the bytes held from the heap; on
// Windows the handles, the GDI and USER objects and the private bytes
// (process_figures_posix.cpp, process_figures_win32.cpp).
struct ProcessFigure {
    const char* name;  // the field of the --stats line
    long long value;
};

std::vector<ProcessFigure> ProcessFigures();
