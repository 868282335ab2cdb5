#include "wmi/failure.h"

#include <utility>

namespace tq {

Error::Error(std::int32_t number, std::string description)
    : std::runtime_error(description), failure_{number, std::move(description)} {}

Error::Error(Failure f) : std::runtime_error(f.description), failure_(std::move(f)) {}

namespace fail {

std::string describe(std::int32_t number) {
    switch (number) {
    case kInvalidArgument: return "Invalid procedure call or argument";
    case kOutOfMemory: return "Out of memory";
    case kSubscriptOutOfRange: return "Subscript out of range";
    case kTypeMismatch: return "Type mismatch";
    case kInternal: return "Internal error";
    case kBadFileNameOrNumber: return "Bad file name or number";
    case kFileNotFound: return "File not found";
    case kBadFileMode: return "Bad file mode";
    case kDiskFull: return "Disk full";
    case kInputPastEnd: return "Input past end of file";
    case kPermissionDenied: return "Permission denied";
    case kPathFileAccess: return "Path/File access error";
    case kPathNotFound: return "Path not found";
    case kObjectRequired: return "Object required";
    case kNotSupported: return "Object doesn't support this property or method";
    case kInvalidUseOfNull: return "Invalid use of Null";
    case kOverflow: return "Overflow";
    case kServerUnavailable: return "The remote server machine does not exist or is unavailable";
    default: return "Application-defined or object-defined error";
    }
}

void raise(std::int32_t number) { throw Error(number, describe(number)); }
void raise(std::int32_t number, std::string description) { throw Error(number, std::move(description)); }

std::string describeService(std::uint32_t code) {
    switch (code) {
    case kWbemFailed: return "Generic failure ";
    case kWbemNotFound: return "Not found ";
    case kWbemAccessDenied: return "Access denied ";
    case kWbemInvalidParameter: return "Invalid parameter ";
    case kWbemInvalidNamespace: return "Invalid namespace ";
    case kWbemInvalidClass: return "Invalid class ";
    case kWbemInvalidQuery: return "Invalid query ";
    case kWbemInvalidQueryType: return "Invalid query type ";
    case kWbemNotSupported: return "Not supported ";
    default: return "Unspecified error";
    }
}

void raiseService(std::uint32_t code) { throw Error(hresult(code), describeService(code)); }
void raiseService(std::uint32_t code, std::string description) { throw Error(hresult(code), std::move(description)); }

}  // namespace fail
}  // namespace tq
