#include "wmi/trap.h"

#include <cstdio>
#include <cstdlib>
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
namespace {
// A step that throws what no failure number stands for is a fault of the
// program: the report keeps its "Internal error" row, but a debug build stops
// here so that the fault is seen.
void stopInDebugBuild([[maybe_unused]] const char* what) {
    pendingRef() = Failure{fail::kInternal, fail::describe(fail::kInternal)};
#ifndef NDEBUG
    std::fprintf(stderr, "trapped step threw an unexpected exception: %s\n", what);
    std::abort();
#endif
}
}  // namespace

void trapCurrent() {
    try {
        throw;
    } catch (const Error& e) {
        pendingRef() = e.failure();
    } catch (const std::bad_alloc&) {
        pendingRef() = Failure{fail::kOutOfMemory, fail::describe(fail::kOutOfMemory)};
    } catch (const std::out_of_range&) {
        pendingRef() = Failure{fail::kInvalidArgument, fail::describe(fail::kInvalidArgument)};
    } catch (const std::runtime_error&) {
        // The environment failed in a way no number was given for (a system or file-system error).
        pendingRef() = Failure{fail::kInternal, fail::describe(fail::kInternal)};
    } catch (const std::exception& e) {
        stopInDebugBuild(e.what());
    } catch (...) {
        stopInDebugBuild("not a standard exception");
    }
}
}  // namespace detail

}  // namespace tq::trap
