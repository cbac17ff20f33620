// The small schema's Window with one line added to it by the build: the new
// field is a field of the class, a row of its table, and part of its
// order, its text and its log form, with nothing written by hand.
#include <FhrpConf/Window.h>
#include <Xel/NboAttrLog.h>
#include <gtest/gtest.h>

namespace {

using Golden::Window;

TEST(SchemaEdit, AFieldAddedToAValueTypeIsInTheClassAndItsTable) {
  Window w(10, 20);
  EXPECT_EQ(w.stride(), 1u);
  w.strideIs(4);
  Window const plain(10, 20);
  EXPECT_NE(w, plain);
  EXPECT_LT(plain, w);

  auto const* row = Routing::Fhrp::entity::findAttr(Window::xelTypeInfo, "stride");
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->id, 7u);
  EXPECT_TRUE(row->flags.settable);
  Xel::U32 read = 0;
  row->access.get(&w, &read);
  EXPECT_EQ(read, 4u);

  EXPECT_EQ(valueToStrep(w),
            "Value('Golden::Window', ** {'low': 10, 'high': 20, 'label': 'w', 'stride': 4})");
  Xel::String8 const text("Value('Golden::Window', ** {'stride': 9, 'low': 11})");
  auto pos = text.begin();
  Window parsed(pos, text.end());
  EXPECT_EQ(parsed.stride(), 9u);
  EXPECT_EQ(parsed.low(), 11u);

  auto const out = Xel::NboAttrLog::Out::outNew();
  out << w;
  Xel::NboAttrLog::In in(out->bytes());
  EXPECT_EQ(Window(&in, Xel::StreamBogon{}), w);
  EXPECT_TRUE(in.atEnd());
}

}  // namespace
