#include "Xel/GenericIf.h"

#include <utility>

#include "Xel/Entity.h"
#include "Xel/HashMapGeneric.h"
#include "Xel/ReferenceText.h"
#include "Xel/Text.h"
#include "Xel/XelType.h"

namespace Xel {

ConstException::~ConstException() = default;
BadIndexException::~BadIndexException() = default;
OpNotSupportedException::~OpNotSupportedException() = default;
TypeException::~TypeException() = default;
UnknownArgException::~UnknownArgException() = default;
UnknownAttrException::~UnknownAttrException() = default;

void GenericIf::throwConstException(String8 const& text) {
  throw ConstException(text);
}

void GenericIf::throwBadIndexAttrException(String8 const& attr) {
  throw BadIndexException("attribute " + attr + " takes no index");
}

void GenericIf::throwOpNotSupportedException(String8 const& attr, std::int32_t op, bool iterator) {
  if (iterator) throw OpNotSupportedException("attribute " + attr + " cannot be iterated");
  throw OpNotSupportedException(
      format("operation %d is not supported on attribute %s", op, attr.c_str()));
}

void GenericIf::throwTypeException(String8 const& name) {
  throw TypeException("missing or mistyped argument: " + name);
}

void GenericIf::throwUnknownArgException(String8 const& name) {
  throw UnknownArgException("too many arguments for " + name);
}

void GenericIf::throwUnknownAttrException(String8 const& type, String8 const& attr) {
  throw UnknownAttrException(type + " has no attribute " + attr);
}

GenericIf::~GenericIf() = default;

namespace {

[[noreturn]] void unknownId(GenericIf const& self, std::int32_t id) {
  GenericIf::throwUnknownAttrException(self.type()->name(), format("with id %d", id));
}

}  // namespace

void* GenericIf::voidPtrIs(Ptr<XelType const> const&) const {
  throwTypeException(type()->name());
}

AttributeId GenericIf::attributeId(String8 name) const {
  throwUnknownAttrException(type()->name(), "named " + name);
}

void GenericIf::constCheck(std::int32_t op) const {
  if (isModifying(op) && isConst()) throwConstException("attempting to modify a const instance");
}

Ptr<GenericIf> GenericIf::attributeOp(AttributeOp const& op, Ptr<GenericIf const> const&,
                                      Ptr<GenericIf> const&) {
  constCheck(op.op);
  unknownId(*this, op.attr);
}

String8 GenericIf::strRep() const {
  // No text form of its own: the type's name at least says what it is.
  return type()->name();
}

std::vector<GenericIf::AttributeDescription> GenericIf::attributeDescriptions() const {
  return {};
}

GenericIf::AttributeIterator GenericIf::attributeIteratorConst(AttributeId id) const {
  // No collection of the base's: say whether the attribute exists at all.
  for (AttributeDescription const& d : attributeDescriptions()) {
    if (d.id == id) throwOpNotSupportedException(d.name, opRead, true);
  }
  unknownId(*this, static_cast<std::int32_t>(id));
}

GenericIf::AttributeIterator GenericIf::attributeIteratorKeyConst(
    AttributeId id, Ptr<GenericIf const> const&) const {
  return GenericIf::attributeIteratorConst(id);
}

Ptr<GenericIf> GenericIf::attributeIterator_iterObj(AttributeIterator const& it) const {
  unknownId(*this, static_cast<std::int32_t>(it.id()));
}

Ptr<GenericIf> GenericIf::attributeIterator_iterObj(AttributeIterator const& it) {
  return static_cast<GenericIf const*>(this)->attributeIterator_iterObj(it);
}

Ptr<GenericIf> GenericIf::attributeIterator_iterKey(AttributeIterator const& it) const {
  unknownId(*this, static_cast<std::int32_t>(it.id()));
}

void GenericIf::attributeIterator_iterInc(AttributeIterator& it) const {
  // The collection's own order, as its typed iterator keeps it: along the
  // chain while nothing changed, else from wherever the current member's
  // key places it now.
  IteratorState& s = state(it);
  if (!s.current) return;
  PtrInterface* following;
  if (s.modifications == s.map->modifications()) {
    following = s.map->next(s.current.ptr());
    if (!following) following = s.map->findNextBucket(&s.bucket);
  } else {
    following = s.map->findNextG(s.current.ptr(), &s.bucket);
    s.modifications = s.map->modifications();
  }
  s.current = following;
}

GenericIf::AttributeIterator GenericIf::attributeIterator_iterClone(
    AttributeIterator const& it) const {
  return AttributeIterator(this, it.id(), state(it));
}

bool GenericIf::attributeIterator_nonNull(AttributeIterator const& it) const {
  return static_cast<bool>(state(it).current);
}

void GenericIf::attributeIterator_iterDel(AttributeIterator& it) const {
  state(it) = IteratorState{};
}

ActivityConfig* GenericIf::actsm() {
  return activity_;
}

void GenericIf::onAttribute(AttributeId id) {
  if (handler_) handler_(id);
}

GenericIf::IteratorState& GenericIf::state(AttributeIterator& it) noexcept {
  return it.state_;
}

GenericIf::IteratorState const& GenericIf::state(AttributeIterator const& it) noexcept {
  return it.state_;
}

// AttributeIterator

GenericIf::AttributeIterator::AttributeIterator(Ptr<GenericIf const> owner, AttributeId id,
                                                IteratorState state) noexcept
    : owner_(std::move(owner)), id_(id), state_(std::move(state)) {}

GenericIf::AttributeIterator::AttributeIterator(AttributeIterator&& o) noexcept
    : owner_(std::move(o.owner_)), id_(o.id_), state_(std::move(o.state_)) {}

GenericIf::AttributeIterator& GenericIf::AttributeIterator::operator=(
    AttributeIterator&& o) noexcept {
  if (this != &o) {
    AttributeIterator gone(std::move(*this));
    owner_ = std::move(o.owner_);
    id_ = o.id_;
    state_ = std::move(o.state_);
  }
  return *this;
}

GenericIf::AttributeIterator::~AttributeIterator() {
  if (owner_) owner_->attributeIterator_iterDel(*this);
}

// List_

Ptr<GenericIf::List_> GenericIf::List_::listOf(std::initializer_list<Ptr<GenericIf>> items) {
  Ptr<List_> list(new List_());
  for (Ptr<GenericIf> const& item : items) list->itemIs(item);
  return list;
}

XelType* GenericIf::List_::_fwkType() {
  static XelType* const type = [] {
    auto* t = new XelType(Name("List_"), nullptr, nullptr, {});
    t->referencesLeak();
    t->sizeIs(sizeof(List_));
    XelType::typeNodeIs(t, Name("Xel::GenericIf::List_"));
    return t;
  }();
  return type;
}

XelType const* GenericIf::List_::type() const {
  return _fwkType();
}

Ptr<GenericIf> GenericIf::List_::clone() {
  Ptr<List_> copy(new List_());
  copy->items_ = items_;
  return copy;
}

GenericIf::List_::~List_() = default;

// GenericIfPtrInterface

void* GenericIfPtrInterface::voidPtrIs(Ptr<XelType const> const& t) const {
  if (t.ptr() == PtrInterface::_fwkType()) return ptrObj();
  return GenericIf::voidPtrIs(t);
}

String8 GenericIfPtrInterface::strRep() const {
  return valueToStrepOfRawPtr(ptrObj());
}

GenericIfPtrInterface::~GenericIfPtrInterface() = default;

// GenericIfEntity

namespace {

constexpr char const* nameAttr = "name";
constexpr char const* parentAttr = "parent";
constexpr char const* attrLogAttr = "xelHasAttrLogInterface";
constexpr char const* keyAttr = "fwkKey";

}  // namespace

Entity* GenericIfEntity::entityObj() const noexcept {
  return static_cast<Entity*>(ptrObj());
}

void* GenericIfEntity::voidPtrIs(Ptr<XelType const> const& t) const {
  if (t.ptr() == Entity::_fwkType()) return entityObj();
  return GenericIfPtrInterface::voidPtrIs(t);
}

AttributeId GenericIfEntity::attributeId(String8 name) const {
  if (name == nameAttr) return Entity::nameId;
  if (name == parentAttr) return Entity::parentId;
  if (name == attrLogAttr) return Entity::xelHasAttrLogInterfaceId;
  if (name == keyAttr && xelKeyIf()) return Entity::fwkKeyId;
  return GenericIfPtrInterface::attributeId(std::move(name));
}

Ptr<GenericIf> GenericIfEntity::attributeOp(AttributeOp const& op,
                                            Ptr<GenericIf const> const& index,
                                            Ptr<GenericIf> const& value) {
  constCheck(op.op);
  // The framework keeps all four itself: none is the entity's to set.
  auto const readOnly = [&](char const* name) {
    if (index) throwBadIndexAttrException(name);
    if (op.op != opRead) throwOpNotSupportedException(name, op.op, false);
  };
  Entity* const e = entityObj();
  switch (op.attr) {
    case Entity::nameId: {
      readOnly(nameAttr);
      String8 const name = e ? e->name() : String8();
      return Builtin<String8>::_fwkType()->genericIf(&name, isConst());
    }
    case Entity::parentId: {
      readOnly(parentAttr);
      Entity* const parent = e ? e->parent() : nullptr;
      return parent ? parent->fwkType()->genericIf_(parent, isConst()) : nullptr;
    }
    case Entity::xelHasAttrLogInterfaceId: {
      readOnly(attrLogAttr);
      bool const has = e && e->xelHasAttrLogInterface();
      return Builtin<bool>::_fwkType()->genericIf(&has, isConst());
    }
    case Entity::fwkKeyId:
      if (Ptr<GenericIf> key = xelKeyIf()) {
        readOnly(keyAttr);
        return key;
      }
      break;
    default:
      break;
  }
  return GenericIfPtrInterface::attributeOp(op, index, value);
}

std::vector<GenericIf::AttributeDescription> GenericIfEntity::attributeDescriptions() const {
  std::vector<AttributeDescription> all = GenericIfPtrInterface::attributeDescriptions();
  if (Ptr<GenericIf> const key = xelKeyIf())
    all.push_back({Entity::fwkKeyId, keyAttr, key->type()});
  all.push_back({Entity::nameId, nameAttr, Builtin<String8>::_fwkType()});
  all.push_back({Entity::parentId, parentAttr, Entity::_fwkType()});
  all.push_back({Entity::xelHasAttrLogInterfaceId, attrLogAttr, Builtin<bool>::_fwkType()});
  return all;
}

Ptr<GenericIf> GenericIfEntity::xelKeyIf() const {
  return nullptr;
}

GenericIfEntity::~GenericIfEntity() = default;

}  // namespace Xel
