// The generator's golden output behaves as the schema says: defaults,
// virtual setters, single children, ranges and field order.
#include <FhrpConf/Gateway.h>
#include <FhrpConf/Pool.h>
#include <FhrpConf/Root.h>
#include <FhrpConf/Window.h>
#include <Xel/Exception.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

using Golden::Gateway;
using Xel::Ptr;

// A derived gateway: the setters are virtual, so a front end can intercept.
struct AuditedGateway : Gateway {
  using Gateway::Gateway;
  std::vector<unsigned> versions;
  void versionIs(unsigned int v) override {
    versions.push_back(v);
    Gateway::versionIs(v);
  }
};

struct Watcher : Gateway::NotifieeConst {
  int versions = 0, labels = 0;
  void onVersion() override { ++versions; }
  void onLabel() override { ++labels; }
};

TEST(GeneratedGateway, DefaultsComeFromTheSchema) {
  Ptr<Gateway> g = Golden::gatewayFactory("gw");
  EXPECT_EQ(g->name(), "gw");
  EXPECT_EQ(g->address(), Pelno::IpAddr::fromHostOrder(0xc0000201u));
  EXPECT_EQ(g->label(), "edge");
  EXPECT_EQ(Gateway::labelDefault, "edge");
  EXPECT_EQ(g->version(), 2u);
  EXPECT_EQ(g->mode(), VirtualIp::acceptModeEnabled);
  EXPECT_EQ(Gateway::maxHops, 16u);
  EXPECT_EQ(g->attributeString(260), "labelDefault");
  EXPECT_EQ(g->attributeString(261), "label");
}

TEST(GeneratedGateway, VirtualSetterAndFrameworkOnVersionSlot) {
  Ptr<AuditedGateway> g(new AuditedGateway("gw"));
  Ptr<Watcher> w(new Watcher);
  w->isRegisteredNotifieeIs(true);
  w->notifierIs(g);
  Gateway& base = *g;
  base.versionIs(3);
  base.labelIs("core");
  EXPECT_EQ(g->versions, std::vector<unsigned>{3});
  EXPECT_EQ(w->versions, 1);
  EXPECT_EQ(w->labels, 1);
  EXPECT_EQ(g->changeCount(), 2u);
}

// A value type made from the schema: fields with their defaults, the
// range its one bounded field must keep, ordering field by field.
TEST(GeneratedWindow, FieldsRangeAndOrderComeFromTheSchema) {
  using Golden::Window;
  Window const w(10, 20);
  EXPECT_EQ(w.label(), "w");
  EXPECT_THROW(Window(9, 20), Xel::RangeException);
  EXPECT_THROW(Window(1001, 20), Xel::RangeException);
  EXPECT_NO_THROW(Window(1000, 0));
  Window v = w;
  v.highIs(5);
  v.labelIs("x");
  EXPECT_LT(v, w);
  EXPECT_NE(v, w);
  EXPECT_LT(w, Window(11, 0));
  EXPECT_EQ(valueToStrep(w), "Value('Golden::Window', ** {'low': 10, 'high': 20, 'label': 'w'})");
}

}  // namespace
