#include "FhrpConf/attrlog/FlowOut.h"

#include "FhrpConf/attrlog/LogTable.h"

namespace Routing::Fhrp::attrlog {

FlowOut::FlowOut(entity::TypeInfo const& type, Xel::AttributeId start) noexcept
    : Xel::NboAttrLog::FlowOut(start), type_(type), bits_(initialBits(type, start)) {}

FlowOut::~FlowOut() = default;

bool FlowOut::hasDirtyAttributes() const {
  if (Xel::NboAttrLog::FlowOut::hasDirtyAttributes()) return true;
  for (entity::AttrInfo const* a : type_.written) {
    bool const set = bit(a->logBit);
    if (!hasSyncedBit(*a)) {
      if (set) return true;
    } else if (!set || a->log.keysDue(*this)) {
      return true;
    }
  }
  return false;
}

}  // namespace Routing::Fhrp::attrlog
