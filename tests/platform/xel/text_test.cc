#include <Xel/Exception.h>
#include <Xel/Text.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <string_view>

namespace {

using Xel::String8;

String8 readString(String8 const& text) {
  String8 out;
  auto pos = text.begin();
  Xel::sequenceToValue(pos, text.end(), &out);
  Xel::requireEnd(pos, text.end());
  return out;
}

long long readNumber(String8 const& text) {
  long long out = 0;
  auto pos = text.begin();
  Xel::sequenceToValue(pos, text.end(), &out);
  Xel::requireEnd(pos, text.end());
  return out;
}

// Reading text fails with a message that shows the reader the whole text.
template <class Read>
void expectParseError(Read read, String8 const& text, std::string const& column) {
  try {
    read(text);
    ADD_FAILURE() << "read " << text;
  } catch (Xel::ParseException const& e) {
    std::string const message(e.message().view());
    EXPECT_NE(message.find("at column " + column + " of "), std::string::npos) << message;
    EXPECT_NE(message.find(Xel::valueToStrep(text).view()), std::string::npos) << message;
  }
}

TEST(XelText, QuotedFormEscapesOnlyWhatItMust) {
  EXPECT_EQ(Xel::valueToStrep(String8()), "''");
  EXPECT_EQ(Xel::valueToStrep(String8("Ethernet1")), "'Ethernet1'");
  EXPECT_EQ(Xel::valueToStrep(String8("it's a\\b")), "'it\\'s a\\\\b'");
  EXPECT_EQ(Xel::valueToStrep(String8("a\nb\tc")), "'a\\nb\\tc'");
  EXPECT_EQ(Xel::valueToStrep(String8("\x01\x7f\xff", 3)), "'\\x01\\x7f\\xff'");
}

TEST(XelText, EveryByteStringRoundTrips) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  for (String8 const& s :
       {String8(), String8(all), String8("'"), String8("\\"), String8("''\\'")}) {
    String8 const text = Xel::valueToStrep(s);
    for (char c : text.view()) EXPECT_TRUE(c >= 0x20 && c < 0x7f) << text;
    EXPECT_EQ(readString(text), s);
  }
}

TEST(XelText, ReadingSkipsWhiteSpaceAndStopsAfterTheValue) {
  String8 const text(" \t'a b'\n'c'  , x");
  auto pos = text.begin();
  String8 a, c;
  Xel::sequenceToValue(pos, text.end(), &a);
  Xel::sequenceToValue(pos, text.end(), &c);
  EXPECT_EQ(a, "a b");
  EXPECT_EQ(c, "c");
  Xel::readPunctuation(pos, text.end(), ',');
  EXPECT_EQ(Xel::readBareToken(pos, text.end()), "x");
  EXPECT_TRUE(pos == text.end());
}

TEST(XelText, MalformedQuotedStringsAreRejected) {
  for (char const* text : {"", "abc", "'abc", "'abc\\", "'\\q'", "'\\x4'", "'\\xg0'"}) {
    expectParseError(readString, String8(text), "0");
  }
  expectParseError(readString, String8("   xyz"), "3");
  expectParseError(readString, String8("'a' b"), "4");
}

TEST(XelText, NumbersRoundTripAcrossTheirWholeRange) {
  for (long long n : {LLONG_MIN, -1LL, 0LL, 7LL, LLONG_MAX}) {
    EXPECT_EQ(readNumber(Xel::valueToStrep(n)), n);
  }
  EXPECT_EQ(Xel::valueToStrep(-42LL), "-42");
  EXPECT_EQ(Xel::valueToStrep(ULLONG_MAX), "18446744073709551615");
  EXPECT_EQ(readNumber(String8(" +15")), 15);
}

TEST(XelText, NumbersOutsideTheRangeOrWithoutDigitsAreRejected) {
  for (char const* text : {"9223372036854775808", "-9223372036854775809", "99999999999999999999",
                           "", "-", "+", "x1", "- 1"}) {
    expectParseError(readNumber, String8(text), "0");
  }
}

TEST(XelText, BareTokensEndAtDelimiters) {
  String8 const text("  192.0.2.1,b}c)d e");
  auto pos = text.begin();
  std::string tokens;
  while (!(pos == text.end())) {
    tokens += "[" + std::string(Xel::readBareToken(pos, text.end())) + "]";
    if (!(pos == text.end()) && *pos != ' ') ++pos;
  }
  EXPECT_EQ(tokens, "[192.0.2.1][b][c][d][e]");
  String8 const comma(",");
  auto atComma = comma.begin();
  EXPECT_EQ(Xel::readBareToken(atComma, comma.end()), "");
  EXPECT_TRUE(atComma == comma.begin());
}

// needString consumes its literal; a blank stands for any white space.
TEST(XelText, NeedStringMatchesLiteralsWithFlexibleWhiteSpace) {
  String8 const text("Value ( \t'x'  ,**{");
  auto pos = text.begin();
  for (char const* piece : {" Value", " (", " 'x'", " ,", " **", " {"}) {
    Xel::needString(pos, text.end(), piece);
  }
  EXPECT_TRUE(pos == text.end());

  String8 const tight("a:b");
  auto at = tight.begin();
  Xel::needString(at, tight.end(), "a : b ");
  EXPECT_TRUE(at == tight.end());
}

TEST(XelText, NeedStringRejectsAMismatchAtTheFirstWrongCharacter) {
  auto need = [](char const* expected) {
    return [expected](String8 const& text) {
      auto pos = text.begin();
      Xel::needString(pos, text.end(), expected);
    };
  };
  expectParseError(need(" Value"), String8("  Valeu"), "5");
  expectParseError(need(" ("), String8("x"), "0");
  expectParseError(need("} "), String8(""), "0");
  // A blank is optional, but never stands for another character.
  expectParseError(need("a b"), String8("a-b"), "1");
  try {
    need(" ,")(String8(";"));
    ADD_FAILURE() << "';' read as ','";
  } catch (Xel::ParseException const& e) {
    EXPECT_NE(std::string_view(e.message().view()).find("expected ' ,'"), std::string::npos)
        << e.message();
  }
}

TEST(XelText, FormatIsPrintfStyle) {
  EXPECT_EQ(Xel::format("junk at column %lld deserializing %s", 3LL, "256 "),
            "junk at column 3 deserializing 256 ");
  EXPECT_EQ(Xel::format("%s", ""), "");
  std::string const longText(1000, 'q');
  EXPECT_EQ(Xel::format("<%s>", longText.c_str()).view(), "<" + longText + ">");
}

TEST(XelText, StrepToValueReadsOneWholeValueOrReportsTheJunk) {
  auto* const asNumber = static_cast<long long*>(nullptr);
  auto* const asString = static_cast<String8*>(nullptr);
  EXPECT_EQ(Xel::strepToValue(String8("-17"), asNumber), -17);
  EXPECT_EQ(Xel::strepToValue(String8(" 'a b'"), asString), "a b");
  for (auto const& [text, message] : {
           std::pair<char const*, char const*>{"12x", "junk at column 2 deserializing 12x"},
           {"12 ", "junk at column 2 deserializing 12 "},
           {"1 2", "junk at column 1 deserializing 1 2"},
       }) {
    try {
      Xel::strepToValue(String8(text), asNumber);
      ADD_FAILURE() << "read " << text;
    } catch (Xel::RangeException const& e) {
      EXPECT_EQ(e.message(), message);
    }
  }
  // A value that does not read at all is the reader's parse error.
  expectParseError([&](String8 const& t) { Xel::strepToValue(t, asNumber); }, String8("x"), "0");
}

TEST(XelText, DeserializeAttrKeepsTheLowBitsAndNamesTheAttribute) {
  auto readU32 = [](String8 const& text) {
    auto pos = text.begin();
    unsigned int out = 7;
    Xel::deserializeAttr(pos, text.end(), &out, "value");
    EXPECT_TRUE(pos == text.end()) << text;
    return out;
  };
  EXPECT_EQ(readU32("4294967295"), 4294967295u);
  EXPECT_EQ(readU32("4294967296"), 0u);
  EXPECT_EQ(readU32("4294967299"), 3u);
  EXPECT_EQ(readU32("-1"), 4294967295u);
  // A parse error is not a range error and passes unchanged.
  expectParseError(readU32, String8("x"), "0");
}

// A value type of the test's own, read by a sequenceToValue that only
// argument-dependent lookup can find.
struct Digit {
  long long value = 0;
};

void sequenceToValue(String8::IteratorConst& pos, String8::IteratorConst const& end, Digit* out) {
  Xel::sequenceToValue(pos, end, &out->value);
  if (out->value > 9) Xel::throwRangeException("Digit::value > 9 not allowed");
}

TEST(XelText, DeserializeAttrAddsTheAttributeNameToRangeErrors) {
  String8 const good(" 7"), bad("12");
  Digit d;
  auto pos = good.begin();
  Xel::deserializeAttr(pos, good.end(), &d, "digit");
  EXPECT_EQ(d.value, 7);
  pos = bad.begin();
  EXPECT_THAT([&] { Xel::deserializeAttr(pos, bad.end(), &d, "digit"); },
              testing::ThrowsMessage<Xel::RangeException>(
                  "Digit::value > 9 not allowed (attribute digit)"));
  EXPECT_EQ(Xel::strepToValue(String8("3"), static_cast<Digit*>(nullptr)).value, 3);
}

}  // namespace
