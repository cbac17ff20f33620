#include "random_changes.h"

#include <FhrpConf/FhrpConfig.h>

#include <stdexcept>

#include "plain_replica.h"

namespace attrlog_test {

using Routing::Fhrp::entity::AttrInfo;
using Routing::Fhrp::entity::AttrKind;

namespace {

template <class T>
void const* addressOf(std::any const& v) {
  return std::any_cast<T>(&v);
}

template <class T, class Make>
auto poolOf(Make make) {
  return std::pair{
      [make](std::mt19937& rng, RandomChanges::Role role) { return std::any(T(make(rng, role))); },
      &addressOf<T>};
}

unsigned pick(std::mt19937& rng, unsigned n) {
  return std::uniform_int_distribution<unsigned>(0, n - 1)(rng);
}

Pelno::IpAddr ip4(std::mt19937& rng) {
  return Pelno::IpAddr::fromHostOrder(0xc0000200u + pick(rng, 6));  // 192.0.2.0/24
}

Pelno::Ip6Addr ip6(std::mt19937& rng) {
  unsigned char b[16] = {0x20, 0x01, 0x0d, 0xb8};  // 2001:db8::/32
  b[15] = static_cast<unsigned char>(pick(rng, 6));
  return Pelno::Ip6Addr::fromBytes(b);
}

Pelno::IntfId intf(std::mt19937& rng) {
  return Pelno::IntfId(Xel::String8(("Ethernet" + std::to_string(1 + pick(rng, 3))).c_str()));
}

Routing::Fhrp::VrId vrId(std::mt19937& rng) {
  unsigned const ids[] = {0, 1, 2, 5, 256};
  return Routing::Fhrp::VrId(ids[pick(rng, 5)]);
}

Xel::String8 text(std::mt19937& rng, RandomChanges::Role role) {
  if (role == RandomChanges::Role::key) {
    char const* names[] = {"t1", "t2", "t3", "line-protocol"};
    return Xel::String8(names[pick(rng, 4)]);
  }
  unsigned const kind = pick(rng, 12);
  if (role == RandomChanges::Role::attribute && kind == 0) {
    // Long enough for two to five pieces.
    std::string long_(20000 + pick(rng, 50000), 'a');
    for (char& c : long_) c = static_cast<char>('a' + pick(rng, 26));
    return Xel::String8(long_);
  }
  char const* texts[] = {"", "key-1", "backup router", "primary", "link down"};
  return Xel::String8(texts[kind % 5]);
}

}  // namespace

RandomChanges::RandomChanges(std::uint32_t seed) : rng_(seed) {
  using Role = RandomChanges::Role;
  auto add = [this](char const* name, auto p) { pools_[name] = Pool{p.first, p.second}; };
  add("bool", poolOf<bool>([](std::mt19937& r, Role) { return pick(r, 2) == 1; }));
  add("U32", poolOf<Xel::U32>([](std::mt19937& r, Role) {
        Xel::U32 const values[] = {0, 1, 2, 100, 150, 3000, 0xffffffffu};
        return pick(r, 8) == 7 ? static_cast<Xel::U32>(r()) : values[pick(r, 7)];
      }));
  add("Xel::String", poolOf<Xel::String8>(&text));
  add("Xel::Name", poolOf<Xel::Name>([](std::mt19937& r, Role) {
        // Now and then another name, which replaces the child and all below it.
        return Xel::Name(pick(r, 8) ? "main" : "standby");
      }));
  add("Pelno::IpAddr", poolOf<Pelno::IpAddr>([](std::mt19937& r, Role) { return ip4(r); }));
  add("Pelno::Ip6Addr", poolOf<Pelno::Ip6Addr>([](std::mt19937& r, Role) { return ip6(r); }));
  add("Pelno::EthAddr", poolOf<Pelno::EthAddr>([](std::mt19937& r, Role) {
        return Pelno::EthAddr(0x02, 0, 0, 0, 0, static_cast<Xel::U8>(pick(r, 4)));
      }));
  add("Pelno::IntfId", poolOf<Pelno::IntfId>([](std::mt19937& r, Role) { return intf(r); }));
  add("Pelno::IpAddrWithMask", poolOf<Pelno::IpAddrWithMask>([](std::mt19937& r, Role) {
        return Pelno::IpAddrWithMask(Pelno::IpAddr::fromHostOrder(0xc6336400u + pick(r, 3)),
                                     pick(r, 2) ? 24 : 32);  // 198.51.100.0/24
      }));
  add("VirtualIp::VrfIpPair", poolOf<VirtualIp::VrfIpPair>([](std::mt19937& r, Role) {
        L3::VrfName const vrf(pick(r, 2) ? "default" : "red");
        if (pick(r, 2)) return VirtualIp::VrfIpPair(vrf, ip6(r));
        return VirtualIp::VrfIpPair(vrf, Pelno::IpAddr::fromHostOrder(0xcb007100u + pick(r, 3)));
      }));
  add("Routing::Fhrp::VrId",
      poolOf<Routing::Fhrp::VrId>([](std::mt19937& r, Role) { return vrId(r); }));
  add("Routing::Fhrp::FhrpIntfIdPair",
      poolOf<Routing::Fhrp::FhrpIntfIdPair>(
          [](std::mt19937& r, Role) { return Routing::Fhrp::FhrpIntfIdPair(intf(r), vrId(r)); }));
  add("Pelno::VrrpAuthType", poolOf<Pelno::VrrpAuthType>([](std::mt19937& r, Role) {
        return Pelno::VrrpAuthTypeInstance(pick(r, 3));
      }));
  add("Interface::IntfEnabledState", poolOf<Interface::IntfEnabledState>([](std::mt19937& r, Role) {
        return Interface::IntfEnabledStateInstance(pick(r, 3));
      }));
  add("VirtualIp::AcceptMode", poolOf<VirtualIp::AcceptMode>([](std::mt19937& r, Role) {
        return VirtualIp::AcceptModeInstance(pick(r, 3));
      }));
}

RandomChanges::Pool const& RandomChanges::pool(char const* type) const {
  auto const it = pools_.find(type);
  if (it == pools_.end()) throw std::logic_error(std::string("no values of type ") + type);
  return it->second;
}

std::any RandomChanges::value(char const* type, Role role) {
  return pool(type).make(rng_, role);
}

void const* RandomChanges::address(char const* type, std::any const& v) const {
  return pool(type).address(v);
}

std::vector<Xel::Entity*> RandomChanges::entities(Xel::Entity& root) {
  std::vector<Xel::Entity*> all{&root};
  for (std::size_t i = 0; i < all.size(); ++i) {
    void const* const object = dynamic_cast<void const*>(all[i]);
    for (AttrInfo const* a : typeOf(*all[i]).written) {
      if (a->kind == AttrKind::childCollection) {
        a->access.iterate(
            object,
            [](void* list, void const*, void const* child) {
              static_cast<std::vector<Xel::Entity*>*>(list)->push_back(
                  const_cast<Xel::Entity*>(static_cast<Xel::Entity const*>(child)));
              return true;
            },
            &all);
      } else if (a->kind == AttrKind::singleChild) {
        Xel::Ptr<Xel::Entity> child;
        a->access.get(object, &child);
        if (child) all.push_back(child.ptr());
      }
    }
  }
  return all;
}

std::string RandomChanges::change(Xel::Entity& root) {
  std::vector<Xel::Entity*> const all = entities(root);
  Xel::Entity& e = *all[pick(rng_, static_cast<unsigned>(all.size()))];
  auto const& written = typeOf(e).written;
  AttrInfo const& a = *written[pick(rng_, static_cast<unsigned>(written.size()))];
  void* const object = dynamic_cast<void*>(&e);
  std::string const what = std::string(typeOf(e).name) + "." + a.name;
  switch (a.kind) {
    case AttrKind::plain:
    case AttrKind::enumeration:
    case AttrKind::string: {
      std::any const v = value(a.value.name, Role::attribute);
      a.access.set(object, address(a.value.name, v));
      return what + " set";
    }
    case AttrKind::valueCollection:
    case AttrKind::childCollection: {
      std::any const key = value(a.key.name, Role::key);
      void const* const k = address(a.key.name, key);
      // Mostly growth, so that trees fill their pools of keys.
      if (pick(rng_, 4) < 3) {
        if (a.kind == AttrKind::childCollection) {
          a.access.memberSet(object, k, nullptr);
          return what + " created";
        }
        std::any const v = value(a.value.name, Role::member);
        a.access.memberSet(object, k, address(a.value.name, v));
        return what + " set member";
      }
      a.access.memberDel(object, k);
      return what + " removed member";
    }
    case AttrKind::singleChild: {
      if (pick(rng_, 8) < 7) {
        std::any const name = value("Xel::Name", Role::key);
        a.access.set(object, address("Xel::Name", name));
        return what + " created";
      }
      a.access.memberDel(object, nullptr);
      return what + " deleted";
    }
  }
  return what;
}

std::string RandomChanges::changeDeep(Xel::Entity& root) {
  std::vector<Xel::Entity*> const all = entities(root);
  return change(*all[pick(rng_, static_cast<unsigned>(all.size()))]);
}

}  // namespace attrlog_test
