// The support trace of the management service: one line per query sent to
// the service (and per connection made), with the milliseconds the service
// took, the number of objects it gave or the failure it ended with, and the
// query. A machine that is slow in the field then shows where.
//
//   12.5 ms<TAB>connected<TAB>winmgmts:{impersonationLevel=impersonate}!\\.\root\cimv2
//   3.1 ms<TAB>4 objects<TAB>Select * from Win32_Bios
//   0.4 ms<TAB>failure -2147217392 after 0 objects<TAB>SELECT * FROM Win32_Nothing
//
// A query's line is written when its walk ends, or when its result is
// released before that (the objects read until then).
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "wmi/service.h"

namespace tq::wmi {

// Where the lines go (each without line end); an empty sink keeps no trace.
using TraceSink = std::function<void(std::string_view line)>;

// `binder` with its connections and their queries timed and traced into
// `sink`: what a program that keeps a trace installs as its binder.
Binder traced(Binder binder, TraceSink sink);

// A line for a fault the run survived without a failure of its own (a
// provider's class left empty, say): `what` went wrong `where`.
void traceFault(const TraceSink& sink, std::string_view where, std::string_view what);

// One line: the time, the outcome and the text (control characters shown
// as blanks, so that a line stays one line).
std::string traceLine(double milliseconds, std::string_view outcome, std::string_view text);

}  // namespace tq::wmi
