#include "Controls.h"
#include "Texts.h"

#include <gtest/gtest.h>

#include <vector>

using namespace juxa;

namespace {

std::wstring ConversionMessage(const std::wstring& text) {
    try {
        StrToInt(text);
    } catch (const JuxaError& error) {
        return error.Message();
    }
    return L"<converted>";
}

std::wstring ByteFieldOutcome(const std::wstring& text) {
    try {
        return std::to_wstring(ConvertByteField(text));
    } catch (const JuxaError& error) {
        return error.Message();
    }
}

} // namespace

TEST(IntegerConversion, AcceptsWhatTheFieldsMayHold) {
    const std::vector<std::pair<std::wstring, std::int32_t>> cases = {
        {L"0", 0},
        {L"56", 56},
        {L"0056", 56},
        {L"+56", 56},
        {L"-5", -5},
        {L"   7", 7},
        {L"$ff", 255},
        {L"x1F", 31},
        {L"X1f", 31},
        {L"0x10", 16},
        {L"0X10", 16},
        {L"-$10", -16},
        {L"$000000000000FF", 255},
        {L"$FFFFFFFF", -1},
        {L"$80000000", -2147483647 - 1},
        {L"2147483647", 2147483647},
        {L"-2147483648", -2147483647 - 1},
        {L"00000000000000000000065536", 65536},
    };
    for (const auto& [text, value] : cases) {
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        const auto converted = TryStrToInt(text);
        ASSERT_TRUE(converted.has_value());
        EXPECT_EQ(*converted, value);
    }
}

TEST(IntegerConversion, RefusesWithTheQuotedText) {
    for (const std::wstring text :
         {L"",           L" ",          L"-",           L"+",   L"$",   L"0x",   L"x",
          L"1 ",         L"1.5",        L"1,5",         L"--1", L"+-1", L"$-1",  L"$ 1",
          L"$100000000", L"2147483648", L"-2147483649", L"\t1", L"1e3", L"0x1g", L"$$1"}) {
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        EXPECT_FALSE(TryStrToInt(text).has_value());
        EXPECT_EQ(ConversionMessage(text), L"''" + text + L"'' is not a valid integer value");
    }
}

TEST(ByteFieldConversion, HexWithDollarInFrontLowEightBits) {
    const std::vector<std::pair<std::wstring, std::wstring>> cases = {
        {L"12", L"18"},
        {L"ff", L"255"},
        {L"1ff", L"255"},
        {L"1FF", L"255"},
        {L"100", L"0"},
        {L"00000000FF", L"255"},
        {L"FFFFFFFF", L"255"},
        {L"100000000", L"''$100000000'' is not a valid integer value"},
        {L" 1", L"''$ 1'' is not a valid integer value"},
        {L"1 ", L"''$1 '' is not a valid integer value"},
        {L"-1", L"''$-1'' is not a valid integer value"},
        {L"", L"''$'' is not a valid integer value"},
        {L"$1", L"''$$1'' is not a valid integer value"},
        {L"0x1", L"''$0x1'' is not a valid integer value"},
        {L"G1", L"''$G1'' is not a valid integer value"},
    };
    for (const auto& [text, outcome] : cases) {
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        EXPECT_EQ(ByteFieldOutcome(text), outcome);
    }
}

TEST(SpinField, ReadsClampsAndFiltersKeys) {
    EXPECT_EQ(ReadSpinValue(L"56"), 56);
    EXPECT_EQ(ReadSpinValue(L"1.5"), 0) << "a text that does not convert reads as 0";
    EXPECT_EQ(ReadSpinValue(L"abc"), 0);
    EXPECT_EQ(ReadSpinValue(L"70000"), 70000) << "reading does not clamp";
    EXPECT_EQ(SpinValueText(70000), L"65536");
    EXPECT_EQ(SpinValueText(-5), L"0");
    EXPECT_EQ(SpinValueText(65536), L"65536");
    EXPECT_EQ(SpinValueText(std::int64_t{2147483647} + 1), L"65536") << "Up on the largest value";
    for (wchar_t c : std::wstring(L"0123456789+-.\b\x16\x03\x18")) {
        EXPECT_TRUE(SpinFieldTakesChar(c, L'.')) << static_cast<int>(c);
    }
    for (wchar_t c : std::wstring(L"aZ ,$x\r")) {
        EXPECT_FALSE(SpinFieldTakesChar(c, L'.')) << static_cast<int>(c);
    }
    EXPECT_TRUE(SpinFieldTakesChar(L',', L','));
}

TEST(Renderings, AnsiUnicodeAndHex) {
    const std::uint8_t ansi[] = {0x1F, 0x20, 0x41, 0x7F, 0x80, 0xE9, 0xFF};
    EXPECT_EQ(RenderAnsi(ansi, 7), std::wstring(L". A\x7F\x80\xE9\xFF"));
    EXPECT_EQ(RenderAnsi(ansi, 0), L"");

    const std::uint8_t ab[] = {0x41, 0x00, 0x42, 0x00};
    EXPECT_EQ(RenderUnicode(ab, 4), L"AB");
    const std::uint8_t control[] = {0x1F, 0x00, 0x20, 0x00};
    EXPECT_EQ(RenderUnicode(control, 4), L". ");
    const std::uint8_t wide[] = {0x00, 0x01};
    EXPECT_EQ(RenderUnicode(wide, 2), std::wstring(1, static_cast<wchar_t>(0x0100)));
    const std::uint8_t odd[] = {0x41, 0x00, 0x42, 0x00, 0x43, 0x99};
    EXPECT_EQ(RenderUnicode(odd, 5), L"ABC") << "the missing high half of the last unit is 0";
    const std::uint8_t surrogates[] = {0x3D, 0xD8, 0x00, 0xDE};
    EXPECT_EQ(RenderUnicode(surrogates, 4),
              std::wstring({static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)}));
    EXPECT_EQ(RenderUnicode(ab, 0), L"");

    const std::uint8_t hex[] = {0x00, 0x0A, 0xFF};
    EXPECT_EQ(RenderHexLine(hex, 3), L"00 0A FF ");
    EXPECT_EQ(RenderHexLine(hex, 0), L"");
}

TEST(ErrorBox, AddsAFullStopOnlyAfterACharacterAboveIt) {
    EXPECT_EQ(ErrorBoxText(L"''$G1'' is not a valid integer value"),
              L"''$G1'' is not a valid integer value.");
    EXPECT_EQ(ErrorBoxText(L"Done."), L"Done.");
    EXPECT_EQ(ErrorBoxText(L"Why?"), L"Why?.") << "? lies above . as a code";
    EXPECT_EQ(ErrorBoxText(L"fifty-"), L"fifty-") << "- lies below .";
    EXPECT_EQ(ErrorBoxText(L"a,"), L"a,");
    EXPECT_EQ(ErrorBoxText(L""), L"");
}

TEST(DisplayedLines, JoinedWithCrLfWithoutTheLastEmptyLine) {
    EXPECT_EQ(JoinDisplayedLines({L""}), L"");
    EXPECT_EQ(JoinDisplayedLines({}), L"");
    EXPECT_EQ(JoinDisplayedLines({L"", L""}), L"\r\n");
    EXPECT_EQ(JoinDisplayedLines({L"00 0A ", L"FF ", L""}), L"00 0A \r\nFF \r\n");
    EXPECT_EQ(JoinDisplayedLines({L"a", L"b"}), L"a\r\nb\r\n") << "only an empty last line goes";
    const std::wstring longLine(5000, L'7');
    EXPECT_EQ(JoinDisplayedLines({longLine, L""}), std::wstring(4096, L'7') + L"\r\n");
}
