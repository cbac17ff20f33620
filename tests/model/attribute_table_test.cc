// Every type's attribute table against the type's named accessors and its
// declared defaults: one list of every single-valued attribute of the
// seventeen types, each checked the same way. A row whose access functions reach another
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
  using Xel::valueToStrep;
  return valueToStrep(v).stdString();
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

#define READ(T, a) checkRead<T, &T::a>(#a)
#define ATTR(T, a, text) checkAttr<T>(#a, &T::a, &T::a##Is, text)
#define CONST(T, a, text) checkConstant<T>(#a, &T::a, text)
// An attribute with its declared default constant.
#define ATTR_D(T, a, text) (ATTR(T, a, text), CONST(T, a##Default, text))

void checkEveryAttribute() {
  ATTR(VrrpIp6Addrs, ip6LinkLocal, "::");

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

  READ(FhrpIntfIdPair, intfId);
  READ(FhrpIntfIdPair, vrId);
  READ(FhrpIntfIdPair, hash);

  READ(FhrpLinkLocal6IntfCol, vrfIp);

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
  ATTR_D(Router, bfdPeerAddrV4, "0.0.0.0");
  ATTR_D(Router, bfdPeerAddrV6, "::");
  ATTR_D(Router, authType, "vrrpAuthNone");
  ATTR_D(Router, authKey, "''");
  ATTR_D(Router, description, "''");
  ATTR_D(Router, adminEnabledState, "intfEnabledStateUnknown");

  READ(VrrpIntfConfig, intfId);

  ATTR_D(VrrpConfig, ipv6ForceIpv4MacPrefix, "false");

  READ(VarpIntfIdCol, vrfIp);

  READ(VarpIntfConfig, intfId);

  ATTR_D(VarpConfig, virtualMac, "00:00:00:00:00:00");
  ATTR_D(VarpConfig, advtInterval, "30");

  ATTR(DynVarpConfig, virtualMac, "00:00:00:00:00:00");

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
  // Every row of every table was checked above, and nothing else. (Each
  // collection's and child's row is driven through its operations by the
  // generic interface's table test.)
  for (TypeInfo const* type : kTypes) {
    std::set<std::string> rows;
    for (AttrInfo const& a : type->attrs) {
      if (!a.isCollection() && !a.isChild()) rows.insert(a.name);
    }
    EXPECT_EQ(checked()[type->name], rows) << type->name;
  }
  EXPECT_EQ(checked().size(), std::size(kTypes));
}

}  // namespace
