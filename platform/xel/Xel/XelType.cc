#include "Xel/XelType.h"

#include <algorithm>
#include <utility>

#include "Xel/Entity.h"
#include "Xel/GenericIfValue.h"
#include "Xel/StreamAdapter.h"

namespace Xel {
namespace {

struct RegistryEntry {
  Name fullName;
  XelType const* type;
};

// Function-local so that registration from any library's static
// initialiser finds it constructed.
std::vector<RegistryEntry>& registry() {
  static auto* const entries = new std::vector<RegistryEntry>();
  return *entries;
}

}  // namespace

XelType::XelType(Name name, XelType*, XelType* base, XelTypeFlags const& flags)
    : name_(std::move(name)), base_(base), flags_(flags) {
  node_ = Ptr<XelAttr>(new XelAttr(this, name_, nullptr, nullptr, {}, 0, 0));
}

XelType::~XelType() = default;

void XelType::attributeQEnq(Ptr<XelAttr> const& attr) {
  attributes_.push_back(attr);
  if (node_->attr(attr->name()) != attr.ptr()) node_->attrAdd(attr);
}

Ptr<Entity> XelType::newEntity(Name const&, Dir*) const {
  return nullptr;
}

Ptr<Entity> XelType::newEntity(NboAttrLog::In*, Xel_BitSet, unsigned int, PtrInterface*) const {
  return nullptr;
}

Ptr<Entity::XelNboAttrLogSa> XelType::childAttrLogIs(Ptr<XelAttr const> const&,
                                                     Ptr<PtrInterface> const&,
                                                     Ptr<NboAttrLog::Out> const&) const {
  return nullptr;
}

namespace {

[[noreturn]] void noGenericIf(XelType const& type, char const* how) {
  throwException(String8("type ") + type.name() + " has no generic interface " + how);
}

}  // namespace

Ptr<GenericIf> XelType::genericIf(void const*, bool) const {
  noGenericIf(*this, "over a value");
}

Ptr<GenericIf> XelType::genericIf(GenericIf const*, bool) const {
  noGenericIf(*this, "built from an argument list");
}

Ptr<GenericIf> XelType::genericIf(String8 const&, bool) const {
  noGenericIf(*this, "read from text");
}

Ptr<GenericIf> XelType::genericIf_(PtrInterface*, bool) const {
  noGenericIf(*this, "over an object");
}

void XelType::typeNodeIs(XelType const* type, Name const& fullName) {
  auto& entries = registry();
  auto found = std::find_if(entries.begin(), entries.end(),
                            [&](RegistryEntry const& e) { return e.fullName == fullName; });
  if (found != entries.end()) {
    found->type = type;
  } else {
    entries.push_back({fullName, type});
  }
}

XelType const* XelType::typeNode(Name const& fullName) {
  for (RegistryEntry const& e : registry()) {
    if (e.fullName == fullName) return e.type;
  }
  return nullptr;
}

Name XelType::typeNodeName(XelType const* type) {
  for (RegistryEntry const& e : registry()) {
    if (e.type == type) return e.fullName;
  }
  return type->name();
}

std::vector<Name> XelType::typeNodeNames() {
  std::vector<Name> names;
  for (RegistryEntry const& e : registry()) names.push_back(e.fullName);
  return names;
}

XelAttr::XelAttr(XelType* owner, Name name, Ptr<XelType const> valueType,
                 Ptr<XelType const> keyType, AttrFlags const& flags,
                 XelAttrIntrospectionFlags introspection, AttributeId id)
    : owner_(owner),
      name_(std::move(name)),
      valueType_(std::move(valueType)),
      keyType_(std::move(keyType)),
      flags_(flags),
      introspection_(introspection),
      id_(id) {}

XelAttr::~XelAttr() = default;

Ptr<XelAttr> XelAttr::copyFor(XelType* owner) const {
  Ptr<XelAttr> copy(new XelAttr(owner, name_, valueType_, keyType_, flags_, introspection_, id_));
  copy->keyAttr_ = keyAttr_;
  copy->keyAttrName_ = keyAttrName_;
  copy->keyTypeName_ = keyTypeName_;
  copy->value_ = value_;
  return copy;
}

void XelAttr::keyTypeIs(Ptr<XelType const> const& type) {
  keyType_ = type;
}
void XelAttr::keyAttrNameIs(String8 name) {
  keyAttrName_ = std::move(name);
}
void XelAttr::keyTypeNameIs(String8 name) {
  keyTypeName_ = std::move(name);
}
void XelAttr::valueIs(U32 value) {
  value_ = value;
}
void XelAttr::introspectionFlagsIs(XelAttrIntrospectionFlags flags) {
  introspection_ = flags;
}

XelAttr* XelAttr::attr(Name const& name) {
  for (auto const& c : children_) {
    if (c->name() == name) return c.ptr();
  }
  return nullptr;
}

XelAttr const* XelAttr::attr(Name const& name) const {
  return const_cast<XelAttr*>(this)->attr(name);
}

void XelAttr::attrDel(Name const& name) {
  std::erase_if(children_, [&](Ptr<XelAttr> const& c) { return c->name() == name; });
}

Ptr<XelAttr> XelAttr::attrIs(Name name, Ptr<XelType> const& valueType, XelAttr* keyAttr, XelAttr*,
                             AttrFlags const& flags, AttributeId id) {
  Ptr<XelAttr> created(new XelAttr(owner_, std::move(name), valueType, nullptr, flags, 0, id));
  created->keyAttr_ = keyAttr;
  attrAdd(created);
  return created;
}

void XelAttr::attrAdd(Ptr<XelAttr> const& attr) {
  attrDel(attr->name());
  children_.push_back(attr);
}

template <>
XelType* Builtin<bool>::_fwkType() {
  static XelType* const type = valueTypeDescriptor<bool>("bool", "bool");
  return type;
}

template <>
XelType* Builtin<unsigned int>::_fwkType() {
  static XelType* const type = valueTypeDescriptor<unsigned int>("U32", "U32");
  return type;
}

template <>
XelType* Builtin<String8>::_fwkType() {
  static XelType* const type = valueTypeDescriptor<String8>("String", "Xel::String");
  return type;
}

}  // namespace Xel
