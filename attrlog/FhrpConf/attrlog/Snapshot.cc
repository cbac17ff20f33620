#include "FhrpConf/attrlog/Snapshot.h"

#include <FhrpConf/reflect/Registration.h>
#include <Xel/NboAttrLog.h>
#include <Xel/Text.h>

#include "FhrpConf/attrlog/LogTable.h"

namespace Routing::Fhrp::attrlog {

namespace {

// A value's text: written with the row's own log function or codec, read
// back with its codec's text function, as the decoder reads it.
template <class Write>
std::string text(entity::Codec const* codec, Write const& write) {
  Xel::Ptr<Xel::NboAttrLog::Out> const scratch = Xel::NboAttrLog::Out::outNew();
  write(scratch);
  Xel::NboAttrLog::In in(scratch->bytes());
  return std::string(codec->text(in).view());
}

std::string quoted(Xel::String8 const& name) {
  return std::string(Xel::valueToStrep(name).view());
}

void print(std::ostream& os, Snapshot const& t, std::string const& indent) {
  os << t.type << "\n";
  for (auto const& [name, v] : t.values) os << indent << "  " << name << " = " << v << "\n";
  for (auto const& [name, m] : t.members) {
    os << indent << "  " << name << " {";
    for (auto const& [k, v] : m) os << " " << k << ": " << v << ";";
    os << " }\n";
  }
  for (auto const& [name, m] : t.children) {
    for (auto const& [k, child] : m) {
      os << indent << "  " << name << "[" << k << "] ";
      print(os, child, indent + "    ");
    }
  }
}

}  // namespace

std::ostream& operator<<(std::ostream& os, Snapshot const& t) {
  print(os, t, "");
  return os;
}

Snapshot snapshot(Xel::Entity const& e) {
  entity::TypeInfo const& type = reflect::typeInfoOf(e);
  void const* const object = dynamic_cast<void const*>(&e);
  Snapshot t;
  t.type = type.fullName;
  for (entity::AttrInfo const* a : type.written) {
    switch (a->kind) {
      case entity::AttrKind::plain:
      case entity::AttrKind::enumeration:
        t.values[a->name] =
            text(a->valueCodec, [&](auto const& out) { a->log.writeValue(out, object); });
        break;
      case entity::AttrKind::string: {
        Xel::String8 s;
        a->access.get(object, &s);
        t.values[a->name] = std::string(s.view());
        break;
      }
      case entity::AttrKind::valueCollection:
      case entity::AttrKind::childCollection: {
        struct Context {
          entity::AttrInfo const* a;
          Snapshot* t;
        } context{a, &t};
        auto& members = t.members[a->name];
        auto& children = t.children[a->name];
        a->access.iterate(
            object,
            [](void* c, void const* key, void const* value) {
              entity::AttrInfo const* const row = static_cast<Context*>(c)->a;
              Snapshot* const tree = static_cast<Context*>(c)->t;
              std::string const k =
                  text(row->keyCodec, [&](auto const& out) { row->keyCodec->write(out, key); });
              if (row->kind == entity::AttrKind::childCollection) {
                tree->children[row->name][k] = snapshot(*static_cast<Xel::Entity const*>(value));
              } else {
                tree->members[row->name][k] = text(
                    row->valueCodec, [&](auto const& out) { row->valueCodec->write(out, value); });
              }
              return true;
            },
            &context);
        if (members.empty()) t.members.erase(a->name);
        if (children.empty()) t.children.erase(a->name);
        break;
      }
      case entity::AttrKind::singleChild: {
        Xel::Ptr<Xel::Entity> child;
        a->access.get(object, &child);
        if (child) t.children[a->name][quoted(child->name())] = snapshot(*child);
        break;
      }
    }
  }
  return t;
}

}  // namespace Routing::Fhrp::attrlog
