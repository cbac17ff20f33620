#include "Xel/PtrInterface.h"

#include <new>

#include "Xel/Handle.h"
#include "Xel/ObjectHeap.h"

namespace Xel {

bool VFPtrInterface::enableThreadSafePointers = false;

void VFPtrInterface::operator delete(void* p, std::size_t size) noexcept {
  objectHeap::release(p, size);
}

void* VFPtrInterface::operator new(std::size_t size) {
  return objectHeap::allocate(size);
}

void PtrInterface::xelMarkedForDeletionIs(bool marked) const noexcept {
  if (marked) {
    refcount::setBits(references_, markedForDeletionBit);
  } else {
    refcount::clearBits(references_, markedForDeletionBit);
  }
}

void PtrInterface::hasNotificationActiveIs(bool active) {
  if (active) {
    refcount::setBits(references_, notificationActiveBit);
  } else {
    refcount::clearBits(references_, notificationActiveBit);
  }
}

U32 PtrInterface::xelAuditErrors(unsigned int depth) const {
  return auditErrors(depth);
}

U32 PtrInterface::auditErrors(unsigned int) const {
  return 0;
}

void PtrInterface::zeroReferencesIs(bool) {}

XelType const* PtrInterface::fwkType() const {
  return nullptr;
}

PtrInterface::~PtrInterface() {
  detail::handleForget(this);
}

void PtrInterface::handleZeroRef() const {
  delete this;
}

}  // namespace Xel
