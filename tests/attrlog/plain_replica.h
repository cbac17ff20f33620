// Test support for the attribute log: an entity tree as plain maps (the
// library's snapshot), read off the attribute tables only, so that a
// replica and its source compare whatever their types.
#pragma once

#include <FhrpConf/attrlog/Decoder.h>
#include <FhrpConf/attrlog/Snapshot.h>
#include <FhrpConf/entity/AttrTable.h>
#include <FhrpConf/reflect/Registration.h>
#include <Xel/Entity.h>

namespace attrlog_test {

using Routing::Fhrp::attrlog::Decoder;
using Routing::Fhrp::entity::AttrInfo;
using Routing::Fhrp::entity::TypeInfo;

using Tree = Routing::Fhrp::attrlog::Snapshot;
using Routing::Fhrp::attrlog::operator<<;

// The type table of an entity of the model.
inline TypeInfo const& typeOf(Xel::Entity const& e) {
  return Routing::Fhrp::reflect::typeInfoOf(e);
}
// `e` as the log would carry it: every written attribute, member and child.
inline Tree render(Xel::Entity const& e) {
  return Routing::Fhrp::attrlog::snapshot(e);
}

}  // namespace attrlog_test
