#include "FhrpConf/attrlog/Decoder.h"

#include <FhrpConf/reflect/Registration.h>
#include <Xel/Exception.h>
#include <Xel/Text.h>
#include <Xel/XelType.h>

#include <algorithm>
#include <cstdlib>

#include "FhrpConf/attrlog/LogTable.h"

namespace Routing::Fhrp::attrlog {

using entity::AttrInfo;
using entity::AttrKind;
using Xel::String8;
using Xel::NboAttrLog::In;

namespace {

String8 textOf(entity::Codec const* codec, In& in) {
  return codec->text(in);
}

String8 idText(Xel::EntityId id) {
  return Xel::format("%u.%u", id.word0, id.word1);
}

}  // namespace

entity::TypeInfo const* Decoder::typeNamed(String8 const& fullName) {
  auto const* type = dynamic_cast<reflect::ModelType const*>(Xel::XelType::typeNode(fullName));
  return type ? &type->info() : nullptr;
}

char const* Decoder::opName(Op op) noexcept {
  switch (op) {
    case Op::entity:
      return "entity";
    case Op::set:
      return "set";
    case Op::piece:
      return "piece";
    case Op::member:
      return "member";
    case Op::removed:
      return "removed";
    case Op::created:
      return "created";
    case Op::deleted:
      return "deleted";
    case Op::start:
      return "start";
    case Op::end:
      return "end";
    case Op::abort:
      return "abort";
    case Op::syncMode:
      return "syncMode";
    case Op::unknown:
      break;
  }
  return "unknown";
}

entity::TypeInfo const* Decoder::typeOf(Xel::EntityId id) const {
  auto const it = types_.find(id);
  return it == types_.end() ? nullptr : it->second;
}

Decoder::Item Decoder::decode(Xel::NboAttrLog::Record const& r) {
  Item item;
  item.offset = r.offset;
  item.entity = r.header.entityId;
  item.attrId = r.header.attrId;
  In in(r.payload);
  auto fail = [&r](String8 const& what) {
    Xel::throwRangeException(Xel::format("record at offset %zu: ", r.offset) + what);
  };
  try {
    if (r.header.creationTag != 0 && r.header.creationTag != Xel::NboAttrLog::childCreationTag) {
      fail(Xel::format("creation tag %u is neither 0 nor 151", r.header.creationTag));
    }
    if (r.header.attrId == Xel::NboAttrLog::entityCreationAttrId) {
      if (r.header.entityId != Xel::NboAttrLog::creationEntityId) {
        fail("an entity creation under an entity id other than 1.0");
      }
      item.op = Op::entity;
      if (in.nextU8() != 1) fail("entity creation without payload section 1");
      item.value = in.nextTypeId().name;
      item.type = typeNamed(item.value);
      if (!item.type) fail(String8("entity creation of unknown type ") + item.value);
      if (in.nextU8() != 3) fail("entity creation without payload section 3");
      AttrInfo const* key = entity::keyAttr(*item.type);
      item.key = key ? textOf(key->valueCodec, in) : Xel::valueToStrep(in.nextString8());
      if (in.nextU8() != 4) fail("entity creation without payload section 4");
      item.child = in.nextEntityId();
      types_[item.child] = item.type;
    } else {
      item.type = typeOf(item.entity);
      if (!item.type) return item;  // an entity not seen created: the header is all
      auto const id = static_cast<Xel::AttributeId>(std::abs(r.header.attrId));
      if (r.header.attrId == Xel::NboAttrLog::transactionMarkerAttrId) {
        item.attr = writtenAttr(*item.type, in.nextU32());
        if (!item.attr || !item.attr->isCollection()) fail("transaction marker of no collection");
        Xel::U32 const type = in.nextU32();
        if (type > 2) fail(Xel::format("transaction marker of unknown type %u", type));
        item.op = type == 0 ? Op::start : type == 1 ? Op::abort : Op::end;
        item.value = Xel::format("%u", in.nextU32());
      } else if (r.header.attrId == Xel::NboAttrLog::syncModeAttrId) {
        item.op = Op::syncMode;
        item.value = Xel::format("%u", in.nextU32());
      } else {
        item.attr = writtenAttr(*item.type, id);
        if (!item.attr) {
          fail(Xel::format("attribute id %d is not written by ", r.header.attrId) +
               String8(item.type->fullName));
        }
        bool const removal = r.header.attrId < 0;
        AttrInfo const& a = *item.attr;
        switch (a.kind) {
          case AttrKind::plain:
          case AttrKind::enumeration:
            if (removal) fail("a negative id for a single-valued attribute");
            item.op = Op::set;
            item.value = textOf(a.valueCodec, in);
            break;
          case AttrKind::string:
            if (removal) fail("a negative id for a text");
            item.op = Op::piece;
            item.textTotal = in.nextU32();
            item.textOffset = in.nextU32();
            item.value = in.nextString8();
            if (item.textOffset > item.textTotal ||
                item.value.size() > item.textTotal - item.textOffset) {
              fail("a text piece beyond the text's size");
            }
            break;
          case AttrKind::valueCollection:
            item.op = removal ? Op::removed : Op::member;
            item.key = textOf(a.keyCodec, in);
            if (!removal) item.value = textOf(a.valueCodec, in);
            break;
          case AttrKind::childCollection:
          case AttrKind::singleChild:
            item.op = removal ? Op::deleted : Op::created;
            if (a.kind == AttrKind::childCollection) {
              item.key = textOf(a.keyCodec, in);
            } else if (!removal) {
              item.key = Xel::valueToStrep(in.nextString8());
            }
            if (!removal) {
              if (r.header.creationTag != Xel::NboAttrLog::childCreationTag) {
                fail("a child creation without creation tag 151");
              }
              item.child = in.nextEntityId();
              entity::TypeInfo const* child = typeNamed(String8(a.value.name));
              if (!child) fail(String8("a child of unknown type ") + String8(a.value.name));
              types_[item.child] = child;
            }
            break;
        }
      }
    }
  } catch (Xel::RangeException const& e) {
    if (e.message().view().starts_with("record at offset")) throw;
    fail(e.message());
  }
  if (item.op != Op::created && item.op != Op::unknown && r.header.creationTag != 0) {
    fail("creation tag 151 on a record that creates no child");
  }
  if (!in.atEnd()) fail(Xel::format("%zu bytes left over after the payload", in.remaining()));
  return item;
}

String8 Decoder::Item::line() const {
  String8 out = Xel::format("%zu %s ", offset, idText(entity).c_str());
  out += String8(type ? type->name : "?");
  if (attr) out += String8(".") + String8(attr->name) + Xel::format("(%u)", attr->id);
  out += String8(" ") + String8(opName(op));
  switch (op) {
    case Op::entity:
      out += String8(" ") + value + String8(" ") + key + String8(" as ") + idText(child);
      break;
    case Op::piece:
      out += Xel::format(" %u/%u ", textOffset, textTotal) + Xel::valueToStrep(value);
      break;
    case Op::created:
      out += String8(" ") + key + String8(" as ") + idText(child);
      break;
    case Op::member:
      out += String8(" ") + key + String8(" ") + value;
      break;
    case Op::removed:
    case Op::deleted:
      if (!key.empty()) out += String8(" ") + key;
      break;
    case Op::unknown:
      out += Xel::format(" attribute %d", attrId);
      break;
    default:
      if (!value.empty()) out += String8(" ") + value;
      break;
  }
  return out;
}

}  // namespace Routing::Fhrp::attrlog
