// Failure trapping: the one mechanism through which the program survives
// failing steps. A trapped routine turns trapping on (clearing the pending
// failure), runs its statements as steps, tests its conditions and walks its
// collections through this header. A failing step is abandoned and its
// failure becomes the pending failure (the latest wins); a failing condition
// counts as not holding; a walk that cannot start or continue ends. Returning
// from a routine leaves the pending failure for the caller to see.
// The pending failure belongs to the run: see Trap.
#pragma once

#include <new>
#include <type_traits>
#include <utility>

#include "wmi/failure.h"

namespace tq::trap {

// What a walk body may return to leave the walk early.
enum class Walk { Next, Stop };

// The pending failure of one run and the steps that record into it. The
// driver of a run (the report run, the windows, the headless program, the
// inventory) owns one and hands it down to every routine it calls.
class Trap {
public:
    // Turns trapping on for a routine: clears the pending failure.
    void on() noexcept { pending_ = Failure{}; }

    // The pending failure (number 0 when there is none).
    const Failure& pending() const noexcept { return pending_; }
    void setPending(Failure f) noexcept { pending_ = std::move(f); }
    // Clears the pending failure (a routine's own "clear" step).
    void clear() noexcept { pending_ = Failure{}; }

    // True when the pending failure is one to report: its number is above 0.
    bool failed() const noexcept { return pending_.number > 0; }

    // Runs one step. Returns false when it failed (and was abandoned).
    template <class F>
    bool step(F&& f) noexcept {
        try {
            std::forward<F>(f)();
            return true;
        } catch (...) {
            trapCurrent();
            return false;
        }
    }

    // Evaluates a condition; a condition whose evaluation fails does not hold.
    template <class F>
    bool test(F&& cond) noexcept {
        bool holds = false;
        step([&] { holds = static_cast<bool>(std::forward<F>(cond)()); });
        return holds;
    }

    // Walks a collection front to back. `next` is any callable that returns a
    // pointer to the next item (nullptr at the end) and throws on failure; the
    // body receives the item by reference and may return Walk::Stop. A
    // collection that cannot start or continue simply ends the walk.
    template <class Next, class Body>
    void walkWith(Next&& next, Body&& body) noexcept {
        for (;;) {
            decltype(next()) item = nullptr;
            if (!step([&] { item = next(); }) || item == nullptr) return;
            if constexpr (std::is_same_v<decltype(body(*item)), Walk>) {
                Walk w = Walk::Next;
                if (!step([&] { w = body(*item); })) continue;
                if (w == Walk::Stop) return;
            } else {
                step([&] { body(*item); });
            }
        }
    }

private:
    void trapCurrent() noexcept;  // records the exception in flight as the pending failure
    Failure pending_;
};

}  // namespace tq::trap
