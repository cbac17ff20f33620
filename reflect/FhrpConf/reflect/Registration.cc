#include "FhrpConf/reflect/Registration.h"

#include <Xel/Entity.h>
#include <Xel/Exception.h>
#include <Xel/StreamAdapter.h>
#include <Xel/String8.h>

#include <algorithm>
#include <string_view>

namespace Routing::Fhrp::reflect {
namespace {

using entity::AttrInfo;
using entity::AttrKind;
using entity::TypeInfo;
using entity::TypeKind;

// The framework's flag combinations: the first and second flag words and
// the introspection flags. Which one an attribute carries follows from its
// row (registeredFlags); the words themselves are the framework's.
constexpr RegisteredFlags L{{0x00022001, 0x00000400}, 8, "L"};     // xelHasAttrLogInterface
constexpr RegisteredFlags K{{0x00220109, 0x40000400}, 2, "K"};     // keys, constructor arguments
constexpr RegisteredFlags C{{0x00220001, 0x40000410}, 0, "C"};     // constants
constexpr RegisteredFlags H{{0x00220001, 0x00000400}, 0, "H"};     // computed
constexpr RegisteredFlags H8{{0x00020001, 0x00000400}, 8, "H8"};   // computed, introspected
constexpr RegisteredFlags R{{0x00220107, 0x00000400}, 2, "R"};     // a value's settable field
constexpr RegisteredFlags S{{0x00220143, 0x01000400}, 2, "S"};     // settable
constexpr RegisteredFlags SV{{0x00222143, 0x01000400}, 2, "SV"};   // settable, virtual
constexpr RegisteredFlags V{{0x01a20143, 0x01000400}, 2, "V"};     // collections of values
constexpr RegisteredFlags VV{{0x01a22143, 0x01000400}, 2, "VV"};   // the same, virtual
constexpr RegisteredFlags P{{0x01a20103, 0x00000400}, 2, "P"};     // a counted object's collection
constexpr RegisteredFlags FK{{0x00200001, 0x00000400}, 0, "FK"};   // fwkKey
constexpr RegisteredFlags E{{0x09a20143, 0x11000400}, 0x22, "E"};  // collections of children
constexpr RegisteredFlags EV{{0x09a22143, 0x11000400}, 0x22, "EV"};  // the same, virtual
constexpr RegisteredFlags E1{{0x08220143, 0x11000400}, 0x02, "E1"};  // single children

constexpr Xel::AttributeId attrLogInterfaceId = 154;
constexpr Xel::AttributeId fwkKeyId = 0;

Xel::XelType* descriptor(entity::TypeRef const& ref) {
  return ref.descriptor ? ref.descriptor() : nullptr;
}

void report(Xel::IntrospectionReactor& reactor, Xel::Ptr<Xel::XelAttr> const& attr) {
  reactor.handleAttr(attr);
  reactor.handleAttrContextExit();
}

void plainAttr(Xel::IntrospectionReactor& reactor, Xel::XelType* type, char const* name,
               Xel::XelType* value, Xel::XelType* key, RegisteredFlags const& flags,
               Xel::AttributeId id) {
  reactor.defNoninstantiatingAttr(type, Xel::Name(name), value, key, flags.words,
                                  flags.introspection, id);
}

// A child attribute is made on the type's own attribute node, with what it
// records of the child's key set through the attribute's own operations.
void childAttr(Xel::IntrospectionReactor& reactor, Xel::XelType* type, AttrInfo const& a,
               RegisteredFlags const& flags) {
  Xel::XelAttr* node = type->attributeNode();
  Xel::Name const name(a.name);
  node->attrDel(name);
  bool const keyed = a.kind == AttrKind::childCollection;
  Xel::XelAttr* key = keyed ? node->attr(Xel::Name(a.childKey)) : nullptr;
  Xel::Ptr<Xel::XelAttr> attr =
      node->attrIs(name, descriptor(a.value), key, nullptr, flags.words, a.id);
  attr->keyAttrNameIs(a.childKey);
  attr->keyTypeNameIs(a.key.name);
  if (keyed) {
    attr->keyTypeIs(descriptor(a.key));
    attr->valueIs(0);
  }
  attr->introspectionFlagsIs(flags.introspection);
  type->attributeQEnq(attr);
  report(reactor, attr);
}

void inherit(Xel::IntrospectionReactor& reactor, Xel::XelType* type) {
  for (auto const& attr : type->base()->attributes()) {
    Xel::Ptr<Xel::XelAttr> copy = attr->copyFor(type);
    type->attributeQEnq(copy);
    report(reactor, copy);
  }
}

void constructorArgs(Xel::XelType* type, TypeInfo const& info) {
  if (info.named) {
    type->constructorArgNameQEnq("name");
    type->constructorArgTypeQEnq("Xel::Name");
    return;
  }
  for (AttrInfo const& a : info.attrs) {
    if (!a.flags.key) continue;
    type->constructorArgNameQEnq(a.name);
    type->constructorArgTypeQEnq(a.value.name);
  }
}

// A keyed entity also registers its key as fwkKey.
AttrInfo const* fwkKey(TypeInfo const& info) {
  return info.kind == TypeKind::entity ? entity::keyAttr(info) : nullptr;
}

void describeKind(Xel::XelType& type, TypeInfo const& info) {
  type.sizeIs(info.size);
  if (info.kind == TypeKind::entity) type.isEntityIs(true);
  if (info.kind == TypeKind::value) type.isValueIs(true);
  type.hasGenericIfSupportIs(true);
}

void walkType(Xel::IntrospectionReactor& reactor, TypeInfo const& info) {
  Xel::XelType* type = info.descriptor();
  reactor.handleType(type, type->base());
  constructorArgs(type, info);
  if (info.kind != TypeKind::value) inherit(reactor, type);
  if (info.kind == TypeKind::entity) {
    plainAttr(reactor, type, "xelHasAttrLogInterface", Xel::Builtin<bool>::_fwkType(), nullptr, L,
              attrLogInterfaceId);
  }
  for (AttrInfo const& a : info.attrs) {
    RegisteredFlags const flags = registeredFlags(info, a);
    if (a.isChild()) {
      childAttr(reactor, type, a, flags);
    } else {
      plainAttr(reactor, type, a.name, descriptor(a.value),
                a.isCollection() ? descriptor(a.key) : nullptr, flags, a.id);
    }
  }
  if (AttrInfo const* key = fwkKey(info)) {
    plainAttr(reactor, type, "fwkKey", descriptor(key->value), nullptr, FK, fwkKeyId);
  }
  // A value of one key field stands for that field: its value attribute.
  if (info.kind == TypeKind::value) {
    AttrInfo const* only = nullptr;
    int keys = 0;
    for (AttrInfo const& a : info.attrs) {
      if (a.flags.key) ++keys, only = &a;
    }
    if (keys == 1) type->valAttrIs(type->attributeNode()->attr(Xel::Name(only->name)));
  }
  reactor.handleScopeExit();
}

// The namespaces of a full name, outermost first: "Routing", "Fhrp".
std::vector<std::string_view> namespaces(std::string_view fullName) {
  std::vector<std::string_view> parts;
  for (std::size_t end; (end = fullName.find("::")) != std::string_view::npos;) {
    parts.push_back(fullName.substr(0, end));
    fullName.remove_prefix(end + 2);
  }
  return parts;
}

}  // namespace

ModelType::ModelType(TypeInfo const& info)
    : XelType(Xel::Name(info.name), nullptr, baseDescriptor(info.kind), XelTypeFlags{}),
      info_(info) {
  // What kind of type it is, the descriptor knows from the start: tools
  // ask before, or without, any introspection walk.
  describeKind(*this, info);
}

ModelType::~ModelType() = default;

TypeInfo const& typeInfoOf(Xel::Entity const& e) {
  auto const* type = dynamic_cast<ModelType const*>(e.fwkType());
  if (!type) {
    Xel::throwRangeException(Xel::String8("entity '") + e.name() +
                             Xel::String8("' is not of a type of the model"));
  }
  return type->info();
}

Xel::Ptr<Xel::Entity::XelNboAttrLogSa> ModelType::childAttrLogIs(
    Xel::Ptr<Xel::XelAttr const> const& attr, Xel::Ptr<Xel::PtrInterface> const& child,
    Xel::Ptr<Xel::NboAttrLog::Out> const& out) const {
  AttrInfo const* const row = attr ? entity::findAttr(info_, attr->name().view()) : nullptr;
  if (!row || !row->isChild()) return XelType::childAttrLogIs(attr, child, out);
  auto* const c = dynamic_cast<Xel::Entity*>(child.ptr());
  Xel::Entity* const parent = c ? c->parent() : nullptr;
  // Only a parent of this type holds children under this type's rows.
  if (!parent || parent->fwkType() != this) return nullptr;
  Xel::Entity::XelNboAttrLogSa* const psa = parent->xelNboAttrLogSa(out);
  if (!psa) return nullptr;
  Xel_BitSet const flags(psa->notificationFlags().value() & Xel_BitSet::notificationBitMask());
  return psa->childAttrLogIs(row->id, flags, c, out);
}

Xel::XelType* baseDescriptor(TypeKind kind) {
  switch (kind) {
    case TypeKind::entity:
      return Xel::Entity::_fwkType();
    case TypeKind::object:
      return Xel::PtrInterface::_fwkType();
    case TypeKind::value:
      break;
  }
  return nullptr;
}

RegisteredFlags registeredFlags(TypeInfo const& type, AttrInfo const& a) {
  bool const virtualAccess = a.flags.virtualAccess;
  switch (a.kind) {
    case AttrKind::valueCollection:
      if (type.kind == TypeKind::object) return P;
      return virtualAccess ? VV : V;
    case AttrKind::childCollection:
      return virtualAccess ? EV : E;
    case AttrKind::singleChild:
      return E1;
    case AttrKind::plain:
    case AttrKind::string:
    case AttrKind::enumeration:
      break;
  }
  if (a.flags.key) return K;
  if (a.flags.constant) return C;
  if (a.flags.computed) return a.flags.introspected ? H8 : H;
  if (type.kind == TypeKind::value) return R;
  return virtualAccess ? SV : S;
}

RegisteredFlags attrLogInterfaceFlags() {
  return L;
}

RegisteredFlags fwkKeyFlags() {
  return FK;
}

void introspect(Types types, WalkState& state) {
  if (state.running || state.done) return;
  Xel::Ptr<Xel::IntrospectionReactor> reactor = Xel::IntrospectionReactor::global();
  if (!reactor->active()) return;
  state.running = true;
  // A walk that fails part way may be tried again.
  struct Running {
    WalkState& state;
    ~Running() { state.running = false; }
  } const running{state};
  // Every descriptor exists before the first is reported, the types in
  // the order of their names, then the framework's two bases.
  std::vector<TypeInfo const*> byName(types.begin(), types.end());
  std::sort(byName.begin(), byName.end(), [](TypeInfo const* a, TypeInfo const* b) {
    return std::string_view(a->name) < std::string_view(b->name);
  });
  for (TypeInfo const* t : byName) {
    t->descriptor();
    if (t->forcePointerAccess) t->forcePointerAccess();
  }
  Xel::Entity::_fwkType();
  forcePointerAccess<Xel::Entity>();
  Xel::PtrInterface::_fwkType();
  forcePointerAccess<Xel::PtrInterface>();

  std::vector<std::string_view> const scopes =
      types.empty() ? std::vector<std::string_view>{} : namespaces(types.front()->fullName);
  for (std::string_view scope : scopes) reactor->handleNameSpace(Xel::String8(scope).c_str());
  for (TypeInfo const* t : types) walkType(*reactor, *t);
  for (std::size_t i = 0; i < scopes.size(); ++i) reactor->handleScopeExit();
  state.done = true;
}

void registerTypes(Types types) {
  for (TypeInfo const* t : types) {
    Xel::XelType* type = t->descriptor();
    Xel::XelType::typeNodeIs(type, Xel::Name(t->fullName));
    // The types its attributes hold are registered by their own libraries
    // on first use: a tool looking one up by name finds it from now on.
    for (AttrInfo const& a : t->attrs) {
      descriptor(a.value);
      descriptor(a.key);
    }
    if (t->kind == TypeKind::value) continue;
    // The log adapters' descriptors: an entity's two framework attributes,
    // then its own in id order, then fwkKey where it has one.
    std::vector<char const*> names;
    if (t->kind == TypeKind::entity) {
      names = {"xelNboAttrLogSaForMsgChannel", "xelHasAttrLogInterface"};
    }
    for (AttrInfo const& a : t->attrs) names.push_back(a.name);
    if (fwkKey(*t)) names.push_back("fwkKey");
    std::vector<Xel::Ptr<Xel::XelAttr const>> cached;
    for (char const* name : names)
      cached.emplace_back(type->attributeNode()->attr(Xel::Name(name)));
    static_cast<ModelType*>(type)->cachedAttrsIs(std::move(cached));
  }
}

}  // namespace Routing::Fhrp::reflect
