#include "platform/linux/provider.h"

namespace tq::linuxprov {

wmi::Binder makeBinder(std::string) { return wmi::bindUnavailable; }

}  // namespace tq::linuxprov
