// What the attribute log needs of a type, read off its attribute table.
//
// OVERVIEW
//   The log carries an entity's written attributes: those it stores and may
//   change (single-valued attributes, collections, children), never keys or
//   constants. Each has one bit in the flow-out's bit set, from bit 1 in id
//   order (AttrInfo::logBit): a dirty bit for a single-valued attribute,
//   set while a change waits to be written; a has-synced bit for a
//   collection, set once its full contents have been written. A scheduled
//   flush visits the written attributes in id order and resumes at any of
//   them.
//
//   Everything here is computed from the table; the log's templates never
//   hold a list of their own.
//
// TYPICAL USAGE
//   using namespace Routing::Fhrp;
//   for (entity::AttrInfo const* a = attrlog::firstWritten(info); a;
//        a = attrlog::nextWritten(info, a->id)) {
//     flush(*a);
//   }
#pragma once

#include <FhrpConf/entity/AttrTable.h>
#include <Xel/EntityId.h>
#include <Xel/NboAttrLog.h>
#include <Xel/Types.h>

#include <array>
#include <cstddef>

namespace Routing::Fhrp::attrlog {

// Whether the log carries the attribute.
constexpr bool isWritten(entity::AttrInfo const& a) noexcept {
  return a.logBit != 0;
}

// Whether its bit is a has-synced bit (a collection) rather than a dirty bit.
constexpr bool hasSyncedBit(entity::AttrInfo const& a) noexcept {
  return a.isCollection();
}

constexpr Xel::U32 bitMask(entity::AttrInfo const& a) noexcept {
  return isWritten(a) ? Xel::U32{1} << a.logBit : 0;
}

// The first written attribute, in id order, or null when there is none.
constexpr entity::AttrInfo const* firstWritten(entity::TypeInfo const& type) noexcept {
  for (entity::AttrInfo const& a : type.attrs) {
    if (isWritten(a)) return &a;
  }
  return nullptr;
}

// The first written attribute whose id is above `id`, or null.
constexpr entity::AttrInfo const* nextWritten(entity::TypeInfo const& type,
                                              Xel::AttributeId id) noexcept {
  for (entity::AttrInfo const& a : type.attrs) {
    if (isWritten(a) && a.id > id) return &a;
  }
  return nullptr;
}

// The written attribute of id `id`, or null when the log does not carry it.
constexpr entity::AttrInfo const* writtenAttr(entity::TypeInfo const& type,
                                              Xel::AttributeId id) noexcept {
  entity::AttrInfo const* a = entity::findAttr(type, id);
  return a && isWritten(*a) ? a : nullptr;
}

// The written attribute that owns bit `bit`, or null.
constexpr entity::AttrInfo const* attrOfBit(entity::TypeInfo const& type, unsigned bit) noexcept {
  for (entity::AttrInfo const& a : type.attrs) {
    if (isWritten(a) && a.logBit == bit) return &a;
  }
  return nullptr;
}

// Every written attribute's bit.
constexpr Xel::U32 writtenBits(entity::TypeInfo const& type) noexcept {
  Xel::U32 const n = static_cast<Xel::U32>(type.written.size());
  return n == 0 ? 0 : ((Xel::U32{1} << n) - 1) << 1;
}

// The bit set of a flow-out that starts at attribute `start`: everything
// from `start` on is due (dirty), everything before it counts as written
// (synced). Start 0 makes every attribute due; a start above every id makes
// none due.
constexpr Xel::U32 initialBits(entity::TypeInfo const& type, Xel::AttributeId start) noexcept {
  // The two starts a flow-out is made with, without a walk.
  if (start == 0) return writtenBits(type) & ~type.syncedBits;
  if (start == 0x7fffffff) return type.syncedBits;
  Xel::U32 bits = 0;
  for (entity::AttrInfo const* a : type.written) {
    bool const due = a->id >= start;
    if (hasSyncedBit(*a) ? !due : due) bits |= bitMask(*a);
  }
  return bits;
}

// Whether a flow-out's bit set still owes the log something: a dirty bit
// set, or a collection not yet synced.
constexpr bool owesWrites(entity::TypeInfo const& type, Xel::U32 bits) noexcept {
  return (bits & writtenBits(type) & ~type.syncedBits) != 0 || (~bits & type.syncedBits) != 0;
}

// The has-synced bits of `attrs`: a type's TypeInfo::syncedBits.
template <std::size_t N>
constexpr Xel::U32 syncedBits(entity::AttrInfo const (&attrs)[N]) noexcept {
  Xel::U32 bits = 0;
  for (entity::AttrInfo const& a : attrs) {
    if (isWritten(a) && hasSyncedBit(a)) bits |= bitMask(a);
  }
  return bits;
}

// How many of `attrs` the log writes.
template <std::size_t N>
constexpr std::size_t writtenCount(entity::AttrInfo const (&attrs)[N]) noexcept {
  std::size_t n = 0;
  for (entity::AttrInfo const& a : attrs) n += isWritten(a) ? 1 : 0;
  return n;
}

// The header of a record of attribute `a` (its removal or deletion when
// `removal`) for the entity going by `entity`: a single bool or u32 value,
// and a single child's deletion, are of fixed size; everything else is of
// variable size; a child's creation carries the creation tag. Writers
// write it, and the reader refuses a record whose header differs.
constexpr Xel::NboAttrLog::MsgHeader recordHeader(entity::AttrInfo const& a, bool removal,
                                                  Xel::EntityId entity) noexcept {
  std::uint8_t fixed = 0;
  bool variable = true;
  if (a.kind == entity::AttrKind::plain || a.kind == entity::AttrKind::enumeration) {
    fixed = a.valueCodec->fixedSize;
    variable = fixed == 0;
  } else if (a.kind == entity::AttrKind::singleChild && removal) {
    variable = false;
  }
  int const id = static_cast<int>(a.id);
  return {.entityId = entity,
          .attrId = removal ? -id : id,
          .variableSize = static_cast<Xel::U8>(variable ? 1 : 0),
          .fixedSize = fixed,
          .creationTag = a.isChild() && !removal ? Xel::NboAttrLog::childCreationTag : 0};
}

// The written attributes of `attrs` by log bit (bit 1 first): a type's
// TypeInfo::written, made where its table is.
template <std::size_t Count, std::size_t N>
constexpr std::array<entity::AttrInfo const*, Count> writtenRows(
    entity::AttrInfo const (&attrs)[N]) noexcept {
  std::array<entity::AttrInfo const*, Count> rows{};
  for (entity::AttrInfo const& a : attrs) {
    if (isWritten(a)) rows[a.logBit - 1] = &a;
  }
  return rows;
}

}  // namespace Routing::Fhrp::attrlog
