// A run's budget of the management service: one connection, each query once.
//
// While a RunScope lives (a report run, the windows' start, the headless
// program's run with its inventory), every bind of a namespace hands out the
// one connection the run's first bind of it made, or the failure that bind
// met. A query text the run has sent before is answered from what the
// service gave then: the same objects in the same order, and the same
// failure at the same point (from ExecQuery, or after k objects). Results
// are pulled from the service only as far as some walk goes; a later walk
// that goes further pulls more. Nothing outlives the outermost scope: the
// next run asks the service afresh. Outside a scope every bind connects anew.
#pragma once

#include <memory>
#include <string_view>

#include "wmi/service.h"

namespace tq::wmi {

class RunScope {
public:
    // Opens a run, or joins the run already open (scopes nest). The run
    // connects through the program-wide binder in place when it opens and
    // stands in for that binder until its outermost scope closes.
    RunScope();
    ~RunScope();
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

    static bool active();
};

// Memory of the current run that belongs to another component (a lookup's
// index), found by the component's address; empty on first use, dropped
// with the run. nullptr outside a run.
std::shared_ptr<void>* runMemory(const void* owner);

}  // namespace tq::wmi
