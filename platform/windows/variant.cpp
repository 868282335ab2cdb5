#include "platform/windows/variant.h"

#include <nlohmann/json.hpp>

#include "platform/windows/text.h"

namespace tq::win {
namespace {

using nlohmann::json;

// One element of an array, or a scalar of another kind, as JSON.
json scalarJson(VARTYPE vt, const void* p) {
    switch (vt) {
    case VT_BSTR: return fromBstr(*static_cast<const BSTR*>(p));
    case VT_I1: return *static_cast<const signed char*>(p);
    case VT_UI1: return *static_cast<const unsigned char*>(p);
    case VT_I2: return *static_cast<const SHORT*>(p);
    case VT_UI2: return *static_cast<const USHORT*>(p);
    case VT_I4:
    case VT_INT: return *static_cast<const LONG*>(p);
    case VT_UI4:
    case VT_UINT: return *static_cast<const ULONG*>(p);
    case VT_I8: return *static_cast<const LONGLONG*>(p);
    case VT_UI8: return *static_cast<const ULONGLONG*>(p);
    case VT_R4: return *static_cast<const float*>(p);
    case VT_R8:
    case VT_DATE: return *static_cast<const double*>(p);
    case VT_BOOL: return *static_cast<const VARIANT_BOOL*>(p) != VARIANT_FALSE;
    case VT_VARIANT: {
        const VARIANT& inner = *static_cast<const VARIANT*>(p);
        if (inner.vt == VT_EMPTY || inner.vt == VT_NULL) return nullptr;
        if (inner.vt & VT_ARRAY) return nullptr;
        return scalarJson(inner.vt, &inner.bVal);
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: return json::object();  // an embedded object
    default: return nullptr;
    }
}

json arrayJson(VARTYPE elementType, SAFEARRAY* sa) {
    json out = json::array();
    if (!sa || ::SafeArrayGetDim(sa) != 1) return out;
    LONG lo = 0, hi = -1;
    ::SafeArrayGetLBound(sa, 1, &lo);
    ::SafeArrayGetUBound(sa, 1, &hi);
    void* data = nullptr;
    if (FAILED(::SafeArrayAccessData(sa, &data))) return out;
    const auto size = ::SafeArrayGetElemsize(sa);
    for (LONG i = 0; i <= hi - lo; ++i)
        out.push_back(scalarJson(elementType, static_cast<const char*>(data) + static_cast<std::size_t>(i) * size));
    ::SafeArrayUnaccessData(sa);
    return out;
}

}  // namespace

Value toValue(const VARIANT& v) {
    if (v.vt & VT_ARRAY) {
        SAFEARRAY* sa = (v.vt & VT_BYREF) ? (v.pparray ? *v.pparray : nullptr) : v.parray;
        return Value::other(arrayJson(static_cast<VARTYPE>(v.vt & VT_TYPEMASK), sa).dump());
    }
    switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL: return Value();
    case VT_BSTR: return Value::text(fromBstr(v.bstrVal));
    case VT_I1: return Value::integer(static_cast<signed char>(v.cVal));
    case VT_UI1: return Value::integer(v.bVal);
    case VT_I2: return Value::integer(v.iVal);
    case VT_UI2: return Value::integer(v.uiVal);
    case VT_I4: return Value::integer(v.lVal);
    case VT_INT: return Value::integer(v.intVal);
    case VT_UI4: return Value::integer(static_cast<std::int32_t>(v.ulVal));
    case VT_UINT: return Value::integer(static_cast<std::int32_t>(v.uintVal));
    case VT_BOOL: return Value::boolean(v.boolVal != VARIANT_FALSE);
    case VT_R4: return Value::real(v.fltVal, true);
    case VT_R8: return Value::real(v.dblVal);
    default: return Value::other(scalarJson(v.vt, &v.bVal).dump());
    }
}

}  // namespace tq::win
