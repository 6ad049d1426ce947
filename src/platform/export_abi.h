#pragma once

// Calling convention and visibility of the plug-in's exports. Win32: the Windows API convention,
// with undecorated names given by the .def file. POSIX: C linkage, default visibility (the
// shared object's version script hides everything else).
#if defined(_WIN32)
#define DEVVORIN_CALL __stdcall
#define DEVVORIN_EXPORT
#else
#define DEVVORIN_CALL
#define DEVVORIN_EXPORT __attribute__((visibility("default")))
#endif
