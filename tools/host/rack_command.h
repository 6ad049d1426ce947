#pragma once

#include <string>

#include "host_args.h"
#include "plugin.h"

// `vantor-host run <op>` on several ports: one process per port, this program again with the
// same plug-in (`run <index> --port N --events`), since the plug-in runs one operation per
// process. The rack only gathers: each child writes its events on standard output, one JSON
// line each ({"event": "status"|"progress"|"wait"|"box"|"dialog", ...}), and its run's --json
// document on one last line; its own lines go to standard error, which the rack keeps for the
// record. Returns the rack's exit status.
int RunRack(Plugin& plugin, int index, HostArgs& args);

// A rack child's event line, written whole to standard output at once.
void WriteEventLine(const std::string& line);
