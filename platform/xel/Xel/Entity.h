// Entity: a named, counted object with a parent and observers.
//
// OVERVIEW
//   Every model class with identity derives from Entity. The base holds, in
//   this order after the virtual table and the reference word: the entity's
//   name, its change counter, its read counter, a framework word (136) and
//   the parent link. A generated type adds its own members behind these and
//   ends with its notifiee list.
//
//   The change counter rises by 1 on every stored change; the read counter
//   by 1 on every keyed read of one of the entity's collections. Neither is
//   ever notified.
//
// OWNERSHIP
//   A parent owns its children through its collections. The parent link
//   points back without owning: a counted back-link would form a cycle that
//   kept every tree alive for ever. A child removed from its parent has its
//   link cleared and lives on while others hold it.
//
// THREAD SAFETY
//   An entity is used from one thread at a time.
#pragma once

#include "Xel/Export.h"
#include "Xel/Notifiee.h"
#include "Xel/PtrInterface.h"
#include "Xel/String8.h"
#include "Xel/Types.h"

namespace Xel {

class XelAttr;
class EntityAccess;
namespace NboAttrLog {
class Out;
}

class XEL_EXPORT Entity : public PtrInterface {
 public:
  class NotifieeConst;
  class Notifiee;
  // The adapter that writes an entity onto an attribute log (StreamAdapter.h).
  class XelNboAttrLogSa;

  // The framework word's value in every entity.
  static constexpr U32 framework136 = 136;

  // Attribute ids the framework gives every entity.
  static constexpr AttributeId fwkKeyId = 0;
  static constexpr AttributeId zeroReferencesId = 5;
  static constexpr AttributeId xelHasAttrLogInterfaceId = 154;

  // Attribute ids of the framework's own entity attributes.
  static constexpr AttributeId nameId = 1;
  static constexpr AttributeId parentId = 2;
  static constexpr AttributeId xelNboAttrLogSaForMsgChannelId = 153;

  // The descriptor of Entity itself, made on first use; every entity type's
  // descriptor derives from it and copies its attributes.
  static XelType* _fwkType();
  XelType const* fwkType() const override;

  U32 changeCount() const noexcept { return changeCount_; }
  U32 readCount() const noexcept { return readCount_; }

  virtual String8 name() const;
  virtual Entity const* parent() const;
  virtual Entity* parent();
  // Sets (or, with an empty pointer, clears) the back-link to the owner and
  // tells handleParent.
  virtual void parentIs(Ptr<Entity> const& parent);
  // The descriptor of the parent's attribute that holds this entity, or null
  // where no registry describes it.
  virtual XelAttr const* parentAttr() const;
  // The id of the parent's collection that holds this entity (0: none).
  virtual AttributeId parentAttrId() const;
  virtual void parentAttrIdIs(AttributeId id);
  // "/" followed by the names from the root down to this entity.
  virtual String8 uriPath() const;
  // The names from the root down to this entity, joined by "/".
  virtual String8 fullName() const;
  // The name of the attribute with id `id`; the base knows the framework's
  // own ids and answers the empty string for any other.
  virtual String8 attributeString(AttributeId id) const;
  virtual void xelNotifieeAdapterIs(Ptr<Entity const> const& adapter);
  // Hook run after the parent link changed.
  virtual void handleParent(Ptr<Entity> const& parent);

  // The attribute-log hooks. An entity type with an adapter overrides them;
  // the base has none: it finds no adapter and refuses to install one.
  //
  // The adapter of this entity for `out`, or null.
  virtual XelNboAttrLogSa const* xelNboAttrLogSa(Ptr<NboAttrLog::Out const> const& out) const;
  virtual bool xelHasAttrLogInterface() const;
  virtual XelNboAttrLogSa* xelNboAttrLogSa(Ptr<NboAttrLog::Out const> const& out);
  // Another adapter of this entity sharing `other`'s message channel, or null.
  virtual Ptr<XelNboAttrLogSa> xelNboAttrLogSaForMsgChannel(
      Ptr<XelNboAttrLogSa> const& other) const;
  // Installs (or returns) this entity's adapter for `out`; the log must
  // have a demultiplexer. A new adapter first writes the entity's full
  // state, announced by an entity-creation record.
  virtual Ptr<XelNboAttrLogSa> xelNboAttrLogSaIs(Xel_BitSet flags, unsigned int n,
                                                 Ptr<NboAttrLog::Out> const& out,
                                                 PtrInterface* owner);
  // Takes this entity's adapter for `out`, if any, off the log.
  virtual void xelNboAttrLogSaDel(Ptr<NboAttrLog::Out const> const& out);

  ~Entity() override;

 protected:
  explicit Entity(String8 name = String8()) noexcept : name_(static_cast<String8&&>(name)) {}

  void changeCountInc() noexcept { ++changeCount_; }
  void changeCountInc(U32 n) noexcept { changeCount_ += n; }
  void readCountInc() const noexcept { ++readCount_; }

 private:
  // The entity layer's shared templates reach the counters through here.
  friend class EntityAccess;

  String8 name_;
  U32 changeCount_ = 0;
  mutable U32 readCount_ = 0;
  U32 framework_ = framework136;
  Entity* parent_ = nullptr;
  AttributeId parentAttrId_ = 0;
};

// The observer base of every entity type: T::NotifieeConst derives from it.
class XEL_EXPORT Entity::NotifieeConst : public PtrInterface::NotifieeConst {
 public:
  Entity const* notifier() const noexcept {
    return static_cast<Entity const*>(PtrInterface::NotifieeConst::notifier());
  }

  // The notifier entity's name, or the empty string without one.
  String8 name() const override;
  // Accepts entities only: anything else leaves the notifiee unbound.
  void notifierIs(Ptr<PtrInterface const> const& p) override;

  virtual void onParent();
  virtual void onVersion();

  ~NotifieeConst() override;

 protected:
  NotifieeConst() noexcept = default;
};

class XEL_EXPORT Entity::Notifiee : public Entity::NotifieeConst {
 public:
  ~Notifiee() override;
};

}  // namespace Xel
