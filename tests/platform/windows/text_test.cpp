// UTF-8 against BSTR and against the ANSI code page.
#include <gtest/gtest.h>

#include <string>

#include "platform/windows/text.h"

namespace tq::win {
namespace {

using namespace std::string_literals;

TEST(BstrText, RoundTripsWithoutLoss) {
    const std::string samples[] = {
        "",
        "Default System BIOS",
        "M\u00FCller \u00C4rger \u00DF",
        "\u4E2D\u6587\u8BBE\u5907",          // outside every single-byte code page
        "\U0001F600 emoji",                  // a surrogate pair in UTF-16
        "embedded\0nul"s,                     // BSTRs carry their length
        "tab\tand\r\nline ends",
    };
    for (const std::string& s : samples) {
        SCOPED_TRACE(s);
        Bstr b(s);
        EXPECT_EQ(b.utf8(), s);
        EXPECT_EQ(::SysStringLen(b.get()), widen(s).size());
    }
}

TEST(BstrText, SurrogatePairIsTwoUnits) {
    Bstr b("\U0001F600");
    ASSERT_EQ(::SysStringLen(b.get()), 2u);
    EXPECT_EQ(b.get()[0], 0xD83D);
    EXPECT_EQ(b.get()[1], 0xDE00);
}

TEST(BstrText, NullBstrIsEmpty) { EXPECT_EQ(fromBstr(nullptr), ""); }

TEST(BstrText, OwnerMovesAndReplaces) {
    Bstr a("first");
    Bstr b(std::move(a));
    EXPECT_EQ(a.get(), nullptr);
    EXPECT_EQ(b.utf8(), "first");
    *b.out() = ::SysAllocString(L"second");
    EXPECT_EQ(b.utf8(), "second");
}

class AnsiText : public ::testing::Test {
protected:
    void SetUp() override {
        if (::GetACP() != 1252) GTEST_SKIP() << "ANSI code page is " << ::GetACP() << ", not 1252";
    }
};

TEST_F(AnsiText, CodePageCharactersMapToTheirBytes) {
    EXPECT_EQ(utf8ToAnsi("\u00E4\u00F6\u00FC\u00C4\u00D6\u00DC\u00DF"), "\xE4\xF6\xFC\xC4\xD6\xDC\xDF");
    EXPECT_EQ(utf8ToAnsi("\u20AC \u201E\u201C \u2122"), "\x80 \x84\x93 \x99");
    EXPECT_EQ(utf8ToAnsi("plain <b>html</b>&nbsp;"), "plain <b>html</b>&nbsp;");
}

TEST_F(AnsiText, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach) {
    EXPECT_EQ(utf8ToAnsi("\u03A9"), "?");
    EXPECT_EQ(utf8ToAnsi("\u4E2D\u6587"), "??");
    EXPECT_EQ(utf8ToAnsi("a\U0001F600b"), "a?b");
    // No look-alike letters: L with stroke and z with acute are not L and z.
    EXPECT_EQ(utf8ToAnsi("\u0141\u00F3d\u017A"), "?\xF3" "d?");
}

TEST_F(AnsiText, BytesComeBackAsTheirCharacters) {
    EXPECT_EQ(ansiToUtf8("\xE4\x80\x9F"), "\u00E4\u20AC\u0178");
    std::string all;
    for (int b = 0xA0; b <= 0xFF; ++b) all += static_cast<char>(b);
    EXPECT_EQ(utf8ToAnsi(ansiToUtf8(all)), all);
}

}  // namespace
}  // namespace tq::win
