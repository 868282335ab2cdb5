// Failure trapping: the one mechanism through which the program survives
// failing steps. A trapped routine turns trapping on (clearing the pending
// failure), runs its statements as steps, tests its conditions and walks its
// collections through this header. A failing step is abandoned and its
// failure becomes the pending failure (the latest wins); a failing condition
// counts as not holding; a walk that cannot start or continue ends. Returning
// from a routine leaves the pending failure for the caller to see.
#pragma once

#include <new>
#include <type_traits>
#include <utility>

#include "wmi/failure.h"

namespace tq::trap {

// Turns trapping on for a routine: clears the pending failure.
void on();

// The program-wide pending failure (number 0 when there is none).
const Failure& pending();
void setPending(Failure f);
// Clears the pending failure (a routine's own "clear" step, and tests).
void clear();

// True when the pending failure is one to report: its number is above 0.
inline bool failed() { return pending().number > 0; }

namespace detail {
void trapCurrent();  // records the exception in flight as the pending failure
}

// Runs one step. Returns false when it failed (and was abandoned).
template <class F>
bool step(F&& f) noexcept {
    try {
        std::forward<F>(f)();
        return true;
    } catch (...) {
        detail::trapCurrent();
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

// What a walk body may return to leave the walk early.
enum class Walk { Next, Stop };

// Walks a collection front to back. `next` is any callable that returns a
// pointer to the next item (nullptr at the end) and throws on failure; the
// body receives the item by reference and may return Walk::Stop. A collection
// that cannot start or continue simply ends the walk.
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

}  // namespace tq::trap
