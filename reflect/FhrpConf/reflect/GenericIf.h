// The generic interfaces of the model's types (Xel/GenericIf.h), driven by
// their attribute tables.
//
// OVERVIEW
//   Each type X of the model has a nested X::GenericIf_, generated as a
//   thin class over one of the templates here:
//
//     EntityIf<X>   an entity: held as the interface's notifier, watched
//                   through X::GenericIf_::GenericIf_Adapter_, an
//                   X::Notifiee whose handlers report to the interface
//     ObjectIf<X>   a counted object that is not an entity
//     ValueIf<X>    a copy of a value
//
//   All three are TableIf<Base>: attributeOp, attributeId and the
//   iterators read the type's attribute table (entity::TypeInfo), so the
//   seventeen interfaces share one runtime, attributeOp below, and differ
//   only in their tables. An attribute id the table lacks goes to the
//   framework base, which answers for what every entity (or object, or
//   value) has.
//
//   TypeOf<X> is the base of X::_Type, the descriptor: it builds X's
//   interfaces over an object (genericIf_), over a value (value types),
//   from text (a value's text form, or a reference to a live object:
//   Xel/ReferenceText.h), and, where X has a list constructor, from an
//   argument list (listConstructed).
//
// WHAT EACH KIND OF ATTRIBUTE SERVES
//   plain, string, enumeration,  op 0 reads (a constant its value, a hash
//   constant, key, hash          the value's hash); op 128 writes through
//                                the setter, where there is one
//   collection of values         ops 0 to 3, 128 (set a member), 129
//   collection of children       ops 0 to 3, 128 (create the child from a
//                                list holding its key), 129
//   single child                 op 0, 128 (create from a list holding its
//                                name), 129
//   Anything else raises Xel::OpNotSupportedException; see Xel/GenericIf.h
//   for the others.
//
// THREAD SAFETY
//   As the object the interface stands for.
#pragma once

#include <FhrpConf/entity/AttrTable.h>
#include <FhrpConf/entity/Notification.h>
#include <Xel/Activity.h>
#include <Xel/Entity.h>
#include <Xel/GenericIf.h>
#include <Xel/GenericIfValue.h>
#include <Xel/ReferenceText.h>

#include <cstddef>
#include <cstdint>
#include <utility>

#include "FhrpConf/Export.h"
#include "FhrpConf/reflect/Registration.h"

namespace Routing::Fhrp::reflect {

using IfPtr = Xel::Ptr<Xel::GenericIf>;
using IfConstPtr = Xel::Ptr<Xel::GenericIf const>;

// The shared runtime. `object` is the complete object (or the value) the
// interface `self` stands for; `row` one of its type's own attributes.
FHRPCONF_EXPORT IfPtr attributeOp(Xel::GenericIf const& self, entity::AttrInfo const& row,
                                  void* object, std::int32_t op, Xel::GenericIf const* index,
                                  Xel::GenericIf* value);
// An iterator over collection `row`, at its first member or, with `key`,
// at the member with that key or, when there is none, at the first member
// after the place the key would have.
FHRPCONF_EXPORT Xel::GenericIf::IteratorState iteratorAt(entity::AttrInfo const& row,
                                                         void const* object,
                                                         Xel::GenericIf const* key);
// The key and the value (a child's interface) of an iterator's member.
FHRPCONF_EXPORT IfPtr memberKey(entity::AttrInfo const& row,
                                Xel::GenericIf::IteratorState const& state, bool isConst);
FHRPCONF_EXPORT IfPtr memberValue(entity::AttrInfo const& row,
                                  Xel::GenericIf::IteratorState const& state, bool isConst);
// What attribute `row` is, as the generic interface describes it.
FHRPCONF_EXPORT Xel::GenericIf::AttributeDescription describe(entity::AttrInfo const& row);
// An interface over the value attribute `row` holds now.
FHRPCONF_EXPORT IfPtr readValue(entity::AttrInfo const& row, void const* object, bool isConst);
// Checks `args` against `type`'s constructor arguments and gives each as
// a pointer to the argument's type.
FHRPCONF_EXPORT void listArguments(entity::TypeInfo const& type, Xel::GenericIf const* args,
                                   void const** out, std::size_t count);

template <class Base>
class TableIf : public Base {
 public:
  using AttributeIterator = Xel::GenericIf::AttributeIterator;

  entity::TypeInfo const& info() const noexcept { return info_; }

  // The object (or value) as its own type; a framework base's descriptor
  // goes to the base.
  void* voidPtrIs(Xel::Ptr<Xel::XelType const> const& t) const override {
    if (t.ptr() == this->type()) return tableObject();
    return Base::voidPtrIs(t);
  }

  Xel::AttributeId attributeId(Xel::String8 name) const override {
    if (entity::AttrInfo const* a = entity::findAttr(info_, name.view())) return a->id;
    return Base::attributeId(std::move(name));
  }

  std::vector<Xel::GenericIf::AttributeDescription> attributeDescriptions() const override {
    auto all = Base::attributeDescriptions();
    for (entity::AttrInfo const& a : info_.attrs) all.push_back(describe(a));
    return all;
  }

  IfPtr attributeOp(Xel::GenericIf::AttributeOp const& op, IfConstPtr const& index = nullptr,
                    IfPtr const& value = nullptr) override {
    this->constCheck(op.op);
    entity::AttrInfo const* const row = own(op.attr);
    if (!row) return Base::attributeOp(op, index, value);
    return reflect::attributeOp(*this, *row, object(), op.op, index.ptr(), value.ptr());
  }

  // Ids that are not the type's collections go to the base.
  AttributeIterator attributeIteratorConst(Xel::AttributeId id) const override {
    entity::AttrInfo const* const row = collection(id);
    if (!row) return Base::attributeIteratorConst(id);
    return AttributeIterator(this, id, iteratorAt(*row, object(), nullptr));
  }
  AttributeIterator attributeIteratorKeyConst(Xel::AttributeId id,
                                              IfConstPtr const& key) const override {
    entity::AttrInfo const* const row = collection(id);
    if (!row) return Base::attributeIteratorKeyConst(id, key);
    if (!key) Xel::GenericIf::throwTypeException("xel_index");
    return AttributeIterator(this, id, iteratorAt(*row, object(), key.ptr()));
  }
  void attributeIterator_iterInc(AttributeIterator& it) const override {
    // An interface bound to another object since (objIs) no longer holds
    // the collection the iterator walks, which may be gone.
    Xel::GenericIf::IteratorState const& s = Base::state(it);
    if (s.current && own(it.id())->access.map(object()) != s.map) {
      Xel::throwException("the iterator's collection is no longer the interface's");
    }
    Base::attributeIterator_iterInc(it);
  }
  // A member's interface is as const as the interface walked.
  IfPtr attributeIterator_iterObj(AttributeIterator const& it) const override {
    return memberValue(*own(it.id()), Base::state(it), this->isConst());
  }
  IfPtr attributeIterator_iterObj(AttributeIterator const& it) override {
    return memberValue(*own(it.id()), Base::state(it), this->isConst());
  }
  IfPtr attributeIterator_iterKey(AttributeIterator const& it) const override {
    return memberKey(*own(it.id()), Base::state(it), this->isConst());
  }

 protected:
  template <class... A>
  explicit TableIf(entity::TypeInfo const& info, A&&... base)
      : Base(std::forward<A>(base)...), info_(info) {}

  // The object (or value) the table's access functions take.
  virtual void* tableObject() const = 0;

  entity::AttrInfo const* own(std::int32_t id) const noexcept {
    return entity::findAttr(info_, static_cast<Xel::AttributeId>(id));
  }

 private:
  entity::AttrInfo const* collection(Xel::AttributeId id) const noexcept {
    entity::AttrInfo const* const row = own(static_cast<std::int32_t>(id));
    return row && row->isCollection() ? row : nullptr;
  }

  // The object, which an interface built over a null or foreign one lacks.
  void* object() const {
    void* const o = tableObject();
    if (!o) Xel::throwException("the " + this->type()->name() + " interface stands for no object");
    return o;
  }

  entity::TypeInfo const& info_;
};

class EntityIfBase;

// An adapter's link back to its interface, cut when the interface goes
// (a delivery may still hold the adapter then).
class IfAdapterLink {
 public:
  explicit IfAdapterLink(EntityIfBase* iface) noexcept : iface_(iface) {}
  void ifaceGone() noexcept { iface_ = nullptr; }

 protected:
  EntityIfBase* linked() const noexcept { return iface_; }

 private:
  EntityIfBase* iface_;
};

// The part of an entity's interface that is the same for every entity
// type: notification and the adapter that brings it.
class FHRPCONF_EXPORT EntityIfBase : public TableIf<Xel::GenericIfEntity> {
 public:
  // A change of attribute `id` of the entity (of a collection's member:
  // `key` points to its key): deferred to the activity, if there is one, or
  // reported as onAttribute(id), or as onMember(id, key) where the member
  // matters to the client.
  void attributeChanged(Xel::AttributeId id, void const* key = nullptr);

  void handleNotification(Xel::ActivityConfig* activity) override;
  // Pausing the interface pauses its adapter: the entity's changes no
  // longer reach it.
  void hasNotificationActiveIs(bool active) override;
  void xelDoZombieReactors(bool zombie) override;

  ~EntityIfBase() override;

 protected:
  EntityIfBase(entity::TypeInfo const& info, bool isConst) : TableIf(info, isConst) {}

  // Called by the generated constructor with its adapter, before it binds
  // the interface to the entity.
  template <class A>
  void adapterIs(A* adapter) {
    adapter_ = adapter;
    link_ = adapter;
  }
  // Binds the interface, and its adapter, to another entity of the type
  // (or none); with an activity, everything is then reported as new.
  void rebind(Xel::Ptr<Xel::PtrInterface const> const& entity);
  IfPtr xelKeyIf() const override;

 private:
  Xel::Ptr<Xel::PtrInterface::NotifieeConst> adapter_;
  IfAdapterLink* link_ = nullptr;
};

// X::GenericIf_::GenericIf_Adapter_: watches the entity (without holding
// it: the interface does) and reports each change to the interface while
// both exist. The generated class adds one forwarder per attribute.
template <class X, class I>
class IfAdapter : public X::Notifiee, public IfAdapterLink {
 public:
  IfAdapter(X* entity, EntityIfBase* iface) : IfAdapterLink(iface) {
    this->isWeakReferenceIs(true);
    // Registered even over no entity, so that it joins the one its
    // interface is bound to later.
    if (entity) {
      entity::Observed<X>::bindRegistered(*this, entity);
    } else {
      this->isRegisteredNotifieeIs(true);
    }
  }

  // The interface, or null once it is gone or while the adapter is paused.
  I* iface() const noexcept {
    return this->hasNotificationActive() ? static_cast<I*>(linked()) : nullptr;
  }

  // An ordinary notifiee: it goes behind the stream adapters.
  Xel::PtrInterface const* xelReactor() const override { return linked(); }
  bool isStreamAdapter() const override { return false; }

  using X::Notifiee::onNotificationException;
  void onNotificationException(Xel::AttributeId id) override {
    if (I* i = iface()) i->onNotificationException(id);
  }
  void onZeroReferences() override {
    if (I* i = iface()) i->onZeroReferences();
  }
};

template <class X>
class EntityIf : public EntityIfBase {
 public:
  X* obj() noexcept { return static_cast<X*>(entityObj()); }
  X const* obj() const noexcept { return static_cast<X const*>(entityObj()); }
  void objIs(Xel::Ptr<X> const& x) { rebind(x); }
  // Accepts an X only: anything else leaves the interface over null.
  void notifierIs(Xel::Ptr<Xel::PtrInterface const> const& p) override {
    rebind(Xel::Ptr<X const>(dynamic_cast<X const*>(p.ptr())));
  }

  Xel::XelType const* type() const override { return X::_fwkType(); }
  IfPtr clone() override { return new typename X::GenericIf_(obj(), isConst()); }

 protected:
  // Builds the adapter, then binds the interface, and so the adapter, to
  // the entity.
  EntityIf(Xel::Ptr<X> const& x, bool isConst) : EntityIfBase(X::xelTypeInfo, isConst) {
    adapterIs(new typename X::GenericIf_::GenericIf_Adapter_(nullptr, this));
    rebind(x);
  }
  void* tableObject() const override { return const_cast<X*>(obj()); }
};

template <class X>
class ObjectIf : public TableIf<Xel::GenericIfPtrInterface> {
 public:
  ObjectIf(Xel::Ptr<X> const& x, bool isConst) : TableIf(X::xelTypeInfo, isConst) { notifierIs(x); }

  X* obj() noexcept { return static_cast<X*>(ptrObj()); }
  X const* obj() const noexcept { return static_cast<X const*>(ptrObj()); }
  void objIs(Xel::Ptr<X> const& x) { notifierIs(x); }

  Xel::XelType const* type() const override { return X::_fwkType(); }
  IfPtr clone() override { return new typename X::GenericIf_(obj(), isConst()); }

 protected:
  void* tableObject() const override { return const_cast<X*>(obj()); }
};

template <class X>
class ValueIf : public TableIf<Xel::GenericIfValue<X>> {
 public:
  ValueIf(X value, bool isConst)
      : TableIf<Xel::GenericIfValue<X>>(X::xelTypeInfo, X::_fwkType(), std::move(value), isConst) {}

  IfPtr clone() override { return new typename X::GenericIf_(this->val(), this->isConst()); }

 protected:
  void* tableObject() const override { return const_cast<X*>(&this->val()); }
};

// Builds an X from an argument list holding its constructor arguments, of
// types A..., and returns its interface: `make` is X's factory for an
// object, and X's constructor serves a value.
template <class X, class... A, class Make>
IfPtr listConstructed(IfConstPtr const& args, Make const& make) {
  void const* a[sizeof...(A) ? sizeof...(A) : 1];
  listArguments(X::xelTypeInfo, args.ptr(), a, sizeof...(A));
  return [&]<std::size_t... I>(std::index_sequence<I...>)->IfPtr {
    return new typename X::GenericIf_(make(*static_cast<A const*>(a[I])...), false);
  }
  (std::index_sequence_for<A...>{});
}

template <class X, class... A>
IfPtr listConstructedValue(IfConstPtr const& args) {
  return listConstructed<X, A...>(args, [](A const&... a) { return X(a...); });
}

// The base of X::_Type.
template <class X>
class TypeOf : public ModelType {
 public:
  static constexpr bool isValue = !std::is_base_of_v<Xel::PtrInterface, X>;

  using ModelType::genericIf;
  using ModelType::ModelType;

  IfPtr genericIf_(Xel::PtrInterface* p, bool isConst) const override {
    if constexpr (isValue) {
      return ModelType::genericIf_(p, isConst);
    } else {
      return new typename X::GenericIf_(Xel::Ptr<X>(dynamic_cast<X*>(p)), isConst);
    }
  }
  IfPtr genericIf(void const* value, bool isConst) const override {
    if constexpr (isValue) {
      return new typename X::GenericIf_(value ? *static_cast<X const*>(value) : X(), isConst);
    } else {
      return ModelType::genericIf(value, isConst);
    }
  }
  // From an argument list, where X has a list constructor.
  IfPtr genericIf(Xel::GenericIf const* args, bool isConst) const override {
    if constexpr (requires { X::GenericIf_::genericIfListConstructor(IfConstPtr()); }) {
      return X::GenericIf_::genericIfListConstructor(args);
    } else {
      return ModelType::genericIf(args, isConst);
    }
  }
  IfPtr genericIf(Xel::String8 const& text, bool isConst) const override {
    if constexpr (isValue) {
      return new typename X::GenericIf_(Xel::strepToValue(text, static_cast<X*>(nullptr)), isConst);
    } else {
      // A reference to a live object; None gives an interface over nothing.
      Xel::Ptr<X> const object = Xel::strepToValue(text, static_cast<Xel::Ptr<X>*>(nullptr));
      return genericIf_(object.ptr(), isConst);
    }
  }
};

}  // namespace Routing::Fhrp::reflect
