// The VARIANT-to-value conversion, one row per kind the service delivers.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "platform/windows/com.h"
#include "platform/windows/variant.h"
#include "wmi/failure.h"

namespace tq::win {
namespace {

struct Row {
    const char* name;
    std::function<void(VARIANT&)> fill;
    Value::Kind kind;
    std::string str;  // the text form (kinds that have one)
    bool single = false;
};

Value convert(const std::function<void(VARIANT&)>& fill) {
    Variant v;
    fill(*v.get());
    return toValue(*v);
}

TEST(VariantConversion, ScalarTable) {
    const std::vector<Row> rows = {
        {"bstr", [](VARIANT& v) { v.vt = VT_BSTR; v.bstrVal = ::SysAllocString(L"Award BIOS"); },
         Value::Kind::Text, "Award BIOS"},
        {"bstr non-ASCII", [](VARIANT& v) { v.vt = VT_BSTR; v.bstrVal = ::SysAllocString(L"Gr\u00FC\u00DFe \u20AC"); },
         Value::Kind::Text, "Gr\u00FC\u00DFe \u20AC"},
        {"bstr empty", [](VARIANT& v) { v.vt = VT_BSTR; v.bstrVal = ::SysAllocString(L""); }, Value::Kind::Text, ""},
        {"bstr null pointer", [](VARIANT& v) { v.vt = VT_BSTR; v.bstrVal = nullptr; }, Value::Kind::Text, ""},
        {"i1", [](VARIANT& v) { v.vt = VT_I1; v.cVal = -5; }, Value::Kind::Integer, "-5"},
        {"ui1", [](VARIANT& v) { v.vt = VT_UI1; v.bVal = 200; }, Value::Kind::Integer, "200"},
        {"i2", [](VARIANT& v) { v.vt = VT_I2; v.iVal = -300; }, Value::Kind::Integer, "-300"},
        {"ui2", [](VARIANT& v) { v.vt = VT_UI2; v.uiVal = 65535; }, Value::Kind::Integer, "65535"},
        {"i4", [](VARIANT& v) { v.vt = VT_I4; v.lVal = INT_MIN; }, Value::Kind::Integer, "-2147483648"},
        {"int", [](VARIANT& v) { v.vt = VT_INT; v.intVal = 2445; }, Value::Kind::Integer, "2445"},
        // Unsigned 32-bit values keep their bits, as the service hands out uint32.
        {"ui4 max", [](VARIANT& v) { v.vt = VT_UI4; v.ulVal = 4294967295u; }, Value::Kind::Integer, "-1"},
        {"ui4 high", [](VARIANT& v) { v.vt = VT_UI4; v.ulVal = 3000000000u; }, Value::Kind::Integer, "-1294967296"},
        {"uint", [](VARIANT& v) { v.vt = VT_UINT; v.uintVal = 7; }, Value::Kind::Integer, "7"},
        {"bool true", [](VARIANT& v) { v.vt = VT_BOOL; v.boolVal = VARIANT_TRUE; }, Value::Kind::Boolean, "True"},
        {"bool false", [](VARIANT& v) { v.vt = VT_BOOL; v.boolVal = VARIANT_FALSE; }, Value::Kind::Boolean, "False"},
        {"null", [](VARIANT& v) { v.vt = VT_NULL; }, Value::Kind::Absent, ""},
        {"empty", [](VARIANT& v) { v.vt = VT_EMPTY; }, Value::Kind::Absent, ""},
        {"r4", [](VARIANT& v) { v.vt = VT_R4; v.fltVal = 7.3f; }, Value::Kind::Real, "7.3", true},
        {"r4 small", [](VARIANT& v) { v.vt = VT_R4; v.fltVal = 0.1f; }, Value::Kind::Real, "0.1", true},
        {"r8", [](VARIANT& v) { v.vt = VT_R8; v.dblVal = 7.3; }, Value::Kind::Real, "7.3"},
        {"r8 float-widened", [](VARIANT& v) { v.vt = VT_R8; v.dblVal = static_cast<double>(7.3f); },
         Value::Kind::Real, "7.30000019073486"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Value value = convert(row.fill);
        EXPECT_EQ(value.kind(), row.kind);
        if (row.kind != Value::Kind::Absent) EXPECT_EQ(value.str(), row.str);
        EXPECT_EQ(value.isSingle(), row.single);
    }
}

TEST(VariantConversion, OtherKindsKeepTheirContentAsJson) {
    const std::vector<std::pair<const char*, std::function<void(VARIANT&)>>> rows = {
        {"12345678901", [](VARIANT& v) { v.vt = VT_I8; v.llVal = 12345678901LL; }},
        {"18446744073709551615", [](VARIANT& v) { v.vt = VT_UI8; v.ullVal = ~0ULL; }},
        {"36526.5", [](VARIANT& v) { v.vt = VT_DATE; v.date = 36526.5; }},
        {"{}", [](VARIANT& v) { v.vt = VT_UNKNOWN; v.punkVal = nullptr; }},
        {"null", [](VARIANT& v) { v.vt = VT_ERROR; v.scode = DISP_E_PARAMNOTFOUND; }},
    };
    for (const auto& [json, fill] : rows) {
        SCOPED_TRACE(json);
        const Value value = convert(fill);
        EXPECT_TRUE(value.isOther());
        EXPECT_EQ(value.rawText(), json);
    }
}

SAFEARRAY* vector(VARTYPE vt, LONG count) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(count), 0};
    return ::SafeArrayCreate(vt, 1, &bound);
}

TEST(VariantConversion, ArraysAreOtherWithTheirElements) {
    {
        Variant v;
        v.get()->vt = VT_ARRAY | VT_BSTR;
        v.get()->parray = vector(VT_BSTR, 2);
        for (LONG i = 0; i < 2; ++i) {
            BSTR s = ::SysAllocString(i == 0 ? L"ACPI\\PNP0A08" : L"\u00C4");
            ::SafeArrayPutElement(v.get()->parray, &i, s);
            ::SysFreeString(s);
        }
        const Value value = toValue(*v);
        EXPECT_TRUE(value.isOther());
        EXPECT_EQ(value.rawText(), "[\"ACPI\\\\PNP0A08\",\"\u00C4\"]");
    }
    {
        Variant v;
        v.get()->vt = VT_ARRAY | VT_I4;
        v.get()->parray = vector(VT_I4, 3);
        for (LONG i = 0; i < 3; ++i) {
            LONG n = (i + 1) * 10;
            ::SafeArrayPutElement(v.get()->parray, &i, &n);
        }
        EXPECT_EQ(toValue(*v).rawText(), "[10,20,30]");
    }
    {
        Variant v;
        v.get()->vt = VT_ARRAY | VT_UI2;
        v.get()->parray = vector(VT_UI2, 0);
        EXPECT_EQ(toValue(*v).rawText(), "[]");
    }
}

TEST(VariantConversion, OtherKindsHaveNoTextForm) {
    Variant v;
    v.get()->vt = VT_I8;
    v.get()->llVal = 1;
    EXPECT_THROW(toValue(*v).str(), Error);
}

}  // namespace
}  // namespace tq::win
