// References to live objects as text: written with a handle, read back into
// the same object while it lives, and refused once it has died or when the
// text says something the object is not.
#include <Xel/Exception.h>
#include <Xel/Handle.h>
#include <Xel/ReferenceText.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "counted.h"

namespace {

using testing::ThrowsMessage;
using Xel::Ptr;
using Xel::String8;
using xel_test::Counted;
using xel_test::CountedEntity;

template <class X>
Ptr<X> read(std::string const& text) {
  return Xel::strepToValue(String8(text), static_cast<Ptr<X>*>(nullptr));
}

std::string handle(Xel::PtrInterface const* p) {
  return std::to_string(Xel::handleOf(p));
}

std::string placed(std::string const& problem, int column, std::string const& text) {
  return problem + " at column " + std::to_string(column) + " of " +
         Xel::valueToStrep(String8(text)).stdString();
}

// An entity and an object that is not one, each written as a reference.
class XelReferenceText : public testing::Test {
 protected:
  Ptr<CountedEntity> const e{new CountedEntity("it's")};
  Ptr<Counted> const c{new Counted};
  std::string const eh = handle(e.ptr()), ch = handle(c.ptr());
  std::string const et = valueToStrep(e).stdString(), ct = valueToStrep(c).stdString();
};

TEST_F(XelReferenceText, NamesTheHandleTheTypeAndAnEntitysNameAndReadsBackTheSameObject) {
  EXPECT_NE(eh, ch);
  EXPECT_EQ(handle(e.ptr()), eh);  // once given, kept
  EXPECT_EQ(et, "Ref(" + eh + ", 'Xel::Entity', 'it\\'s')");
  EXPECT_EQ(Xel::valueToStrepOfRawPtr(static_cast<Xel::PtrInterface const*>(e.ptr())).stdString(),
            et);
  EXPECT_EQ(ct, "Ref(" + ch + ", 'Xel::PtrInterface')");
  EXPECT_EQ(valueToStrep(Ptr<CountedEntity>()), "None");

  EXPECT_EQ(read<CountedEntity>(et), e);
  EXPECT_EQ(read<Xel::Entity>(et), e);
  EXPECT_EQ(read<Xel::PtrInterface>(et), e);
  EXPECT_EQ(read<Counted>(ct), c);
  EXPECT_EQ(read<Counted>(" None "), nullptr);
  // White space before every piece and after the whole.
  EXPECT_EQ(read<CountedEntity>(" Ref ( " + eh + " ,'Xel::Entity'\n,'it\\'s' ) "), e);
  for (char const* junk : {"None x", "Nonex"}) {
    std::string const column = junk[4] == ' ' ? "5" : "4";
    EXPECT_THAT(
        [&] { read<Counted>(junk); },
        ThrowsMessage<Xel::RangeException>("junk at column " + column + " deserializing " + junk));
  }
}

TEST_F(XelReferenceText, AHandleDiesWithItsObjectAndIsNeverGivenAgain) {
  std::size_t const before = Xel::handlesLive();
  Ptr<CountedEntity> e(new CountedEntity("a"));
  std::string const text = valueToStrep(e).stdString();
  EXPECT_EQ(Xel::handlesLive(), before + 1);
  e = nullptr;
  EXPECT_EQ(Xel::handlesLive(), before);
  std::string const h = text.substr(4, text.find(',') - 4);
  EXPECT_THAT([&] { read<CountedEntity>(text); },
              ThrowsMessage<Xel::ParseException>(
                  placed("no live Xel::Entity 'a' has handle " + h, 0, text)));
  // A new object gets a new handle, though it may well stand at the
  // address of the dead one.
  Ptr<CountedEntity> const again(new CountedEntity("a"));
  EXPECT_NE(handle(again.ptr()), h);
}

// With no reference held, an object is either not owned yet or already
// dying: finding it by its handle would take the reference that revives it.
TEST_F(XelReferenceText, AnObjectNoPtrHoldsIsNotFound) {
  auto* const raw = new Counted;
  Xel::U64 const h = Xel::handleOf(raw);
  EXPECT_EQ(Xel::handleObject(h), nullptr);
  Ptr<Counted> const held(raw);
  EXPECT_EQ(Xel::handleObject(h), held);
  EXPECT_EQ(Xel::handleOf(nullptr), 0u);
}

TEST_F(XelReferenceText, TextMustSayWhatTheObjectIs) {
  for (auto [text, problem] : std::initializer_list<std::pair<std::string, std::string>>{
           {"Ref(" + eh + ", 'Xel::Entity', 'f')", "no live Xel::Entity 'f' has handle " + eh},
           {"Ref(" + eh + ", 'Xel::PtrInterface')", "no live Xel::PtrInterface has handle " + eh},
           {"Ref(" + ch + ", 'Xel::Entity', '')", "no live Xel::Entity '' has handle " + ch},
           {"Ref(0, 'Xel::PtrInterface')", "no live Xel::PtrInterface has handle 0"},
           {"Ref(-1, 'Xel::PtrInterface')", "no live Xel::PtrInterface has handle -1"}}) {
    EXPECT_THAT([&] { read<Xel::PtrInterface>(text); },
                ThrowsMessage<Xel::ParseException>(placed(problem, 0, text)));
  }
}

TEST_F(XelReferenceText, AnObjectOfAnotherTypeDoesNotConvert) {
  EXPECT_THAT([&] { read<Xel::Entity>(ct); },
              ThrowsMessage<Xel::ConversionException>(
                  placed("cannot convert to Xel::Entity", static_cast<int>(ct.size()), ct)));
  EXPECT_THAT([&] { read<CountedEntity>(ct); },
              ThrowsMessage<Xel::ConversionException>(placed(
                  "cannot convert to xel_test::CountedEntity", static_cast<int>(ct.size()), ct)));
  EXPECT_THAT([&] { read<Counted>(et); },
              ThrowsMessage<Xel::ConversionException>(
                  placed("cannot convert to xel_test::Counted", static_cast<int>(et.size()), et)));
}

}  // namespace
