"""Writing the registration of the schema's types with the framework.

What each attribute is registered with follows from its kind (and, for the
odd case, a tag): the flag combinations below are the framework's, and the
schema line decides which one an attribute carries. One generated file holds
every type's descriptor class and _fwkType(), the introspection walk, the
library's static initialiser and the `.xel.type` section.
"""

from __future__ import annotations

import dataclasses

from .emit import subst
from .schema import Member, Schema, Type
from .types import CPP

# The flag combinations: (first word, second word, introspection flags).
FLAGS = {
    "L": (0x00022001, 0x00000400, 8),  # xelHasAttrLogInterface
    "K": (0x00220109, 0x40000400, 2),  # keys and constructor arguments
    "C": (0x00220001, 0x40000410, 0),  # constants
    "H": (0x00220001, 0x00000400, 0),  # computed hashes
    "H8": (0x00020001, 0x00000400, 8),  # a hash that is introspected
    "R": (0x00220107, 0x00000400, 2),  # a value type's field set after construction
    "S": (0x00220143, 0x01000400, 2),  # settable attributes
    "SV": (0x00222143, 0x01000400, 2),  # settable, through virtual accessors
    "V": (0x01a20143, 0x01000400, 2),  # collections of values
    "VV": (0x01a22143, 0x01000400, 2),  # the same, virtual
    "P": (0x01a20103, 0x00000400, 2),  # a plain object's collection
    "FK": (0x00200001, 0x00000400, 0),  # fwkKey
    "E": (0x09a20143, 0x11000400, 0x22),  # collections of child entities
    "EV": (0x09a22143, 0x11000400, 0x22),  # the same, virtual
    "E1": (0x08220143, 0x11000400, 0x02),  # single child entities
}


@dataclasses.dataclass
class Row:
    id: int
    name: str
    value: str  # descriptor expression of the value type
    key: str  # descriptor expression of the key type, or nullptr
    flags: str  # a key of FLAGS
    child: Type | None = None  # for child-entity attributes
    key_attr: str = ""  # the child's key attribute name
    key_type_name: str = ""  # the registered name of the child's key type


def descriptor(schema: Schema, type_name: str) -> str:
    t = schema.type(type_name)
    if t is not None:
        return f"{t.name}::_fwkType()"
    return CPP[type_name].descriptor


def registered_name(schema: Schema, type_name: str) -> str:
    if schema.type(type_name) is not None:
        return f"{schema.namespace}::{type_name}"
    return CPP[type_name].registered


def rows(schema: Schema, t: Type) -> list[Row]:
    """The attributes `t` registers itself, in registration order."""
    virtual = t.virtual
    out = []
    if t.kind == "entity":
        out.append(Row(154, "xelHasAttrLogInterface", descriptor(schema, "bool"), "nullptr", "L"))
    for m in t.members:
        value = descriptor(schema, m.type)
        if m.kind == "key":
            out.append(Row(m.id, m.name, value, "nullptr", "K"))
        elif m.kind == "attr":
            constant = Row(m.default_id, m.default_name, value, "nullptr", "C")
            own = Row(m.id, m.name, value, "nullptr",
                      "R" if t.kind == "value" else ("SV" if virtual else "S"))
            if m.default_id is not None and m.default_id < m.id:
                out.append(constant)
            out.append(own)
            if m.default_id is not None and m.default_id > m.id:
                out.append(constant)
        elif m.kind == "const":
            out.append(Row(m.id, m.name, value, "nullptr", "C"))
        elif m.kind == "computed":
            out.append(Row(m.id, m.name, value, "nullptr", "H8" if "H8" in m.tags else "H"))
        elif m.kind == "collection":
            child = schema.type(m.type)
            key = descriptor(schema, m.key_type)
            if child is not None and child.kind == "entity":
                out.append(Row(m.id, m.name, value, key, "EV" if virtual else "E", child,
                               child.key.name, registered_name(schema, m.key_type)))
            else:
                flags = "P" if t.kind == "object" else ("VV" if virtual else "V")
                out.append(Row(m.id, m.name, value, key, flags))
        elif m.kind == "child":
            out.append(Row(m.id, m.name, value, "nullptr", "E1", schema.type(m.type), "name",
                           "Xel::Name"))
    if t.kind == "entity" and not t.named:
        out.append(Row(0, "fwkKey", descriptor(schema, t.key.type), "nullptr", "FK"))
    return out


def constructor_args(schema: Schema, t: Type) -> list[tuple[str, str]]:
    if t.named:
        return [("name", "Xel::Name")]
    return [(m.name, registered_name(schema, m.type)) for m in t.members if m.kind == "key"]


def cached_attrs(t: Type, own: list[Row]) -> list[str]:
    """The attributes whose descriptors the log adapters keep, in order."""
    if t.kind == "value":
        return []
    if t.kind == "object":
        return [r.name for r in own]
    named = [r for r in own if r.id not in (0, 154)]
    names = ["xelNboAttrLogSaForMsgChannel", "xelHasAttrLogInterface"]
    names += [r.name for r in sorted(named, key=lambda r: r.id)]
    if any(r.id == 0 for r in own):
        names.append("fwkKey")
    return names


TYPE_CLASS = """// $full$
class $T$::_Type : public Xel::XelType {
 public:
  _Type() : XelType(Xel::Name("$T$"), nullptr, $base$, XelTypeFlags{}) {}
  ~_Type() override = default;
$newEntity$
  // The attribute descriptors the attribute-log adapter works from.
  std::vector<Xel::Ptr<Xel::XelAttr const>> cachedAttrs;
};

Xel::XelType* $T$::xelType_ = nullptr;

Xel::XelType* $T$::_fwkType() {
  if ($T$::xelType_) return $T$::xelType_;
  xelInitFhrpConfig();
  if ($T$::xelType_) return $T$::xelType_;
  auto* type = new _Type();
  $T$::xelType_ = type;
  type->referencesLeak();
$derive$  return type;
}
$fwkType$"""

NEW_ENTITY = """
  Xel::Ptr<Xel::Entity> newEntity(Xel::Name const& name, Xel::Dir*) const override {
    return $factory$(name);
  }
"""

DERIVE = """  // Known to its base as a derived type, held across the call.
  Xel::Ptr<Xel::XelType> const hold(type);
  $base$->derivedTypeQEnq(hold);
"""

SOURCE = """\\
// Generated by tools/fhrp-gen from $schema$: do not edit.
// Registration of the model's types with the framework's type registry.
#include <FhrpConf/FhrpConfig.h>
#include <Pelno/Types.h>
#include <Xel/IntrospectionReactor.h>
#include <Xel/XelType.h>

#include <cstring>
#include <vector>

namespace $ns$ {
namespace {

void xelInitFhrpConfig();

// Keeps both access operators of Xel::Ptr<T> reachable for tools.
template <class T>
void forcePointerAccess() {
  auto star = &Xel::Ptr<T>::operator*;
  auto arrow = &Xel::Ptr<T>::operator->;
  void const* address;
  std::memcpy(&address, &star, sizeof address);
  Xel::forcePointerAccessH(address);
  std::memcpy(&address, &arrow, sizeof address);
  Xel::forcePointerAccessH(address);
}

// Defines one plain attribute through the reactor.
void plainAttr(Xel::IntrospectionReactor& reactor, Xel::XelType* type, char const* name,
               Xel::XelType* value, Xel::XelType* key, Xel::U32 first, Xel::U32 second,
               Xel::U32 introspection, Xel::AttributeId id) {
  reactor.defNoninstantiatingAttr(type, Xel::Name(name), value, key,
                                  Xel::XelAttr::AttrFlags{first, second}, introspection, id);
}

// Defines one child-entity attribute; a null `keyAttr` is a single child.
void childAttr(Xel::IntrospectionReactor& reactor, Xel::XelType* type, char const* name,
               Xel::XelType* child, Xel::XelType* keyType, char const* keyAttr,
               char const* keyTypeName, Xel::U32 first, Xel::U32 second, Xel::AttributeId id) {
  Xel::XelAttr* node = type->attributeNode();
  node->attrDel(Xel::Name(name));
  Xel::XelAttr* key = keyType ? node->attr(Xel::Name(keyAttr)) : nullptr;
  Xel::Ptr<Xel::XelAttr> attr =
      node->attrIs(Xel::Name(name), child, key, nullptr, Xel::XelAttr::AttrFlags{first, second}, id);
  if (keyType) {
    attr->keyTypeIs(keyType);
    attr->keyAttrNameIs(keyAttr);
    attr->keyTypeNameIs(keyTypeName);
    attr->keyAttrNameIs(keyAttr);
    attr->valueIs(0);
    attr->introspectionFlagsIs(0x22);
  } else {
    attr->keyAttrNameIs("name");
    attr->keyTypeNameIs("Xel::Name");
    attr->introspectionFlagsIs(0x02);
  }
  type->attributeQEnq(attr);
  reactor.handleAttr(attr);
  reactor.handleAttrContextExit();
}

// Copies the base type's attributes into a derived type.
void inherit(Xel::IntrospectionReactor& reactor, Xel::XelType* type) {
  for (auto const& attr : type->base()->attributes()) {
    Xel::Ptr<Xel::XelAttr> copy = attr->copyFor(type);
    type->attributeQEnq(copy);
    reactor.handleAttr(copy);
    reactor.handleAttrContextExit();
  }
}

}  // namespace

$classes$

namespace {

bool walkHasRun = false;

// Describes every type and attribute to the introspection reactor; runs
// once, and only while an enabled handler listens.
void xelInitFhrpConfig() {
  if (walkHasRun) return;
  Xel::Ptr<Xel::IntrospectionReactor> reactor = Xel::IntrospectionReactor::global();
  if (!reactor->active()) return;
  walkHasRun = true;
$ensure$
$open$
$walk$
$close$
}

// Keeps the descriptors of `names`, looked up on the type's attribute node.
void cache(Xel::XelType* type, std::vector<Xel::Ptr<Xel::XelAttr const>>& kept,
           std::initializer_list<char const*> names) {
  for (char const* name : names) kept.emplace_back(type->attributeNode()->attr(Xel::Name(name)));
}

// Runs when the library is loaded.
struct Registration {
  Registration() {
$register$
    xelInitFhrpConfig();
  }
};
Registration const registration;

// The full names of the library's types, last registered first, for tools
// that read the library file.
[[gnu::section(".xel.type"), gnu::used]] char const xelTypeNames[] =
$section$;

}  // namespace
}  // namespace $ns$
"""


def _walk_type(schema: Schema, t: Type) -> str:
    lines = [f"  {{  // {t.name}",
             f"    Xel::XelType* type = {t.name}::_fwkType();",
             f"    reactor->handleType(type, {'type->base()' if t.kind != 'value' else 'nullptr'});",
             f"    type->sizeIs(sizeof({t.name}));"]
    if t.kind == "entity":
        lines.append("    type->isEntityIs(true);")
    elif t.kind == "value":
        lines.append("    type->isValueIs(true);")
    lines.append("    type->hasGenericIfSupportIs(true);")
    for name, type_name in constructor_args(schema, t):
        lines.append(f'    type->constructorArgNameQEnq("{name}");')
        lines.append(f'    type->constructorArgTypeQEnq("{type_name}");')
    if t.kind != "value":
        lines.append("    inherit(*reactor, type);")
    for r in rows(schema, t):
        first, second, intro = FLAGS[r.flags]
        if r.child is not None:
            key = "nullptr" if r.flags == "E1" else r.key
            lines.append(f'    childAttr(*reactor, type, "{r.name}", {r.value}, {key}, '
                         f'"{r.key_attr}", "{r.key_type_name}", 0x{first:08x}, 0x{second:08x}, '
                         f'{r.id});  // {r.flags}')
        else:
            lines.append(f'    plainAttr(*reactor, type, "{r.name}", {r.value}, {r.key}, '
                         f'0x{first:08x}, 0x{second:08x}, {intro}, {r.id});  // {r.flags}')
    if t.name == "VrId":
        lines.append('    type->valAttrIs(type->attributeNode()->attr(Xel::Name("value")));')
    lines.append("    reactor->handleScopeExit();")
    lines.append("  }")
    return "\n".join(lines)


def registration(schema: Schema, source: str) -> dict[str, str]:
    classes, walk, register = [], [], []
    for t in schema.types:
        base = {"entity": "Xel::Entity::_fwkType()", "object": "Xel::PtrInterface::_fwkType()",
                "value": "nullptr"}[t.kind]
        new_entity = ""
        if "makebyname" in t.options:
            new_entity = subst(NEW_ENTITY, factory=t.name[0].lower() + t.name[1:] + "Factory")
        derive = subst(DERIVE, base=base) if t.kind != "value" else ""
        fwk = "" if t.kind == "value" else (
            f"\nXel::XelType const* {t.name}::fwkType() const {{ return _fwkType(); }}\n")
        classes.append(subst(TYPE_CLASS, full=f"{schema.namespace}::{t.name}", T=t.name,
                             base=base, newEntity=new_entity, derive=derive, fwkType=fwk))
        walk.append(_walk_type(schema, t))
        names = cached_attrs(t, rows(schema, t))
        register.append(f'    Xel::XelType::typeNodeIs({t.name}::_fwkType(), '
                        f'"{schema.namespace}::{t.name}");')
        if names:
            quoted = ", ".join(f'"{n}"' for n in names)
            register.append(f"    cache({t.name}::_fwkType(), static_cast<{t.name}::_Type*>("
                            f"{t.name}::_fwkType())->cachedAttrs, {{{quoted}}});")
    ensure_order = sorted(schema.types, key=lambda t: t.name)
    ensure = []
    for t in ensure_order:
        ensure.append(f"  {t.name}::_fwkType();")
        if t.kind != "value":
            ensure.append(f"  forcePointerAccess<{t.name}>();")
    ensure += ["  Xel::Entity::_fwkType();", "  forcePointerAccess<Xel::Entity>();",
               "  Xel::PtrInterface::_fwkType();", "  forcePointerAccess<Xel::PtrInterface>();"]
    section = "\n".join(f'    "{schema.namespace}::{t.name}\\0"' for t in reversed(schema.types))
    parts = schema.namespace.split("::")
    opens = "\n".join(f'  reactor->handleNameSpace("{p}");' for p in parts)
    closes = "\n".join("  reactor->handleScopeExit();" for _ in parts)
    text = subst(SOURCE, open=opens, close=closes, schema=source, ns=schema.namespace, classes="\n".join(classes),
                 ensure="\n".join(ensure), walk="\n".join(walk), register="\n".join(register),
                 section=section)
    return {"Registration.cc": text}
