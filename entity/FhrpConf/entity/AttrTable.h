// The attribute table of a generated type.
//
// OVERVIEW
//   Every type of the model carries one table, generated from the schema:
//   one row per attribute, in id order, with everything the rest of the
//   system needs to know about that attribute. Type registration defines
//   the registered attributes from it, attributeString names ids from it,
//   and the generic interface and the attribute log read, write and walk
//   attributes through it. No other place records an attribute's id, name,
//   kind or types: a new schema line adds a row, and every reader follows.
//
//   A row says:
//     id, name      as registered; the ids of notification failures too
//     kind          how the attribute is held (see AttrKind)
//     flags         settable, key, virtual access, constant, computed
//     logBit        its dirty (single-valued) or has-synced (collection) bit
//                   in the attribute log's bit set, from 1; 0 when the log
//                   does not carry it
//     value, key    the value type (of a collection: of its values; of a
//                   child attribute: the child's type) and, for collections
//                   and children, the key type, each as a descriptor
//                   function and the name the registry knows the type by
//     childKey      for a child attribute, the name of the child's key
//                   attribute ("name" for a child keyed by its name)
//     valueCodec,   how values and keys travel on the attribute log (null
//     keyCodec      where there is nothing of that kind to carry)
//     access        type-erased calls into the class's own accessors
//     log           what the attribute log does with the attribute: write
//                   its value, handle a change of a collection member,
//                   flush a collection, read a record back (made by the
//                   log's templates)
//
//   A type's entry (TypeInfo) adds, for an entity, its written attributes
//   by log bit: the order in which the log writes and flushes them.
//
// ACCESS
//   The access functions take the object as a pointer to the complete
//   object (for an entity or counted object, `dynamic_cast<void const*>`
//   of any pointer to it; for a value, the value's address) and values as
//   pointers to the attribute's C++ type. Child entities come and go as
//   Xel::Entity: a child read is written to an Xel::Ptr<Xel::Entity>, a
//   walk passes Xel::Entity const*. A function the attribute does not
//   support is null.
//
// THREAD SAFETY
//   Tables are constant and may be read from any thread; the access
//   functions are as safe as the accessors they call.
#pragma once

#include <Xel/NboAttrLog.h>
#include <Xel/Ptr.h>
#include <Xel/String8.h>
#include <Xel/Types.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace Xel {
class HashMapGeneric;
class XelType;
class StreamAdapter;
namespace NboAttrLog {
class FlowOut;
}
}  // namespace Xel

namespace Routing::Fhrp::entity {

enum class AttrKind : std::uint8_t {
  plain,            // one value of a plain type: a number, a bool, an address
  string,           // one Xel::String8 (carried on the log in pieces)
  enumeration,      // one enumerator (checked when read back from the log)
  valueCollection,  // keys to plain values
  childCollection,  // keys to child entities
  singleChild,      // one child entity, keyed by its name
};

struct AttrFlags {
  bool settable = false;       // has a setter (a collection changes through its members)
  bool key = false;            // fixed at construction: a key or constructor argument
  bool virtualAccess = false;  // its mutators are virtual members of the class
  bool constant = false;       // a fixed value of the type
  bool computed = false;       // derived from the other attributes
  bool introspected = false;   // a computed attribute the framework introspects
};

// A type as the table refers to it.
struct TypeRef {
  Xel::XelType* (*descriptor)() = nullptr;
  char const* name = nullptr;  // as registered: "U32", "Xel::String", "Pelno::IntfId"
};

// How one kind of value travels on the attribute log.
struct Codec {
  // The size of the value on the log when it is one fixed-size primitive
  // (a record header then says so); 0 for a value of variable size.
  std::uint8_t fixedSize = 0;
  void (*write)(Xel::Ptr<Xel::NboAttrLog::Out> const& out, void const* value) = nullptr;
  void (*read)(Xel::NboAttrLog::In& in, void* value) = nullptr;
  // Reads a value and gives its text form, for tools that show a log.
  Xel::String8 (*text)(Xel::NboAttrLog::In& in) = nullptr;
};

struct AttrInfo;

// What the attribute log does with one attribute (see FhrpConf/attrlog/).
// The adapter passed is the model's (an attrlog::Adapter).
struct LogAccess {
  // A single-valued attribute or a key: writes the value it holds now.
  void (*writeValue)(Xel::Ptr<Xel::NboAttrLog::Out> const& out, void const* object) = nullptr;
  // A collection. onMember: the change handler for the member under `key`.
  // writeMember: writes or queues the member under `key` with `value` (for
  // a child collection, the child itself), or its removal when `removed`.
  // flush: the collection's part of a scheduled flush; true when complete.
  // keysDue: whether the flow-out holds keys of the collection still due.
  void (*onMember)(Xel::StreamAdapter& sa, AttrInfo const& a, void const* key) = nullptr;
  void (*writeMember)(Xel::StreamAdapter& sa, AttrInfo const& a, void const* key, void const* value,
                      bool removed) = nullptr;
  bool (*flush)(Xel::StreamAdapter& sa, AttrInfo const& a) = nullptr;
  bool (*keysDue)(Xel::NboAttrLog::FlowOut const& flowOut) = nullptr;
  // Reading. read: takes one record's payload for the attribute off `in`
  // (a member's or child's removal when `removal`) and, when `apply`,
  // applies it to the entity; otherwise hands the attribute or the key to
  // the adapter's change handler. Plain values, enumerations and
  // collections; texts and single children the adapter reads itself.
  // mark, sweep: a collection's start and end markers.
  void (*read)(Xel::StreamAdapter& sa, AttrInfo const& a, Xel::NboAttrLog::In& in, bool removal,
               bool apply) = nullptr;
  void (*mark)(Xel::StreamAdapter& sa, AttrInfo const& a) = nullptr;
  void (*sweep)(Xel::StreamAdapter& sa, AttrInfo const& a) = nullptr;
};

// Visits one member of a collection: its key and its value (a child as
// Xel::Entity const*). Returning false ends the walk.
using MemberVisit = bool (*)(void* context, void const* key, void const* value);

struct Access {
  // Single-valued attributes, constants and computed ones; a single child
  // reads as Xel::Ptr<Xel::Entity> and is set (created or replaced) from
  // its Xel::Name.
  void (*get)(void const* object, void* value) = nullptr;
  void (*set)(void* object, void const* value) = nullptr;
  // Collections. memberGet reports whether the key is present and, if so
  // and `value` is not null, writes its value (a child as
  // Xel::Ptr<Xel::Entity>); memberSet sets a value, or makes the child of
  // that key (the value is then unused); memberDel removes a member, or a
  // single child (the key is then unused), and reports whether there was
  // one.
  bool (*memberGet)(void const* object, void const* key, void* value) = nullptr;
  void (*memberSet)(void* object, void const* key, void const* value) = nullptr;
  bool (*memberDel)(void* object, void const* key) = nullptr;
  Xel::U32 (*members)(void const* object) = nullptr;
  // Walks the members in the collection's iteration order; false when the
  // visit ended the walk early.
  bool (*iterate)(void const* object, MemberVisit visit, void* context) = nullptr;
  // For walks that step on their own (the generic interface's iterators):
  // the collection's map, where a key places itself in it (its hash bit
  // reversed, as the map orders members), and a member's key and value (a
  // child as Xel::Ptr<Xel::Entity>), the member as the map holds it.
  Xel::HashMapGeneric const* (*map)(void const* object) = nullptr;
  Xel::U32 (*keyPlace)(void const* key) = nullptr;
  void (*memberKey)(Xel::PtrInterface const* member, void* key) = nullptr;
  void (*memberValue)(Xel::PtrInterface const* member, void* value) = nullptr;
};

struct AttrInfo {
  Xel::AttributeId id = 0;
  char const* name = nullptr;
  AttrKind kind = AttrKind::plain;
  AttrFlags flags{};
  std::uint8_t logBit = 0;
  TypeRef value{};
  TypeRef key{};
  char const* childKey = nullptr;
  Codec const* valueCodec = nullptr;
  Codec const* keyCodec = nullptr;
  Access access{};
  LogAccess log{};

  constexpr bool isCollection() const noexcept {
    return kind == AttrKind::valueCollection || kind == AttrKind::childCollection;
  }
  constexpr bool isChild() const noexcept {
    return kind == AttrKind::childCollection || kind == AttrKind::singleChild;
  }
};

enum class TypeKind : std::uint8_t {
  entity,  // an Xel::Entity: named or keyed, observed, carried on the log
  object,  // a counted Xel::PtrInterface that is not an entity
  value,   // a plain value, copied freely
};

struct TypeInfo {
  char const* name = nullptr;      // "TrackedObject"
  char const* fullName = nullptr;  // "Routing::Fhrp::TrackedObject"
  TypeKind kind = TypeKind::entity;
  bool named = false;  // keyed by its Xel::Name rather than by a key attribute
  std::size_t size = 0;
  Xel::XelType* (*descriptor)() = nullptr;
  std::span<AttrInfo const> attrs;
  // An entity's written attributes (AttrInfo::logBit), by bit from 1, and
  // which of their bits are collections' has-synced bits.
  std::span<AttrInfo const* const> written;
  std::uint32_t syncedBits = 0;
  // Keeps the access operators of Xel::Ptr to the type reachable for tools
  // that inspect the loaded library (object types only).
  void (*forcePointerAccess)() = nullptr;
};

// The row of attribute `id`, or null. A type's ids follow one another
// from its first (the generator refuses a gap), so the row is found by
// its place; the walk is for a table made otherwise.
constexpr AttrInfo const* findAttr(TypeInfo const& type, Xel::AttributeId id) noexcept {
  if (type.attrs.empty()) return nullptr;
  Xel::AttributeId const at = id - type.attrs.front().id;
  if (at < type.attrs.size() && type.attrs[at].id == id) return &type.attrs[at];
  for (AttrInfo const& a : type.attrs) {
    if (a.id == id) return &a;
  }
  return nullptr;
}

// The row of the attribute named `name`, or null.
constexpr AttrInfo const* findAttr(TypeInfo const& type, std::string_view name) noexcept {
  for (AttrInfo const& a : type.attrs) {
    if (name == a.name) return &a;
  }
  return nullptr;
}

// The key attribute of a keyed type, or null for a named one (and for a
// value type, the first of its keys).
constexpr AttrInfo const* keyAttr(TypeInfo const& type) noexcept {
  for (AttrInfo const& a : type.attrs) {
    if (a.flags.key) return &a;
  }
  return nullptr;
}

}  // namespace Routing::Fhrp::entity
