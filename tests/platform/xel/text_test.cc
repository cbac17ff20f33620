#include <Xel/Exception.h>
#include <Xel/Text.h>
#include <gtest/gtest.h>

#include <climits>
#include <string>

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
  String8 const text("  10.0.0.1,b}c)d e");
  auto pos = text.begin();
  std::string tokens;
  while (!(pos == text.end())) {
    tokens += "[" + std::string(Xel::readBareToken(pos, text.end())) + "]";
    if (!(pos == text.end()) && *pos != ' ') ++pos;
  }
  EXPECT_EQ(tokens, "[10.0.0.1][b][c][d][e]");
  String8 const comma(",");
  auto atComma = comma.begin();
  EXPECT_EQ(Xel::readBareToken(atComma, comma.end()), "");
  EXPECT_TRUE(atComma == comma.begin());
}

}  // namespace
