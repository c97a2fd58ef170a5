// Debugger-output tracing, always on: one line per COM entry and module event.
#pragma once

void Trace(const char* line);
