// PtrInterface: the base of every reference-counted object of the framework.
//
// OVERVIEW
//   An object carries its own reference count in one 32-bit word:
//
//     bit  31    marked for deletion (xelMarkedForDeletionIs)
//     bit  30    leaked: never freed (referencesLeak), for process-lifetime
//                objects such as type descriptors
//     bit  29    notification active (hasNotificationActiveIs)
//     bits 0-28  the reference count (mask 0x1fffffff)
//
//   referencesInc and referencesDec change the count. When a release leaves
//   both the count and the leaked bit zero (mask 0x5fffffff), handleZeroRef
//   runs and ends the object's life. A new object starts with count 0: the
//   first Ptr that holds it takes the first reference.
//
// OWNERSHIP
//   Objects are allocated with PtrInterface::operator new and freed by the
//   last release. Never delete one directly and never put one on the stack
//   while a Ptr may still take a reference to it.
//
// THREAD SAFETY
//   Counting is atomic only while VFPtrInterface::enableThreadSafePointers is
//   set (see Xel/RefCount.h). Nothing else of an object is synchronised.
#pragma once

#include <cstddef>

#include "Xel/Assert.h"
#include "Xel/Export.h"
#include "Xel/Ptr.h"
#include "Xel/RefCount.h"
#include "Xel/String8.h"
#include "Xel/Types.h"

namespace Xel {

class XelType;
class Activity;
class ActivityConfig;

class XEL_EXPORT PtrInterface : public VFPtrInterface {
 public:
  class NotifieeConst;
  class Notifiee;

  static constexpr U32 referenceCountMask = 0x1fffffffu;
  static constexpr U32 notificationActiveBit = 0x20000000u;
  static constexpr U32 leakedBit = 0x40000000u;
  static constexpr U32 markedForDeletionBit = 0x80000000u;
  // The bits that keep an object alive: its count and the leaked bit.
  static constexpr U32 liveMask = 0x5fffffffu;

  using VFPtrInterface::operator delete;
  using VFPtrInterface::operator new;

  PtrInterface(PtrInterface const&) = delete;
  PtrInterface& operator=(PtrInterface const&) = delete;

  void referencesInc() const noexcept { refcount::add(references_, 1); }
  void referencesDec() const {
    U32 const after = refcount::sub(references_, 1);
#ifndef NDEBUG
    // A release without a matching reference borrows from the flag bits.
    XEL_ASSERT((after & referenceCountMask) != referenceCountMask);
#endif
    if ((after & liveMask) == 0) handleZeroRef();
  }
  // Takes a reference unless none is held any more, when the object is
  // already on its way out (or not yet owned): says whether it took one.
  bool referencesIncUnlessZero() const noexcept {
    return refcount::incUnlessZero(references_, referenceCountMask);
  }
  // The number of references currently held (low 29 bits of the word).
  U32 references() const noexcept {
    return refcount::load(references_) & referenceCountMask;
  }
  // The whole reference word, framework bits included.
  U32 referenceWord() const noexcept {
    return refcount::load(references_);
  }

  // Keeps the object alive whatever its count does from now on.
  void referencesLeak() const noexcept {
    refcount::setBits(references_, leakedBit);
  }

  bool xelMarkedForDeletion() const noexcept {
    return (refcount::load(references_) & markedForDeletionBit) != 0;
  }
  void xelMarkedForDeletionIs(bool marked) const noexcept;

  // The descriptor of PtrInterface itself, made on first use.
  static XelType* _fwkType();

  bool hasNotificationActive() const noexcept {
    return (refcount::load(references_) & notificationActiveBit) != 0;
  }

  // The virtual operations below stand in the order the framework's tools
  // expect to find them; new ones are only ever added at the end.

  // Sets or clears the notification-active bit of the reference word.
  virtual void hasNotificationActiveIs(bool active);
  // Number of consistency errors found by a self-audit (`depth` limits how
  // far into owned objects it looks). The base has nothing to audit.
  virtual U32 xelAuditErrors(unsigned int depth) const;
  virtual U32 auditErrors(unsigned int depth) const;
  // Called by the framework when the object's last outside owner lets go;
  // the base has no one to tell.
  virtual void zeroReferencesIs(bool zero);
  // The descriptor of the object's type.
  virtual XelType const* fwkType() const;
  virtual ~PtrInterface();

 protected:
  PtrInterface() noexcept = default;
  explicit PtrInterface(U32 initialWord) noexcept : references_(initialWord) {}

 private:
  // Ends the object's life; runs when the last reference is released.
  void handleZeroRef() const;

  mutable U32 references_ = 0;
};

}  // namespace Xel
