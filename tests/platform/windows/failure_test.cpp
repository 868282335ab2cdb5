// Status codes as failures: negative numbers with the system's wording.
#include <gtest/gtest.h>

#include <wbemcli.h>

#include "platform/windows/com.h"
#include "wmi/failure.h"

namespace tq::win {
namespace {

Failure raised(HRESULT hr) {
    try {
        raiseHresult(hr);
    } catch (const Error& e) {
        return e.failure();
    }
    return {};
}

TEST(HresultFailure, NumbersAreTheSignedStatusCodes) {
    EXPECT_EQ(raised(WBEM_E_INVALID_QUERY).number, -2147217385);
    EXPECT_EQ(raised(WBEM_E_INVALID_CLASS).number, -2147217392);
    EXPECT_EQ(raised(E_ACCESSDENIED).number, -2147024891);
    EXPECT_LT(raised(RPC_E_DISCONNECTED).number, 0);
}

TEST(HresultFailure, DescriptionsAreWordsWithoutLineEnds) {
    for (HRESULT hr : {static_cast<HRESULT>(WBEM_E_INVALID_QUERY), static_cast<HRESULT>(WBEM_E_NOT_FOUND),
                       static_cast<HRESULT>(WBEM_E_INVALID_NAMESPACE), E_ACCESSDENIED, E_OUTOFMEMORY}) {
        SCOPED_TRACE(hr);
        const std::string d = raised(hr).description;
        EXPECT_FALSE(d.empty());
        EXPECT_EQ(d.find('\r'), std::string::npos);
        EXPECT_EQ(d.find('\n'), std::string::npos);
        // Never a mere restatement of the number.
        EXPECT_EQ(d.find("0x"), std::string::npos) << d;
    }
}

TEST(HresultFailure, ServiceCodesUseTheServicesWords) {
    // The system's text or, where it has none, the program's own.
    const std::string query = raised(WBEM_E_INVALID_QUERY).description;
    EXPECT_NE(query.find("nvalid query"), std::string::npos) << query;
    const std::string ns = raised(WBEM_E_INVALID_NAMESPACE).description;
    EXPECT_NE(ns.find("nvalid namespace"), std::string::npos) << ns;
}

TEST(HresultFailure, SystemCodesUseTheSystemsMessages) {
    const std::string denied = describeHresult(E_ACCESSDENIED);
    EXPECT_NE(denied.find("denied"), std::string::npos) << denied;
    EXPECT_FALSE(describeHresult(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)).empty());
}

TEST(HresultFailure, UnknownCodesStillCarryADescription) {
    const Failure f = raised(static_cast<HRESULT>(0x8004FFFEu));
    EXPECT_LT(f.number, 0);
    EXPECT_FALSE(f.description.empty());
}

}  // namespace
}  // namespace tq::win
