#include "wmi/service.h"

#include <utility>

namespace tq::wmi {
namespace {
Binder& binderRef() {
    static Binder b = bindUnavailable;
    return b;
}
}  // namespace

void setBinder(Binder b) { binderRef() = b ? std::move(b) : Binder(bindUnavailable); }
const Binder& binder() { return binderRef(); }

ServicePtr bind(std::string_view moniker) {
    ServicePtr s = binderRef()(moniker);
    if (!s) fail::raise(fail::kObjectRequired);
    return s;
}

CollectionPtr execQuery(const ServicePtr& service, std::string_view query, int flags,
                        std::string_view language) {
    if (!service) fail::raise(fail::kObjectRequired);
    return service->execQuery(query, language, flags);
}

ServicePtr bindUnavailable(std::string_view) {
    fail::raise(462, "The remote server machine does not exist or is unavailable");
}

}  // namespace tq::wmi
