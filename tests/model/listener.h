// Notifiees that write down what they hear, shared by the tests of the
// model's entity types.
#pragma once

#include <FhrpConf/FhrpConfig.h>
#include <Pelno/Text.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace fhrp_test {

using Heard = std::vector<std::string>;
using Ids = std::vector<Xel::AttributeId>;

// Derive from Listener<T::Notifiee> and let each handler call hear(). A
// failing listener throws from every handler, so a delivery has to report the
// member's id through onNotificationException and carry on.
template <class Base>
struct Listener : Base {
  Heard heard;
  Ids failures;
  bool failing = false;

  void hear(std::string what) {
    heard.push_back(std::move(what));
    if (failing) throw std::runtime_error(heard.back());
  }
  template <class Key>
  void hear(char const* handler, Key const& key) {
    using Xel::valueToStrep;
    hear(std::string(handler) + "(" + valueToStrep(key).stdString() + ")");
  }
  void forget() {
    heard.clear();
    failures.clear();
  }

  using Base::onNotificationException;
  void onNotificationException(Xel::AttributeId id) override { failures.push_back(id); }
};

// Registers a new N on `entity`. A weak one holds no reference, so it can
// outlive the entity and hear what the entity's destruction tells.
template <class N, class E>
Xel::Ptr<N> watch(Xel::Ptr<E> const& entity, bool weak = false) {
  Xel::Ptr<N> n(new N);
  n->isRegisteredNotifieeIs(true);
  n->notifierIs(entity);
  if (weak) n->isWeakReferenceIs(true);
  return n;
}

template <class T>
T value(char const* text) {
  return Pelno::fromString<T>(text);
}

inline VirtualIp::VrfIpPair vrfIp(char const* vrf, char const* addr) {
  return VirtualIp::VrfIpPair(L3::VrfName(vrf), value<Pelno::IpGenAddr>(addr));
}

}  // namespace fhrp_test
