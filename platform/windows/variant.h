// What a property's VARIANT becomes as a property value.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "wmi/value.h"

namespace tq::win {

// BSTR: text. Signed and unsigned integers of up to 32 bits: the 32-bit
// integer kind (unsigned 32-bit values keep their bits, as the service
// delivers its uint32 properties). VARIANT_BOOL: Boolean. VT_NULL and
// VT_EMPTY: absent. VT_R4 and VT_R8: floating-point, VT_R4 marked as single
// precision. Everything else (arrays, 64-bit numbers, dates, objects): the
// other kind, with a JSON form of its content.
Value toValue(const VARIANT& v);

}  // namespace tq::win
