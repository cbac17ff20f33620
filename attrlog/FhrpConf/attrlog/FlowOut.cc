#include "FhrpConf/attrlog/FlowOut.h"

#include "FhrpConf/attrlog/LogTable.h"

namespace Routing::Fhrp::attrlog {

FlowOut::FlowOut(entity::TypeInfo const& type, Xel::AttributeId start) noexcept
    : Xel::NboAttrLog::FlowOut(start), type_(type), bits_(initialBits(type, start)) {}

FlowOut::~FlowOut() = default;

bool FlowOut::hasDirtyAttributes() const {
  if (Xel::NboAttrLog::FlowOut::hasDirtyAttributes() || owesWrites(type_, bits_)) return true;
  if (type_.syncedBits == 0) return false;
  for (entity::AttrInfo const* a : type_.written) {
    if (hasSyncedBit(*a) && a->log.keysDue(*this)) return true;
  }
  return false;
}

}  // namespace Routing::Fhrp::attrlog
