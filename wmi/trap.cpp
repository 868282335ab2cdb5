#include "wmi/trap.h"

#include <exception>
#include <stdexcept>

namespace tq::trap {
namespace {
Failure& pendingRef() {
    static Failure f;
    return f;
}
}  // namespace

void on() { pendingRef() = Failure{}; }
const Failure& pending() { return pendingRef(); }
void setPending(Failure f) { pendingRef() = std::move(f); }
void clear() { pendingRef() = Failure{}; }

namespace detail {
void trapCurrent() {
    try {
        throw;
    } catch (const Error& e) {
        pendingRef() = e.failure();
    } catch (const std::bad_alloc&) {
        pendingRef() = Failure{fail::kOutOfMemory, fail::describe(fail::kOutOfMemory)};
    } catch (const std::out_of_range&) {
        pendingRef() = Failure{fail::kInvalidArgument, fail::describe(fail::kInvalidArgument)};
    } catch (...) {
        pendingRef() = Failure{fail::kInternal, fail::describe(fail::kInternal)};
    }
}
}  // namespace detail

}  // namespace tq::trap
