// A run: what one driver of the program (a report run, the windows' start or
// action, the headless program with its inventory) hands down to everything
// it calls: its budget of the management service and its pending failure.
//
// Every bind of a namespace hands out the one connection the run's first
// bind of it made, or the failure that bind met. A query text the run has
// sent before is answered from what the service gave then: the same objects
// in the same order, and the same failure at the same point (from ExecQuery,
// or after k objects). Results are pulled from the service only as far as
// some walk goes; a later walk that goes further pulls more. Nothing outlives
// the run: the next run asks the service afresh.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "wmi/service.h"
#include "wmi/trap.h"

namespace tq::wmi {

class Run {
public:
    // A run that connects through `binder` (the program's, composed with its
    // trace); an empty binder reaches no service.
    explicit Run(Binder binder);
    ~Run();
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    // Binds a moniker: the run's connection to its namespace. Throws Error.
    ServicePtr bind(std::string_view moniker);

    // Memory of the run that belongs to another component (a lookup's
    // index), found by the component's address; empty on first use.
    std::shared_ptr<void>& memory(const void* owner);

    // The run's pending failure.
    trap::Trap trap;

    // The decimal separator of the numbers the run shows: the user's, which
    // the driver takes from its locale.
    std::string decimalSeparator = ".";

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace tq::wmi
