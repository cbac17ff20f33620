// A small entity written the way the generated classes are: one attribute
// (id 261), its setter through the shared protocol, and a notifiee class
// that keeps itself in the entity's list.
#pragma once

#include <FhrpConf/entity/Notification.h>

namespace entity_test {

using Routing::Fhrp::entity::NotifieeList;
using Routing::Fhrp::entity::Observed;
using Xel::Ptr;

class Probe : public Xel::Entity {
 public:
  static constexpr Xel::AttributeId valueId = 261;

  class NotifieeConst : public Xel::Entity::NotifieeConst {
   public:
    void notifierIs(Ptr<Xel::PtrInterface const> const& p) override {
      Observed<Probe>::notifierIs(*this, p);
    }
    void isRegisteredNotifieeIs(bool registered) const override {
      Observed<Probe>::isRegisteredNotifieeIs(*this, registered);
    }
    ~NotifieeConst() override { Observed<Probe>::leave(*this); }
    virtual void onValue() {}
  };

  Xel::U32 value() const { return value_; }
  void valueIs(Xel::U32 v) {
    Routing::Fhrp::entity::setAttribute(*this, value_, v, notifiees_, valueId,
                                        &NotifieeConst::onValue);
  }
  NotifieeList& xelNotifiees() const { return notifiees_; }
  ~Probe() override { notifiees_.unlinkAll(); }

 private:
  Xel::U32 value_ = 0;
  mutable NotifieeList notifiees_;
};

}  // namespace entity_test
