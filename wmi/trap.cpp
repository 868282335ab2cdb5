#include "wmi/trap.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>

namespace tq::trap {
namespace {
// A step that throws what no failure number stands for is a fault of the
// program: the report keeps its "Internal error" row, but a debug build stops
// here so that the fault is seen.
Failure unexpected([[maybe_unused]] const char* what) {
#ifndef NDEBUG
    std::fprintf(stderr, "trapped step threw an unexpected exception: %s\n", what);
    std::abort();
#endif
    return Failure{fail::kInternal, fail::describe(fail::kInternal)};
}
}  // namespace

void Trap::trapCurrent() noexcept {
    try {
        throw;
    } catch (const Error& e) {
        pending_ = e.failure();
    } catch (const std::bad_alloc&) {
        pending_ = Failure{fail::kOutOfMemory, fail::describe(fail::kOutOfMemory)};
    } catch (const std::out_of_range&) {
        pending_ = Failure{fail::kInvalidArgument, fail::describe(fail::kInvalidArgument)};
    } catch (const std::runtime_error&) {
        // The environment failed in a way no number was given for (a system or file-system error).
        pending_ = Failure{fail::kInternal, fail::describe(fail::kInternal)};
    } catch (const std::exception& e) {
        pending_ = unexpected(e.what());
    } catch (...) {
        pending_ = unexpected("not a standard exception");
    }
}

}  // namespace tq::trap
