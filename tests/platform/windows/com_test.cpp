// Values at the COM boundary: UTF-8 against BSTR and the ANSI code page,
// VARIANTs as the program's values, status codes as failures.
#include <gtest/gtest.h>

#include <wbemcli.h>

#include <climits>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "failure_of.h"
#include "platform/windows/com.h"
#include "platform/windows/text.h"
#include "platform/windows/variant.h"
#include "wmi/failure.h"

namespace tq::win {
namespace {

using namespace std::string_literals;

TEST(BstrText, RoundTripsWithoutLoss) {
    for (const std::string& s : {""s, "M\u00FCller \u4E2D\u6587\u8BBE\u5907"s,  // outside every single-byte code page
                                 "\U0001F600 emoji"s,                           // a surrogate pair in UTF-16
                                 "embedded\0nul"s}) {                           // BSTRs carry their length
        SCOPED_TRACE(s);
        Bstr b(s);
        EXPECT_EQ(b.utf8(), s);
        EXPECT_EQ(::SysStringLen(b.get()), widen(s).size());
    }
    const Bstr pair("\U0001F600");
    EXPECT_EQ(std::wstring_view(pair.get(), ::SysStringLen(pair.get())), L"\xD83D\xDE00");
}

// The table of the code page itself is shared with the other platforms and
// tested there.
TEST(AnsiText, WindowsLatin1) {
    if (::GetACP() != 1252) GTEST_SKIP() << "ANSI code page is " << ::GetACP() << ", not 1252";
    // Outside the code page: one "?" per character, surrogate pairs included,
    // and no look-alike letters (L with stroke is not L).
    EXPECT_EQ(utf8ToAnsi("\u00E4\u20AC\u201E \u4E2D\u6587 a\U0001F600b \u0141\u00F3d\u017A"),
              "\xE4\x80\x84 ?? a?b ?\xF3"
              "d?");
}

using Kind = Value::Kind;

TEST(VariantConversion, EveryKindTheServiceDelivers) {
    struct Row {
        const char* name;
        std::function<void(VARIANT&)> fill;
        Kind kind;
        std::string text;  // str(), or the JSON of the other kinds
        bool single = false;
    };
    // clang-format off
    const std::vector<Row> rows = {
        {"bstr", [](VARIANT& v) { v.vt = VT_BSTR; v.bstrVal = ::SysAllocString(L"Gr\u00FC\u00DFe \u20AC"); },
         Kind::Text, "Gr\u00FC\u00DFe \u20AC"},
        {"bstr null pointer", [](VARIANT& v) { v.vt = VT_BSTR; v.bstrVal = nullptr; }, Kind::Text, ""},
        {"i1", [](VARIANT& v) { v.vt = VT_I1; v.cVal = -5; }, Kind::Integer, "-5"},
        {"ui1", [](VARIANT& v) { v.vt = VT_UI1; v.bVal = 200; }, Kind::Integer, "200"},
        {"i2", [](VARIANT& v) { v.vt = VT_I2; v.iVal = -300; }, Kind::Integer, "-300"},
        {"ui2", [](VARIANT& v) { v.vt = VT_UI2; v.uiVal = 65535; }, Kind::Integer, "65535"},
        {"i4", [](VARIANT& v) { v.vt = VT_I4; v.lVal = INT_MIN; }, Kind::Integer, "-2147483648"},
        {"int", [](VARIANT& v) { v.vt = VT_INT; v.intVal = 2445; }, Kind::Integer, "2445"},
        // Unsigned 32-bit values keep their bits, as the service hands out uint32.
        {"ui4", [](VARIANT& v) { v.vt = VT_UI4; v.ulVal = 3000000000u; }, Kind::Integer, "-1294967296"},
        {"uint", [](VARIANT& v) { v.vt = VT_UINT; v.uintVal = 4294967295u; }, Kind::Integer, "-1"},
        {"bool true", [](VARIANT& v) { v.vt = VT_BOOL; v.boolVal = VARIANT_TRUE; }, Kind::Boolean, "True"},
        {"bool false", [](VARIANT& v) { v.vt = VT_BOOL; v.boolVal = VARIANT_FALSE; }, Kind::Boolean, "False"},
        {"null", [](VARIANT& v) { v.vt = VT_NULL; }, Kind::Absent, ""},
        {"empty", [](VARIANT& v) { v.vt = VT_EMPTY; }, Kind::Absent, ""},
        {"r4", [](VARIANT& v) { v.vt = VT_R4; v.fltVal = 7.3f; }, Kind::Real, "7.3", true},
        {"r8", [](VARIANT& v) { v.vt = VT_R8; v.dblVal = 7.3; }, Kind::Real, "7.3"},
        // The other kinds keep their content as JSON.
        {"i8", [](VARIANT& v) { v.vt = VT_I8; v.llVal = 12345678901LL; }, Kind::Other, "12345678901"},
        {"ui8", [](VARIANT& v) { v.vt = VT_UI8; v.ullVal = ~0ULL; }, Kind::Other, "18446744073709551615"},
        {"date", [](VARIANT& v) { v.vt = VT_DATE; v.date = 36526.5; }, Kind::Other, "36526.5"},
        {"object", [](VARIANT& v) { v.vt = VT_UNKNOWN; v.punkVal = nullptr; }, Kind::Other, "{}"},
        {"error", [](VARIANT& v) { v.vt = VT_ERROR; v.scode = DISP_E_PARAMNOTFOUND; }, Kind::Other, "null"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Variant v;
        row.fill(*v.get());
        const Value value = toValue(*v);
        EXPECT_EQ(value.kind(), row.kind);
        EXPECT_EQ(value.isSingle(), row.single);
        if (row.kind == Kind::Other) {
            EXPECT_EQ(value.rawText(), row.text);
        } else if (row.kind != Kind::Absent) {
            EXPECT_EQ(value.str(), row.text);
        }
    }
}

// One-dimensional arrays are other values holding their elements.
template <class T>
std::string arrayJson(VARTYPE vt, const std::vector<T>& elements) {
    Variant v;
    SAFEARRAYBOUND bound{static_cast<ULONG>(elements.size()), 0};
    v.get()->vt = VT_ARRAY | vt;
    v.get()->parray = ::SafeArrayCreate(vt, 1, &bound);
    for (LONG i = 0; i < static_cast<LONG>(elements.size()); ++i) {
        T e = elements[i];
        if constexpr (std::is_pointer_v<T>) ::SafeArrayPutElement(v.get()->parray, &i, e);  // BSTRs are copied
        else ::SafeArrayPutElement(v.get()->parray, &i, &e);
    }
    const Value value = toValue(*v);
    EXPECT_TRUE(value.isOther());
    return value.rawText();
}

TEST(VariantConversion, ArraysAreOtherWithTheirElements) {
    const Bstr a(L"ACPI\\PNP0A08"), b(L"\u00C4");
    EXPECT_EQ(arrayJson<BSTR>(VT_BSTR, {a.get(), b.get()}), "[\"ACPI\\\\PNP0A08\",\"\u00C4\"]");
    EXPECT_EQ(arrayJson<LONG>(VT_I4, {10, 20, 30}), "[10,20,30]");
    EXPECT_EQ(arrayJson<USHORT>(VT_UI2, {}), "[]");
}

TEST(HresultFailure, SignedNumbersAndWordsWithoutLineEnds) {
    // The code, its number and a word of the description (the service's own text or the program's).
    const std::tuple<long long, std::int32_t, const char*> rows[] = {
        {WBEM_E_INVALID_QUERY, -2147217385, "nvalid query"},
        {WBEM_E_NOT_FOUND, -2147217406, ""},
        {E_ACCESSDENIED, -2147024891, "denied"},
        {0x8004FFFEu, -2147155970, ""},  // a code nobody knows
    };
    for (const auto& [code, number, word] : rows) {
        SCOPED_TRACE(code);
        const Failure f = failureOf([&] { raiseHresult(static_cast<HRESULT>(static_cast<std::uint32_t>(code))); });
        EXPECT_EQ(f.number, number);
        const std::string& d = f.description;
        EXPECT_FALSE(d.empty());
        EXPECT_NE(d.find(word), std::string::npos) << d;
        EXPECT_EQ(d.find_first_of("\r\n"), std::string::npos) << d;
        EXPECT_EQ(d.find("0x"), std::string::npos) << d;  // never a mere restatement of the number
    }
}

}  // namespace
}  // namespace tq::win
