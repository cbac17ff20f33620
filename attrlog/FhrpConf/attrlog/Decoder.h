// Decoder: an attribute log's records as a person (or a test) reads them.
//
// OVERVIEW
//   Each record is decoded against the attribute table of its entity's
//   type: the attribute's name, what the record does to it, and its key
//   and value in their text forms. The decoder learns each entity's type
//   from the records that bring entities onto the log: an entity-creation
//   record names the type, a child-creation record names the child's
//   attribute, whose table row gives the child's type. A record of an
//   entity the decoder has not seen created is decoded as far as its
//   header goes (type and attr stay null).
//
// ERRORS
//   A payload that does not read as its record kind says, an attribute id
//   the entity's type does not write, or bytes left over raise
//   Xel::RangeException with the record's offset in the message.
//
// TYPICAL USAGE
//   Routing::Fhrp::attrlog::Decoder decoder;
//   Xel::NboAttrLog::RecordReader reader(bytes);
//   Xel::NboAttrLog::Record r;
//   while (reader.next(&r)) std::cout << decoder.decode(r).line() << "\n";
#pragma once

#include <FhrpConf/Export.h>
#include <FhrpConf/entity/AttrTable.h>
#include <Xel/EntityId.h>
#include <Xel/NboAttrLog.h>
#include <Xel/String8.h>

#include <unordered_map>

namespace Routing::Fhrp::attrlog {

class FHRPCONF_EXPORT Decoder {
 public:
  // What a record does.
  enum class Op {
    entity,    // entity creation: `value` the type's name, `key` the key, `child` the id
    set,       // a single-valued attribute: `value`
    piece,     // a piece of a text: `value` the piece, at `textOffset` of `textTotal`
    member,    // a value-collection member, present: `key`, `value`
    removed,   // a value-collection member, removed: `key`
    created,   // a child created: `key` (a single child: its name), `child` its id
    deleted,   // a child deleted: `key` (empty for a single child)
    start,     // a collection's full contents begin (transaction marker)
    end,       // they end
    abort,     // they are given up
    syncMode,  // the peer's sync mode: `value`
    unknown,   // a record of an entity not seen created
  };

  struct Item {
    std::size_t offset = 0;
    Xel::EntityId entity;
    entity::TypeInfo const* type = nullptr;
    int attrId = 0;
    // The attribute's row; a marker's collection. Null for the log's own
    // records and for unknown entities.
    entity::AttrInfo const* attr = nullptr;
    Op op = Op::unknown;
    Xel::String8 key;
    Xel::String8 value;
    Xel::EntityId child;
    Xel::U32 textTotal = 0;
    Xel::U32 textOffset = 0;

    // One line: offset, entity id, type and attribute, operation, values.
    Xel::String8 line() const;
  };

  // The type registered under `fullName` ("Routing::Fhrp::TrackedObject"),
  // or null.
  static entity::TypeInfo const* typeNamed(Xel::String8 const& fullName);
  static char const* opName(Op op) noexcept;

  Item decode(Xel::NboAttrLog::Record const& record);
  // The type of entity `id` as learnt so far, or null.
  entity::TypeInfo const* typeOf(Xel::EntityId id) const;

 private:
  struct IdHash {
    std::size_t operator()(Xel::EntityId const& id) const noexcept { return id.hash(); }
  };
  std::unordered_map<Xel::EntityId, entity::TypeInfo const*, IdHash> types_;
};

}  // namespace Routing::Fhrp::attrlog
