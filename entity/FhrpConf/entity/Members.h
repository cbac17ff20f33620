// The member tables of generated types: one row per member, in declaration
// order, with the id that notification failures, attributeString,
// reflection and the attribute log all use.
#pragma once

#include <Xel/Types.h>

#include <cstdint>
#include <span>

namespace Routing::Fhrp::entity {

enum class MemberKind : std::uint8_t { key, attribute, constant, computed, collection, child };

struct MemberInfo {
  Xel::AttributeId id;
  char const* name;
  MemberKind kind;
};

// The name of the member with id `id`, or null when the table has none.
constexpr char const* memberName(std::span<MemberInfo const> members, Xel::AttributeId id) {
  for (MemberInfo const& m : members) {
    if (m.id == id) return m.name;
  }
  return nullptr;
}

}  // namespace Routing::Fhrp::entity
