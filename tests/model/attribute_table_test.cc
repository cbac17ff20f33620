// Every type's attribute table against the type's named accessors and its
// declared defaults: one list of every attribute of the seventeen types,
// each checked the same way. A row whose access functions reach another
// attribute, a default that strays from the schema, or a row without a
// named accessor behind it fails here.
#include <FhrpConf/FhrpConfig.h>
#include <Pelno/Text.h>
#include <Xel/Exception.h>
#include <Xel/NboAttrLog.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using namespace Routing::Fhrp;
using entity::AttrInfo;
using entity::TypeInfo;
using Xel::Ptr;

// Two values of each type the model's attributes and keys use, distinct
// from each other and from every default.
template <class V>
V sample(int n);
template <>
bool sample<bool>(int n) {
  return n % 2 == 1;
}
template <>
Xel::U32 sample<Xel::U32>(int n) {
  return 70000u + n;
}
template <>
Xel::String8 sample<Xel::String8>(int n) {
  return Xel::String8(("s" + std::to_string(n)).c_str());
}
template <>
Pelno::IntfId sample<Pelno::IntfId>(int n) {
  return Pelno::IntfId(Xel::String8(("Ethernet" + std::to_string(n)).c_str()));
}
template <>
Pelno::IpAddr sample<Pelno::IpAddr>(int n) {
  return Pelno::IpAddr::fromHostOrder(0xc0000200u + n);  // 192.0.2.n
}
template <>
Pelno::Ip6Addr sample<Pelno::Ip6Addr>(int n) {
  return Pelno::Ip6Addr(0x20010db8u, 0, 0, static_cast<Xel::U32>(n));  // 2001:db8::n
}
template <>
Pelno::EthAddr sample<Pelno::EthAddr>(int n) {
  return Pelno::fromString<Pelno::EthAddr>(("02:00:00:00:00:1" + std::to_string(n)).c_str());
}
template <>
Pelno::IpAddrWithMask sample<Pelno::IpAddrWithMask>(int n) {
  return Pelno::IpAddrWithMask(sample<Pelno::IpAddr>(n), 24);
}
template <>
VirtualIp::VrfIpPair sample<VirtualIp::VrfIpPair>(int n) {
  return VirtualIp::VrfIpPair(L3::VrfName("red"), Pelno::IpGenAddr(sample<Pelno::IpAddr>(n)));
}
template <>
VrId sample<VrId>(int n) {
  return VrId(static_cast<Xel::U32>(200 + n));
}
template <>
FhrpIntfIdPair sample<FhrpIntfIdPair>(int n) {
  return FhrpIntfIdPair(sample<Pelno::IntfId>(n), sample<VrId>(n));
}
template <>
Pelno::VrrpAuthType sample<Pelno::VrrpAuthType>(int n) {
  return static_cast<Pelno::VrrpAuthType>(1 + n % 2);
}
template <>
Interface::IntfEnabledState sample<Interface::IntfEnabledState>(int n) {
  return static_cast<Interface::IntfEnabledState>(1 + n % 2);
}
template <>
VirtualIp::AcceptMode sample<VirtualIp::AcceptMode>(int n) {
  return static_cast<VirtualIp::AcceptMode>(1 + n % 2);
}

template <class V>
std::string text(V const& v) {
  if constexpr (std::is_same_v<V, bool>) {
    return v ? "true" : "false";
  } else if constexpr (std::is_same_v<V, Xel::U32>) {
    return std::to_string(v);
  } else {
    using Xel::valueToStrep;
    return valueToStrep(v).stdString();
  }
}

// A value through a row's codec and back; and the size the codec announces
// is that of the fixed-size primitives only.
template <class V>
void checkCodec(entity::Codec const* codec, V const& v, char const* name) {
  ASSERT_NE(codec, nullptr) << name;
  int const fixed = std::is_same_v<V, bool> ? 1 : std::is_same_v<V, Xel::U32> ? 4 : 0;
  EXPECT_EQ(codec->fixedSize, fixed) << name;
  auto const out = Xel::NboAttrLog::Out::outNew();
  codec->write(out, &v);
  Xel::NboAttrLog::In in(out->bytes());
  V back{};
  codec->read(in, &back);
  EXPECT_EQ(back, v) << name;
  EXPECT_EQ(in.remaining(), 0u) << name;
}

// An object of each type to try the accessors on, and the address its
// table's access functions take.
template <class T>
struct Subject {
  Ptr<T> object;
  T& operator*() { return *object; }
  void* self() { return dynamic_cast<void*>(object.ptr()); }
  Xel::U32 changes() const {
    if constexpr (std::is_base_of_v<Xel::Entity, T>) {
      return object->changeCount();
    } else {
      return 0;
    }
  }
};
template <class T>
requires std::is_copy_constructible_v<T>
struct Subject<T> {
  T value;
  T& operator*() { return value; }
  void* self() { return &value; }
  Xel::U32 changes() const { return 0; }
};

// A keyed entity or object under its key type's default.
template <class T>
Ptr<T> make(T*) {
  using Key = std::remove_cvref_t<decltype(std::declval<T>().xelKey())>;
  return Ptr<T>(new T(Key()));
}
Ptr<BfdPeerVrIdList> make(BfdPeerVrIdList*) {
  return Ptr<BfdPeerVrIdList>(new BfdPeerVrIdList(Bfd::Peer()));
}

template <class T>
Subject<T> subject() {
  if constexpr (std::is_copy_constructible_v<T>) {
    return {T()};
  } else if constexpr (std::is_constructible_v<T, Xel::Name>) {
    return {Ptr<T>(new T(Xel::Name("n")))};
  } else {
    return {make(static_cast<T*>(nullptr))};
  }
}

// What the list below records of each type: the attributes it checked.
std::map<std::string, std::set<std::string>>& checked() {
  static std::map<std::string, std::set<std::string>> names;
  return names;
}

template <class T>
AttrInfo const& rowOf(char const* name) {
  checked()[T::xelTypeInfo.name].insert(name);
  AttrInfo const* row = entity::findAttr(T::xelTypeInfo, name);
  if (!row) ADD_FAILURE() << T::xelTypeInfo.name << " has no row " << name;
  static AttrInfo const none{};
  return row ? *row : none;
}

template <class M>
struct Getter;
template <class R, class T>
struct Getter<R (T::*)() const noexcept> {
  using Value = std::remove_cvref_t<R>;
};

// A key, a computed value: the row reads what the named getter reads.
// (The getter is a template argument, so that the call is a direct one.)
template <class T, auto get>
void checkRead(char const* name) {
  AttrInfo const& row = rowOf<T>(name);
  ASSERT_TRUE(row.access.get) << name;
  EXPECT_FALSE(row.flags.settable || row.access.set) << name;
  auto s = subject<T>();
  typename Getter<decltype(get)>::Value viaTable{};
  row.access.get(s.self(), &viaTable);
  EXPECT_EQ(viaTable, ((*s).*get)()) << name;
}

// A settable attribute: the declared default, then each side sees what the
// other writes, and each change counts once.
template <class T, class G, class S>
void checkAttr(char const* name, G get, S set, std::string const& defaultText) {
  using V = typename Getter<G>::Value;
  AttrInfo const& row = rowOf<T>(name);
  ASSERT_TRUE(row.access.get && row.access.set) << name;
  EXPECT_TRUE(row.flags.settable) << name;
  auto s = subject<T>();
  V viaTable{};
  row.access.get(s.self(), &viaTable);
  EXPECT_EQ(text(viaTable), defaultText) << name;
  EXPECT_EQ(text(((*s).*get)()), defaultText) << name;
  // Away from the default by name and back through the row: two changes
  // (a bool has only the one other value).
  V const initial = viaTable;
  V const other = sample<V>(1) != initial ? sample<V>(1) : sample<V>(2);
  ((*s).*set)(initial);  // a fresh object's default, set again, is no change
  EXPECT_EQ(s.changes(), 0u) << name;
  Xel::U32 const before = s.changes();
  ((*s).*set)(other);
  row.access.get(s.self(), &viaTable);
  EXPECT_EQ(viaTable, other) << name;
  row.access.set(s.self(), &initial);
  EXPECT_EQ(((*s).*get)(), initial) << name;
  checkCodec(row.valueCodec, other, name);
  if (row.kind == entity::AttrKind::enumeration) {
    // A number the enumeration lacks is refused, not stored.
    auto const out = Xel::NboAttrLog::Out::outNew();
    out << 99u;
    Xel::NboAttrLog::In in(out->bytes());
    V read{};
    EXPECT_THROW(row.valueCodec->read(in, &read), Xel::RangeException) << name;
  }
  if constexpr (std::is_base_of_v<Xel::Entity, std::remove_cvref_t<decltype(*s)>>) {
    EXPECT_EQ(s.changes(), before + 2) << name;
  }
}

template <class T, class V>
void checkConstant(char const* name, V const* constant, std::string const& valueText) {
  AttrInfo const& row = rowOf<T>(name);
  ASSERT_TRUE(row.access.get) << name;
  EXPECT_TRUE(row.flags.constant) << name;
  V viaTable{};
  row.access.get(nullptr, &viaTable);
  EXPECT_EQ(viaTable, *constant) << name;
  EXPECT_EQ(text(viaTable), valueText) << name;
}

template <class M>
struct Keyed;
template <class R, class T, class K>
struct Keyed<R (T::*)(K) const> {
  using Key = std::remove_cvref_t<K>;
  using Value = std::remove_cvref_t<R>;
};

// A collection of values: members set by name are found through the row,
// members set through the row are found by name, and the row's walk and
// removal agree with the named count.
template <class T, class G, class S, class N>
void checkValues(char const* name, G get, S set, N members) {
  using K = typename Keyed<G>::Key;
  using V = typename Keyed<G>::Value;
  AttrInfo const& row = rowOf<T>(name);
  ASSERT_TRUE(row.access.memberGet && row.access.memberSet && row.access.memberDel &&
              row.access.iterate)
      << name;
  auto s = subject<T>();
  EXPECT_EQ(row.access.members(s.self()), 0u) << name;
  K const k1 = sample<K>(1), k2 = sample<K>(2);
  V const v1 = sample<V>(1), v2 = sample<V>(2);
  ((*s).*set)(k1, v1);
  V viaTable{};
  EXPECT_TRUE(row.access.memberGet(s.self(), &k1, &viaTable)) << name;
  EXPECT_EQ(viaTable, v1) << name;
  EXPECT_FALSE(row.access.memberGet(s.self(), &k2, &viaTable)) << name;
  row.access.memberSet(s.self(), &k2, &v2);
  EXPECT_EQ(((*s).*get)(k2), v2) << name;
  EXPECT_EQ(row.access.members(s.self()), 2u) << name;
  if constexpr (std::is_base_of_v<Xel::Entity, T>) {
    checkCodec(row.keyCodec, k1, name);
    checkCodec(row.valueCodec, v2, name);
  }
  std::set<std::string> walked;
  row.access.iterate(
      s.self(),
      [](void* seen, void const* key, void const*) {
        static_cast<std::set<std::string>*>(seen)->insert(text(*static_cast<K const*>(key)));
        return true;
      },
      &walked);
  EXPECT_EQ(walked, (std::set<std::string>{text(k1), text(k2)})) << name;
  EXPECT_TRUE(row.access.memberDel(s.self(), &k1)) << name;
  EXPECT_FALSE(row.access.memberDel(s.self(), &k1)) << name;
  EXPECT_EQ(((*s).*members)(), 1u) << name;
}

// A collection of children: the same, with the children themselves.
template <class T, class G, class S>
void checkChildren(char const* name, G get, S set) {
  using K = typename Keyed<G>::Key;
  AttrInfo const& row = rowOf<T>(name);
  ASSERT_TRUE(row.access.memberGet && row.access.memberSet && row.access.memberDel) << name;
  auto s = subject<T>();
  EXPECT_EQ(row.access.members(s.self()), 0u) << name;
  K const k1 = sample<K>(1), k2 = sample<K>(2);
  auto child = ((*s).*set)(k1);
  EXPECT_EQ(child->parent(), &*s) << name;
  EXPECT_EQ(child->parentAttrId(), row.id) << name;
  Ptr<Xel::Entity> viaTable;
  EXPECT_TRUE(row.access.memberGet(s.self(), &k1, &viaTable)) << name;
  EXPECT_EQ(viaTable.ptr(), child.ptr()) << name;
  row.access.memberSet(s.self(), &k2, nullptr);
  EXPECT_TRUE(((*s).*get)(k2)) << name;
  EXPECT_EQ(row.access.members(s.self()), 2u) << name;
  checkCodec(row.keyCodec, k1, name);
  EXPECT_TRUE(row.access.memberDel(s.self(), &k1)) << name;
  EXPECT_FALSE(((*s).*get)(k1)) << name;
  EXPECT_EQ(child->parent(), nullptr) << name;
}

// A single child, made, read and removed through the row.
template <class T, class G>
void checkChild(char const* name, G get) {
  AttrInfo const& row = rowOf<T>(name);
  ASSERT_TRUE(row.access.get && row.access.set && row.access.memberDel) << name;
  auto s = subject<T>();
  EXPECT_FALSE(((*s).*get)()) << name;
  Xel::Name const childName("child");
  row.access.set(s.self(), &childName);
  checkCodec(row.keyCodec, childName, name);
  ASSERT_TRUE(((*s).*get)()) << name;
  EXPECT_EQ(((*s).*get)()->name(), childName) << name;
  EXPECT_EQ(((*s).*get)()->parentAttrId(), row.id) << name;
  Ptr<Xel::Entity> viaTable;
  row.access.get(s.self(), &viaTable);
  EXPECT_EQ(viaTable.ptr(), ((*s).*get)().ptr()) << name;
  EXPECT_TRUE(row.access.memberDel(s.self(), nullptr)) << name;
  EXPECT_FALSE(((*s).*get)()) << name;
  EXPECT_FALSE(row.access.memberDel(s.self(), nullptr)) << name;
}

#define READ(T, a) checkRead<T, &T::a>(#a)
#define ATTR(T, a, text) checkAttr<T>(#a, &T::a, &T::a##Is, text)
#define CONST(T, a, text) checkConstant<T>(#a, &T::a, text)
// An attribute with its declared default constant.
#define ATTR_D(T, a, text) (ATTR(T, a, text), CONST(T, a##Default, text))
#define VALUES(T, a) checkValues<T>(#a, &T::a, &T::a##Is, &T::a##Members)
#define CHILDREN(T, a) checkChildren<T>(#a, &T::a, &T::a##Is)
#define CHILD(T, a) checkChild<T>(#a, &T::a)

void checkEveryAttribute() {
  VALUES(VrrpIp6Addrs, addrs);
  ATTR(VrrpIp6Addrs, ip6LinkLocal, "::");

  VALUES(VrrpIpAddrs, addrs);

  READ(VrId, value);
  CONST(VrId, min, "0");
  CONST(VrId, max, "256");
  READ(VrId, hash);

  READ(FhrpConfigKey, intfId);
  READ(FhrpConfigKey, vrId);
  READ(FhrpConfigKey, af);
  ATTR(FhrpConfigKey, reloadDelay, "0");
  READ(FhrpConfigKey, hash);

  READ(BfdPeerVrIdList, bfdPeer);
  VALUES(BfdPeerVrIdList, vrIds);

  READ(FhrpIntfIdPair, intfId);
  READ(FhrpIntfIdPair, vrId);
  READ(FhrpIntfIdPair, hash);

  READ(FhrpLinkLocal6IntfCol, vrfIp);
  VALUES(FhrpLinkLocal6IntfCol, vrIdIntf);

  READ(TrackedObject, trackedObjectName);
  ATTR_D(TrackedObject, trackActionIsShutdown, "false");
  ATTR_D(TrackedObject, trackPriorityDecrement, "0");

  using Router = VrrpVirtualRouterConfig;
  READ(Router, vrId);
  ATTR_D(Router, version, "2");
  ATTR_D(Router, priority, "100");
  ATTR_D(Router, advInterval, "100");
  ATTR_D(Router, arpOrNAInterval, "3000");
  ATTR_D(Router, preempt, "true");
  ATTR_D(Router, preemptDelay, "0");
  ATTR_D(Router, preemptReloadDelay, "0");
  ATTR_D(Router, reloadDelay, "0");
  ATTR_D(Router, primaryAddr, "0.0.0.0");
  VALUES(Router, secondaryAddrs);
  ATTR_D(Router, bfdPeerAddrV4, "0.0.0.0");
  VALUES(Router, ip6Addrs);
  ATTR_D(Router, bfdPeerAddrV6, "::");
  ATTR_D(Router, authType, "vrrpAuthNone");
  ATTR_D(Router, authKey, "''");
  ATTR_D(Router, description, "''");
  ATTR_D(Router, adminEnabledState, "intfEnabledStateUnknown");
  CHILDREN(Router, vrrpTrackedObject);

  READ(VrrpIntfConfig, intfId);
  CHILDREN(VrrpIntfConfig, virtualRouterConfig);

  CHILDREN(VrrpConfig, vrrpIntfConfig);
  VALUES(VrrpConfig, virtualIpAddr);
  CHILDREN(VrrpConfig, virtualIp6LinkLocalAddr);
  ATTR_D(VrrpConfig, ipv6ForceIpv4MacPrefix, "false");

  READ(VarpIntfIdCol, vrfIp);
  VALUES(VarpIntfIdCol, intfIdToMask);

  READ(VarpIntfConfig, intfId);
  VALUES(VarpIntfConfig, virtualIpAddr);
  VALUES(VarpIntfConfig, virtualIp6Addr);
  CHILDREN(VarpIntfConfig, varpTrackedObject);

  CHILDREN(VarpConfig, varpIntfConfig);
  ATTR_D(VarpConfig, virtualMac, "00:00:00:00:00:00");
  ATTR_D(VarpConfig, advtInterval, "30");
  CHILDREN(VarpConfig, virtualIpAddr);

  ATTR(DynVarpConfig, virtualMac, "00:00:00:00:00:00");

  VALUES(DynVarpConfigError, virtualMacError);

  CHILD(Config, vrrpConfig);
  CHILD(Config, varpConfig);
  ATTR_D(Config, acceptMode, "acceptModeDefault");
  ATTR_D(Config, allowDuplicate, "false");
  CONST(Config, defaultIpMaskLen, "32");
}

TypeInfo const* const kTypes[] = {
    &VrrpIp6Addrs::xelTypeInfo,
    &VrrpIpAddrs::xelTypeInfo,
    &VrId::xelTypeInfo,
    &FhrpConfigKey::xelTypeInfo,
    &BfdPeerVrIdList::xelTypeInfo,
    &FhrpIntfIdPair::xelTypeInfo,
    &FhrpLinkLocal6IntfCol::xelTypeInfo,
    &TrackedObject::xelTypeInfo,
    &VrrpVirtualRouterConfig::xelTypeInfo,
    &VrrpIntfConfig::xelTypeInfo,
    &VrrpConfig::xelTypeInfo,
    &VarpIntfIdCol::xelTypeInfo,
    &VarpIntfConfig::xelTypeInfo,
    &VarpConfig::xelTypeInfo,
    &DynVarpConfig::xelTypeInfo,
    &DynVarpConfigError::xelTypeInfo,
    &Config::xelTypeInfo,
};

TEST(AttributeTable, EveryRowReachesItsNamedAccessorsAndHoldsTheDeclaredDefault) {
  checkEveryAttribute();
  // Every row of every table was checked above, and nothing else.
  for (TypeInfo const* type : kTypes) {
    std::set<std::string> rows;
    for (AttrInfo const& a : type->attrs) rows.insert(a.name);
    EXPECT_EQ(checked()[type->name], rows) << type->name;
  }
  EXPECT_EQ(checked().size(), std::size(kTypes));
}

}  // namespace
