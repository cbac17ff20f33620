#include "FhrpConf/reflect/GenericIf.h"

#include <Xel/HashMapGeneric.h>
#include <Xel/XelType.h>

namespace Routing::Fhrp::reflect {
namespace {

using entity::AttrInfo;
using entity::AttrKind;
using Xel::GenericIf;

Xel::XelType const* valueType(AttrInfo const& row) {
  return row.value.descriptor();
}

// A single child is keyed by its name, which arrives as a string.
Xel::XelType const* keyType(AttrInfo const& row) {
  return row.key.descriptor ? row.key.descriptor() : Xel::Builtin<Xel::String8>::_fwkType();
}

// An interface over a default value of `type`, for an access function to
// write into.
IfPtr defaultIf(Xel::XelType const* type, bool isConst) {
  return type->genericIf(static_cast<void const*>(nullptr), isConst);
}

IfPtr builtinIf(Xel::U32 n, bool isConst) {
  return Xel::Builtin<Xel::U32>::_fwkType()->genericIf(&n, isConst);
}

IfPtr builtinIf(bool b, bool isConst) {
  return Xel::Builtin<bool>::_fwkType()->genericIf(&b, isConst);
}

IfPtr childIf(Xel::Entity* child, bool isConst) {
  return child ? child->fwkType()->genericIf_(child, isConst) : nullptr;
}

// The key of a collection member, as the collection's key type.
void const* indexKey(AttrInfo const& row, GenericIf const* index) {
  if (!index) GenericIf::throwTypeException("xel_index");
  return index->voidPtrIs(keyType(row));
}

// The one argument of a child's creation: its key (or name).
void const* creationKey(AttrInfo const& row, GenericIf* value) {
  auto const* list = dynamic_cast<GenericIf::List_ const*>(value);
  if (!list) GenericIf::throwTypeException("Xel::GenericIf::List_");
  GenericIf const* key = list->item(0);
  if (!key) GenericIf::throwTypeException(row.childKey);
  if (list->members() > 1) GenericIf::throwUnknownArgException(row.name);
  return key->voidPtrIs(keyType(row));
}

IfPtr singleValued(GenericIf const& self, AttrInfo const& row, void* object, std::int32_t op,
                   GenericIf const* index, GenericIf* value) {
  if (index) GenericIf::throwBadIndexAttrException(row.name);
  if (op == GenericIf::opRead) return readValue(row, object, self.isConst());
  if (op == GenericIf::opWrite && row.flags.settable && row.access.set) {
    if (!value) GenericIf::throwTypeException(row.name);
    row.access.set(object, value->voidPtrIs(valueType(row)));
    return nullptr;
  }
  GenericIf::throwOpNotSupportedException(row.name, op, false);
}

IfPtr collection(GenericIf const& self, AttrInfo const& row, void* object, std::int32_t op,
                 GenericIf const* index, GenericIf* value) {
  entity::Access const& access = row.access;
  bool const children = row.kind == AttrKind::childCollection;
  switch (op) {
    case GenericIf::opRead: {
      void const* const key = indexKey(row, index);
      if (children) {
        Xel::Ptr<Xel::Entity> child;
        access.memberGet(object, key, &child);
        return childIf(child.ptr(), self.isConst());
      }
      // An absent key reads as the value type's default: false, 0, empty.
      IfPtr v = defaultIf(valueType(row), self.isConst());
      access.memberGet(object, key, v->voidPtrIs(valueType(row)));
      return v;
    }
    case GenericIf::opCount:
      return builtinIf(access.members(object), self.isConst());
    case GenericIf::opModifications:
      return builtinIf(access.map(object)->modifications(), self.isConst());
    case GenericIf::opContains:
      return builtinIf(access.memberGet(object, indexKey(row, index), nullptr), self.isConst());
    case GenericIf::opWrite: {
      if (children) {
        void const* const key = creationKey(row, value);
        access.memberSet(object, key, nullptr);
        Xel::Ptr<Xel::Entity> child;
        access.memberGet(object, key, &child);
        return childIf(child.ptr(), false);
      }
      void const* const key = indexKey(row, index);
      if (!value) GenericIf::throwTypeException(row.name);
      access.memberSet(object, key, value->voidPtrIs(valueType(row)));
      return nullptr;
    }
    case GenericIf::opDelete: {
      void const* const key = indexKey(row, index);
      if (children) {
        Xel::Ptr<Xel::Entity> child;
        if (!access.memberGet(object, key, &child)) return nullptr;
        access.memberDel(object, key);
        return childIf(child.ptr(), false);
      }
      // What the collection's xDel returns: the removed value, or the
      // default when there was none.
      IfPtr removed = defaultIf(valueType(row), false);
      access.memberGet(object, key, removed->voidPtrIs(valueType(row)));
      access.memberDel(object, key);
      return removed;
    }
    default:
      GenericIf::throwOpNotSupportedException(row.name, op, false);
  }
}

IfPtr singleChild(GenericIf const& self, AttrInfo const& row, void* object, std::int32_t op,
                  GenericIf const* index, GenericIf* value) {
  if (index) GenericIf::throwBadIndexAttrException(row.name);
  Xel::Ptr<Xel::Entity> child;
  switch (op) {
    case GenericIf::opRead:
      row.access.get(object, &child);
      return childIf(child.ptr(), self.isConst());
    case GenericIf::opWrite: {
      Xel::Name const name(*static_cast<Xel::String8 const*>(creationKey(row, value)));
      row.access.set(object, &name);
      row.access.get(object, &child);
      return childIf(child.ptr(), false);
    }
    case GenericIf::opDelete:
      row.access.get(object, &child);
      row.access.memberDel(object, nullptr);
      return childIf(child.ptr(), false);
    default:
      GenericIf::throwOpNotSupportedException(row.name, op, false);
  }
}

}  // namespace

IfPtr attributeOp(GenericIf const& self, AttrInfo const& row, void* object, std::int32_t op,
                  GenericIf const* index, GenericIf* value) {
  switch (row.kind) {
    case AttrKind::plain:
    case AttrKind::string:
    case AttrKind::enumeration:
      return singleValued(self, row, object, op, index, value);
    case AttrKind::valueCollection:
    case AttrKind::childCollection:
      return collection(self, row, object, op, index, value);
    case AttrKind::singleChild:
      return singleChild(self, row, object, op, index, value);
  }
  Xel::throwInternalException("attribute of unknown kind");
}

GenericIf::AttributeDescription describe(AttrInfo const& row) {
  GenericIf::AttributeDescription d{row.id, row.name, valueType(row)};
  d.collection = row.isCollection();
  if (row.isCollection() || row.kind == AttrKind::singleChild) {
    d.keyType = keyType(row);
    d.writable = true;
  } else {
    d.writable = row.flags.settable && row.access.set;
  }
  return d;
}

IfPtr readValue(AttrInfo const& row, void const* object, bool isConst) {
  IfPtr v = defaultIf(valueType(row), isConst);
  row.access.get(object, v->voidPtrIs(valueType(row)));
  return v;
}

GenericIf::IteratorState iteratorAt(AttrInfo const& row, void const* object, GenericIf const* key) {
  GenericIf::IteratorState s;
  s.map = row.access.map(object);
  s.modifications = s.map->modifications();
  if (!key) {
    s.current = s.map->findNextBucket(&s.bucket);
    return s;
  }
  void const* const k = key->voidPtrIs(keyType(row));
  Xel::U32 const place = row.access.keyPlace(k);
  Xel::PtrInterface* m = s.map->startAtHash(place, &s.bucket);
  // Members of the same hash stand in key order: stop at the key, or at the
  // first key after it.
  Xel::HashMapVTableGeneric const* const table = s.map->table();
  while (m && table->hash(m) == place && !table->keyEquals(k, m) &&
         !table->keyLessThan(k, m, nullptr)) {
    Xel::PtrInterface* const next = s.map->next(m);
    m = next ? next : s.map->findNextBucket(&s.bucket);
  }
  s.current = m;
  return s;
}

IfPtr memberKey(AttrInfo const& row, GenericIf::IteratorState const& state, bool isConst) {
  if (!state.current) return nullptr;
  IfPtr k = defaultIf(keyType(row), isConst);
  row.access.memberKey(state.current.ptr(), k->voidPtrIs(keyType(row)));
  return k;
}

IfPtr memberValue(AttrInfo const& row, GenericIf::IteratorState const& state, bool isConst) {
  if (!state.current) return nullptr;
  if (row.kind == AttrKind::childCollection) {
    Xel::Ptr<Xel::Entity> child;
    row.access.memberValue(state.current.ptr(), &child);
    return childIf(child.ptr(), isConst);
  }
  IfPtr v = defaultIf(valueType(row), isConst);
  row.access.memberValue(state.current.ptr(), v->voidPtrIs(valueType(row)));
  return v;
}

void listArguments(entity::TypeInfo const& type, GenericIf const* args, void const** out,
                   std::size_t count) {
  auto const* list = dynamic_cast<GenericIf::List_ const*>(args);
  if (!list) GenericIf::throwTypeException("Xel::GenericIf::List_");
  std::size_t i = 0;
  auto const take = [&](char const* name, Xel::XelType const* as) {
    if (i == count) Xel::throwInternalException("more constructor arguments than generated");
    GenericIf const* item = list->item(static_cast<Xel::U32>(i));
    if (!item) GenericIf::throwTypeException(name);
    out[i++] = item->voidPtrIs(as);
  };
  if (type.named) {
    take("name", Xel::Builtin<Xel::String8>::_fwkType());
  } else {
    for (AttrInfo const& a : type.attrs) {
      if (a.flags.key) take(a.name, valueType(a));
    }
  }
  if (i != count) Xel::throwInternalException("fewer constructor arguments than generated");
  if (list->members() > i) GenericIf::throwUnknownArgException(type.name);
}

// EntityIfBase

void EntityIfBase::attributeChanged(Xel::AttributeId id, void const* key) {
  // Paused or a zombie, it hears nothing, deferred changes included.
  if (!hasNotificationActive() || xelMarkedForDeletion()) return;
  if (xelOnAttribute(id, false)) return;
  actsm();
  // The key's interface costs an allocation: made only for a client that
  // asked for members.
  if (key && hasMemberHandler()) {
    onMember(id, own(static_cast<std::int32_t>(id))->key.descriptor()->genericIf(key, true));
    return;
  }
  onAttribute(id);
}

void EntityIfBase::handleNotification(Xel::ActivityConfig* activity) {
  Xel::AttributeId const id =
      activity ? activity->pendingAttribute() : Xel::ActivityConfig::allAttributes;
  if (own(static_cast<std::int32_t>(id))) {
    attributeChanged(id);
    return;
  }
  GenericIfEntity::handleNotification(activity);
  if (id != Xel::ActivityConfig::allAttributes && id != Xel::ActivityConfig::notifierChanged) {
    return;
  }
  // Every attribute that notifies, in id order.
  for (AttrInfo const& a : info().attrs) {
    if (a.logBit) attributeChanged(a.id);
  }
}

void EntityIfBase::hasNotificationActiveIs(bool active) {
  GenericIfEntity::hasNotificationActiveIs(active);
  // A zombie's adapter stays paused when the interface resumes.
  if (adapter_ && !xelMarkedForDeletion()) adapter_->hasNotificationActiveIs(active);
}

void EntityIfBase::xelDoZombieReactors(bool zombie) {
  if (zombie == xelMarkedForDeletion()) return;
  // A paused interface's adapter stays paused when it comes back.
  if (adapter_ && (zombie || hasNotificationActive())) adapter_->xelDoZombieReactors(zombie);
  xelMarkedForDeletionIs(zombie);
}

void EntityIfBase::rebind(Xel::Ptr<Xel::PtrInterface const> const& entity) {
  if (entity.ptr() == notifier()) return;
  GenericIfEntity::notifierIs(entity);
  if (adapter_) adapter_->notifierIs(entity);
  xelOnAttribute(Xel::ActivityConfig::notifierChanged, false);
}

IfPtr EntityIfBase::xelKeyIf() const {
  AttrInfo const* const key = entity::keyAttr(info());
  if (!key || !entityObj()) return nullptr;
  return readValue(*key, tableObject(), isConst());
}

EntityIfBase::~EntityIfBase() {
  if (!adapter_) return;
  // The adapter may outlive the interface (a delivery holds it): it must
  // find no interface, and it leaves the entity's list now.
  link_->ifaceGone();
  adapter_->notifierIs(nullptr);
}

}  // namespace Routing::Fhrp::reflect
