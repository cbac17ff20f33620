"""Writing the C++ of entity types.

One emitter per member kind returns the pieces that kind contributes to the
class (public declarations, fields, out-of-line definitions, notifiee
handlers, rows of the member table). The type templates below put the
pieces together; they read like the code they produce, with $name$ holes.
Each piece is placed under the schema line it comes from.
"""

from __future__ import annotations

import dataclasses
import re

from .schema import Member, Schema, Type
from .types import CPP, default_expr

SUPPORT_VERSION = 1

# The namespace of the entity layer, and how generated code spells it: the
# short name inside that namespace's parent, the full one elsewhere.
ENTITY_PARENT = "Routing::Fhrp"

# Handlers the framework's notifiee already has: a model member whose
# handler bears one of these names takes over that slot.
FRAMEWORK_HANDLERS = {"onParent", "onVersion"}


class EmitError(Exception):
    pass


def subst(template: str, **values: str) -> str:
    def one(m: re.Match) -> str:
        if m[1] not in values:
            raise KeyError(f"template hole ${m[1]}$ has no value")
        return values[m[1]]

    return re.sub(r"\$(\w+)\$", one, template)


@dataclasses.dataclass
class Pieces:
    E: str  # how this type's code spells the entity layer's namespace
    includes: set = dataclasses.field(default_factory=set)
    decls: list = dataclasses.field(default_factory=list)  # public, in the class
    fields: list = dataclasses.field(default_factory=list)  # private, in the class
    defs: list = dataclasses.field(default_factory=list)  # in the .cc
    handlers: list = dataclasses.field(default_factory=list)  # in NotifieeConst
    rows: list = dataclasses.field(default_factory=list)  # the member table
    teardown: list = dataclasses.field(default_factory=list)  # destructor, before notifiees
    private_decls: list = dataclasses.field(default_factory=list)  # private, before the fields
    inline_defs: list = dataclasses.field(default_factory=list)  # in the header, after the classes


def _cpp(type_name: str):
    return CPP[type_name]


def _schema_line(m: Member, indent: str = "") -> str:
    """The schema line a piece comes from, as a comment: the declaration,
    then its doc line."""
    body = " ".join(m.line.partition("--")[0].split())
    out = f"{indent}// {body}"
    if m.doc:
        out += f"\n{indent}// {m.doc}"
    return out


def _comment(m: Member) -> str:
    return _schema_line(m, "  ")


def _emit_key(t: Type, m: Member, p: Pieces) -> None:
    cpp = _cpp(m.type)
    if cpp.header:
        p.includes.add(cpp.header)
    p.decls.append(subst("""$comment$
  $ret$ $name$() const noexcept { return $name$_; }""", comment=_comment(m),
                         ret=f"{cpp.spelling} const&" if not cpp.literal else cpp.spelling,
                         name=m.name))
    p.fields.append(f"  {cpp.spelling} {m.name}_;")
    p.rows.append(f'    {{{m.id}, "{m.name}", {p.E}::MemberKind::key}},')


def _emit_attr(t: Type, m: Member, p: Pieces) -> None:
    cpp = _cpp(m.type)
    if cpp.header:
        p.includes.add(cpp.header)
    handler = "on" + m.capitalized
    virtual = "virtual " if t.virtual else ""
    constant = ""
    if m.default_id is not None:
        constant = _constant_decl(m.default_name, m.type, default_expr(m.type, m.default), p, t)
    initial = m.default_name if m.default_id is not None else default_expr(m.type, m.default)
    decl = subst("""$comment$
  $ret$ $name$() const noexcept { return $name$_; }
  $virtual$void $name$Is($param$ v);""", comment=_comment(m),
                 ret=cpp.spelling if cpp.literal else f"{cpp.spelling} const&",
                 name=m.name, virtual=virtual, param=cpp.param())
    p.decls.append(decl + ("\n" + constant if constant else ""))
    p.fields.append(f"  {cpp.spelling} {m.name}_ = {initial};")
    handler_owner = "NotifieeConst"
    if handler in FRAMEWORK_HANDLERS:
        handler_owner = "Xel::Entity::NotifieeConst"
    else:
        p.handlers.append(f"{_comment(m)}\n  virtual void {handler}() {{}}")
    p.inline_defs.append(subst("""$line$
inline void $T$::$name$Is($param$ v) {
  $E$::setAttribute(*this, $name$_, v, notifiees_, $id$,
                    &$owner$::$handler$);
}""", E=p.E, line=_schema_line(m), T=t.name, name=m.name, param=cpp.param(), id=str(m.id),
                        owner=handler_owner, handler=handler))
    rows = [f'    {{{m.id}, "{m.name}", {p.E}::MemberKind::attribute}},']
    if m.default_id is not None:
        row = f'    {{{m.default_id}, "{m.default_name}", {p.E}::MemberKind::constant}},'
        rows.insert(0 if m.default_id < m.id else 1, row)
    p.rows.extend(rows)


def _constant_decl(name: str, type_name: str, expr: str, p: Pieces, t: Type) -> str:
    cpp = _cpp(type_name)
    if cpp.literal:
        return f"  static constexpr {cpp.spelling} {name} = {expr};"
    p.defs.append(f"{cpp.spelling} const {t.name}::{name} = {expr};")
    return f"  static {cpp.spelling} const {name};"


def _emit_const(t: Type, m: Member, p: Pieces) -> None:
    decl = _constant_decl(m.name, m.type, default_expr(m.type, m.default), p, t)
    p.decls.append(f"{_comment(m)}\n{decl}")
    p.rows.append(f'    {{{m.id}, "{m.name}", {p.E}::MemberKind::constant}},')


EMITTERS = {"key": _emit_key, "attr": _emit_attr, "const": _emit_const}

VALUE_COLLECTION_DECLS = """$comment$
  class Xel$Cap$ : public Xel::HashMapValueNode<$K$, $V$, Xel$Cap$> {
   public:
    using HashMapValueNode::HashMapValueNode;
  };
  using $Cap$Map = Xel::HashMap<Xel$Cap$, $K$, $V$>;
  using $Cap$Iterator = $Cap$Map::Iterator;
  using $Cap$IteratorConst = $Cap$Map::IteratorConst;
  $V$ $name$($Kp$ key) const;
  $Cap$IteratorConst $name$IteratorConst() const { return $Cap$IteratorConst($name$_); }
  $Cap$Iterator $name$Iterator() const { return $Cap$Iterator($name$_); }
  Xel::U32 $name$Members() const noexcept { return $name$_.members(); }
  Xel::Ptr<Xel$Cap$> new$Cap$($Kp$ key, $Vp$ value);
  void $name$DelAll();
  $virtual$$V$ $name$Del($Kp$ key);
  $virtual$$V$ $name$Del($Cap$Iterator& it);
  $virtual$void $name$Notify($Kp$ key);
  $virtual$void $name$Is($Kp$ key, $Vp$ value);"""

VALUE_COLLECTION_DEFS = """$line$
$V$ $T$::$name$($Kp$ key) const { return $E$::valueAt(*this, $name$_, key); }

void $T$::$name$Is($Kp$ key, $Vp$ value) {
  $E$::valueIs<Xel$Cap$>(*this, $name$_, key, value, &$T$::$name$Notify);
}

Xel::Ptr<$T$::Xel$Cap$> $T$::new$Cap$($Kp$ key, $Vp$ value) {
  return $E$::newValue<Xel$Cap$>($name$_, key, value);
}

$V$ $T$::$name$Del($Kp$ key) { return $E$::valueDel(*this, $name$_, key, &$T$::$name$Notify); }

$V$ $T$::$name$Del($Cap$Iterator& it) {
  return $E$::valueDelAt(*this, $name$_, it, &$T$::$name$Notify);
}

void $T$::$name$DelAll() {
  $E$::delAll(*this, $name$_, static_cast<$V$ ($T$::*)($Cap$Iterator&)>(&$T$::$name$Del));
}

$notify$"""

CHILD_COLLECTION_DECLS = """$comment$
  using $Cap$Map = Xel::HashMap<$C$, $K$, $C$>;
  using $Cap$Iterator = $Cap$Map::Iterator;
  using $Cap$IteratorConst = $Cap$Map::IteratorConst;
  Xel::Ptr<$C$> $name$($Kp$ key) const;
  $Cap$IteratorConst $name$IteratorConst() const { return $Cap$IteratorConst($name$_); }
  $Cap$Iterator $name$Iterator() const { return $Cap$Iterator($name$_); }
  Xel::U32 $name$Members() const noexcept { return $name$_.members(); }
  Xel::Ptr<$C$> new$Cap$($Kp$ key);
  void $name$DelAll();
  $virtual$Xel::Ptr<$C$> $name$Del($Kp$ key);
  $virtual$Xel::Ptr<$C$> $name$Del($Cap$Iterator& it);
  $virtual$void $name$Notify($Kp$ key);
  $virtual$Xel::Ptr<$C$> $name$Is($Kp$ key);"""

CHILD_COLLECTION_DEFS = """$line$
Xel::Ptr<$C$> $T$::$name$($Kp$ key) const { return $E$::childAt(*this, $name$_, key); }

Xel::Ptr<$C$> $T$::$name$Is($Kp$ key) {
  return $E$::childIs<$C$>(*this, $name$_, key, $id$, &$T$::$name$Notify);
}

Xel::Ptr<$C$> $T$::new$Cap$($Kp$ key) { return $E$::newChild<$C$>(*this, $name$_, key, $id$); }

Xel::Ptr<$C$> $T$::$name$Del($Kp$ key) {
  return $E$::childDel(*this, $name$_, key, &$T$::$name$Notify);
}

Xel::Ptr<$C$> $T$::$name$Del($Cap$Iterator& it) {
  return $E$::childDelAt(*this, $name$_, it, &$T$::$name$Notify);
}

void $T$::$name$DelAll() {
  $E$::delAll(*this, $name$_,
              static_cast<Xel::Ptr<$C$> ($T$::*)($Cap$Iterator&)>(&$T$::$name$Del));
}

$notify$"""

NOTIFY_DEF = """void $T$::$name$Notify($Kp$ key) {
  $E$::deliver<NotifieeConst>(notifiees_, $id$, [&key](NotifieeConst& n) { n.on$Cap$(key); });
}"""

SILENT_NOTIFY_DEF = """void $T$::$name$Notify($Kp$ /*key*/) {}"""

COLLECTION_HANDLERS = """$comment$
  virtual void on$Cap$($Kp$ /*key*/) {}
  virtual void on$Cap$xelImmediate() {}
  virtual void on$Cap$() {}"""


def _emit_collection(t: Type, m: Member, p: Pieces, schema: Schema) -> None:
    key = _cpp(m.key_type)
    for h in (key.header, "Xel/HashMap.h"):
        if h:
            p.includes.add(h)
    child = schema.type(m.type)
    values = dict(comment=_comment(m), line=_schema_line(m), T=t.name, name=m.name,
                  Cap=m.capitalized, K=key.spelling, Kp=key.param(), id=str(m.id), E=p.E,
                  virtual="virtual " if t.virtual else "")
    if t.kind == "object":
        # A plain object has no notifiees: its notify does nothing.
        values["notify"] = subst(SILENT_NOTIFY_DEF, **values)
    else:
        values["notify"] = subst(NOTIFY_DEF, **values)
        p.handlers.append(subst(COLLECTION_HANDLERS, **values))
    if child is not None and child.kind == "entity":
        p.includes.add(f"FhrpConf/{child.name}.h")
        values["C"] = child.name
        p.decls.append(subst(CHILD_COLLECTION_DECLS, **values))
        p.defs.append(subst(CHILD_COLLECTION_DEFS, **values))
        p.teardown.append(f"  {m.name}DelAll();")
        map_type = f"{m.capitalized}Map"
    else:
        value = _cpp(m.type)
        if value.header:
            p.includes.add(value.header)
        values["V"], values["Vp"] = value.spelling, value.param()
        p.decls.append(subst(VALUE_COLLECTION_DECLS, **values))
        p.defs.append(subst(VALUE_COLLECTION_DEFS, **values))
        map_type = f"{m.capitalized}Map"
    p.fields.append(f"  {map_type} {m.name}_;")
    p.rows.append(f'    {{{m.id}, "{m.name}", {p.E}::MemberKind::collection}},')


SINGLE_CHILD_DECLS = """$comment$
  Xel::Ptr<$C$> $name$() const noexcept { return $name$_; }
  Xel::Ptr<$C$> new$Cap$(Xel::Name name);
  Xel::Ptr<$C$> $name$Is(Xel::Name name);
  Xel::Ptr<$C$> $name$Del();"""

SINGLE_CHILD_DEFS = """$line$
Xel::Ptr<$C$> $T$::new$Cap$(Xel::Name name) {
  return $E$::newSingleChild<$C$>(*this, std::move(name), $id$);
}

Xel::Ptr<$C$> $T$::$name$Is(Xel::Name name) {
  return $E$::singleChildIs(*this, $name$_, name, &$T$::new$Cap$, [this] { $name$Tell(); });
}

Xel::Ptr<$C$> $T$::$name$Del() {
  return $E$::singleChildDel(*this, $name$_, [this] { $name$Tell(); });
}

void $T$::$name$Tell() {
  $E$::deliver<NotifieeConst>(notifiees_, $id$, [](NotifieeConst& n) { n.on$Cap$(); });
}"""


def _emit_child(t: Type, m: Member, p: Pieces, schema: Schema) -> None:
    p.includes.add(f"FhrpConf/{m.type}.h")
    values = dict(comment=_comment(m), line=_schema_line(m), T=t.name, name=m.name,
                  Cap=m.capitalized, C=m.type, id=str(m.id), E=p.E)
    p.decls.append(subst(SINGLE_CHILD_DECLS, **values))
    p.defs.append(subst(SINGLE_CHILD_DEFS, **values))
    p.fields.append(f"  Xel::Ptr<{m.type}> {m.name}_;")
    p.private_decls.append(f"  // Tells the notifiees that {m.name} changed.\n  void {m.name}Tell();")
    p.handlers.append(f"{_comment(m)}\n  virtual void on{m.capitalized}() {{}}")
    p.teardown.append(f"  {m.name}Del();")
    p.rows.append(f'    {{{m.id}, "{m.name}", {p.E}::MemberKind::child}},')


KEYED_MEMBER_DECLS = """
  // For the collection that holds this entity: its key, and its link to
  // the next member of the same bucket.
  $Kr$ xelKey() const noexcept { return $key$_; }
  void xelNextIs($T$* next);
  static Xel::U16 xelLinkOffset() noexcept;"""

KEYED_MEMBER_DEFS = """// Changing the link is a change of this entity's stored state.
void $T$::xelNextIs($T$* next) {
  if (xelSibling_.ptr() == next) return;
  xelSibling_ = next;
  changeCountInc();
}

Xel::U16 $T$::xelLinkOffset() noexcept {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
  return static_cast<Xel::U16>(offsetof($T$, xelSibling_));
#pragma GCC diagnostic pop
}"""



# Every generated header opens the same way: banner, support header with
# its version guard, the namespace and the type's doc line.
PREAMBLE = """\
// Generated by tools/fhrp-gen from $schema$: do not edit.
// $doc$
#pragma once

#include <FhrpConf/entity/Generated.h>
$includes$
#if FHRPCONF_GENERATED_SUPPORT_VERSION != $version$
#error "$T$.h was generated for another version of the entity layer"
#endif

namespace $ns$ {

// $doc$
"""

HEADER = PREAMBLE + """\
class FHRPCONF_EXPORT $T$ : public Xel::Entity {
 public:
  class NotifieeConst;
  class Notifiee;

$decls$

  explicit $T$($keyparam$);
  ~$T$() override;

  // The type's descriptor in the framework's registry, made on first use.
  class _Type;
  static Xel::XelType* _fwkType();
  Xel::XelType const* fwkType() const override;

  // Tells every notifiee onZeroReferences() (failures reported with id 5).
  void zeroReferencesIs(bool zero) override;
  // The name of the member with id `id`; other ids go to the framework.
  Xel::String8 attributeString(Xel::AttributeId id) const override;

  // The notifiees watching this entity, in delivery order; the entity
  // layer's to change.
  $E$::NotifieeList& xelNotifiees() const noexcept { return notifiees_; }
$keyed$
  // The type's own members with their ids, in declaration order.
  static constexpr $E$::MemberInfo xelMembers[] = {
$rows$
  };

 private:
$private$$fields$
$sibling$  mutable $E$::NotifieeList notifiees_;
  static Xel::XelType* xelType_;
};

// Observes one $T$: override the handlers of interest.
class FHRPCONF_EXPORT $T$::NotifieeConst : public Xel::Entity::NotifieeConst {
 public:
  $T$ const* notifier() const noexcept {
    return static_cast<$T$ const*>(Xel::Entity::NotifieeConst::notifier());
  }

  void isRegisteredNotifieeIs(bool registered) const override;
  Xel::String8 name() const override;
  // Accepts a $T$ only: anything else leaves the notifiee unbound.
  void notifierIs(Xel::Ptr<Xel::PtrInterface const> const& p) override;

$handlers$

  ~NotifieeConst() override;
};

class FHRPCONF_EXPORT $T$::Notifiee : public $T$::NotifieeConst {
 public:
  ~Notifiee() override;
};

$factorydecl$$inline$

}  // namespace $ns$
"""

SOURCE = """\
// Generated by tools/fhrp-gen from $schema$: do not edit.
#include "FhrpConf/$T$.h"

#include <cstddef>
#include <utility>

namespace $ns$ {

$T$::$T$($keyparam$)
    : $init$ {}

$T$::~$T$() {
$teardown$  $E$::unlinkAllOnDestruction(notifiees_);
}

void $T$::zeroReferencesIs(bool) {
  $E$::deliverZeroReferences<NotifieeConst>(notifiees_);
}

Xel::String8 $T$::attributeString(Xel::AttributeId id) const {
  if (char const* name = $E$::memberName(xelMembers, id)) return Xel::String8(name);
  return Xel::Entity::attributeString(id);
}

$keyeddefs$$defs$

void $T$::NotifieeConst::notifierIs(Xel::Ptr<Xel::PtrInterface const> const& p) {
  $E$::Observed<$T$>::notifierIs(*this, p);
}

void $T$::NotifieeConst::isRegisteredNotifieeIs(bool registered) const {
  $E$::Observed<$T$>::isRegisteredNotifieeIs(*this, registered);
}

Xel::String8 $T$::NotifieeConst::name() const {
  $T$ const* watched = notifier();
  return watched ? watched->name() : Xel::String8();
}

$T$::NotifieeConst::~NotifieeConst() { $E$::Observed<$T$>::leave(*this); }

$T$::Notifiee::~Notifiee() = default;
$factorydef$

}  // namespace $ns$
"""


OBJECT_HEADER = PREAMBLE + """\
// A counted object, not an entity: no name, parent, counters or notifiees.
class FHRPCONF_EXPORT $T$ : public Xel::PtrInterface {
 public:
$decls$

  explicit $T$($keyparam$);
  ~$T$() override;

  // The type's descriptor in the framework's registry, made on first use.
  class _Type;
  static Xel::XelType* _fwkType();
  Xel::XelType const* fwkType() const override;

  // The type's own members with their ids, in declaration order.
  static constexpr $E$::MemberInfo xelMembers[] = {
$rows$
  };

 private:
$fields$
  static Xel::XelType* xelType_;
};

$factorydecl$

}  // namespace $ns$
"""

OBJECT_SOURCE = """\
// Generated by tools/fhrp-gen from $schema$: do not edit.
#include "FhrpConf/$T$.h"

#include <utility>

namespace $ns$ {

$T$::$T$($keyparam$)
    : $init$ {}

$T$::~$T$() = default;

$defs$
$factorydef$
}  // namespace $ns$
"""


def _inline_section(defs: list[str]) -> str:
    """Setters compare and store in the caller's code: an unchanged value
    costs a compare, and only a delivery leaves the inline path."""
    if not defs:
        return ""
    return "\n\n// " + "-" * 74 + "\n// Inline definitions\n\n" + "\n\n".join(defs)


FACTORY_DECL = """// A new $T$$what$.
FHRPCONF_EXPORT Xel::Ptr<$T$> $factory$($keyparam$);"""

FACTORY_DEF = """
Xel::Ptr<$T$> $factory$($keyparam$) {
  return new $T$($keyarg$);
}
"""


def _lower_camel(name: str) -> str:
    return name[0].lower() + name[1:]


def entity_files(schema: Schema, t: Type, source: str) -> dict[str, str]:
    """The header and source of entity type `t`, by file name."""
    if t.kind not in ("entity", "object"):
        raise EmitError(f"{t.name}: only entity and object types are generated so far")
    E = "entity" if schema.namespace == ENTITY_PARENT else f"::{ENTITY_PARENT}::entity"
    p = Pieces(E)
    for m in t.members:
        if m.kind == "collection":
            _emit_collection(t, m, p, schema)
            continue
        if m.kind == "child":
            _emit_child(t, m, p, schema)
            continue
        emit = EMITTERS.get(m.kind)
        if emit is None:
            raise EmitError(f"{t.name}.{m.name}: {m.kind} members are not generated yet")
        emit(t, m, p)

    if t.named:
        keyparam, keyarg, init = "Xel::Name name", "std::move(name)", "Xel::Entity(std::move(name))"
    else:
        key = t.key
        cpp = _cpp(key.type)
        keyparam = f"{cpp.param()} {key.name}"
        # A key taken by value moves into place; one taken by reference is copied.
        keyarg = key.name if cpp.by_ref else f"std::move({key.name})"
        init = f"{key.name}_({keyarg})"
    sibling = ""
    keyed_decls = keyed_defs = ""
    if schema.is_member_of_collection(t):
        key = t.key
        kr = _cpp(key.type)
        keyed = dict(T=t.name, key=key.name,
                     Kr=kr.spelling if kr.literal else f"{kr.spelling} const&")
        keyed_decls = subst(KEYED_MEMBER_DECLS, **keyed)
        keyed_defs = subst(KEYED_MEMBER_DEFS, **keyed) + "\n\n"
        sibling = ("  // The next entity in the same bucket of the parent's collection; only\n"
                   "  // that collection writes it.\n"
                   f"  Xel::Ptr<{t.name}> xelSibling_;\n")
    includes = "".join(f"#include <{h}>\n" for h in sorted(p.includes))
    factory = _lower_camel(t.name) + "Factory"
    if "nofactory" in t.options:
        factorydecl = factorydef = ""
    else:
        factorydecl = subst(FACTORY_DECL, T=t.name, factory=factory, keyparam=keyparam,
                            what=" with no parent and no notifiees" if t.kind == "entity" else "")
        factorydef = subst(FACTORY_DEF, T=t.name, factory=factory, keyparam=keyparam,
                           keyarg=keyarg)
    common = dict(E=E, schema=source, factorydecl=factorydecl, factorydef=factorydef, T=t.name, ns=schema.namespace, doc=t.doc, keyparam=keyparam, keyarg=keyarg,
                  )
    if t.kind == "object":
        header = subst(OBJECT_HEADER, includes=includes, version=str(SUPPORT_VERSION),
                       decls="\n\n".join(p.decls), rows="\n".join(p.rows),
                       fields="\n".join(p.fields), **common)
        source = subst(OBJECT_SOURCE, init=init, defs="\n\n".join(p.defs), **common)
        return {f"FhrpConf/{t.name}.h": header, f"{t.name}.cc": source}
    header = subst(HEADER, includes=includes, version=str(SUPPORT_VERSION),
                   decls="\n\n".join(p.decls), rows="\n".join(p.rows),
                   fields="\n".join(p.fields), sibling=sibling,
                   handlers="\n\n".join(p.handlers), keyed=keyed_decls,
                   private="".join(d + "\n\n" for d in p.private_decls),
                   inline=_inline_section(p.inline_defs), **common)
    teardown = "".join(line + "\n" for line in p.teardown)
    source = subst(SOURCE, init=init, defs="\n\n".join(p.defs), keyeddefs=keyed_defs,
                   teardown=teardown, **common)
    return {f"FhrpConf/{t.name}.h": header, f"{t.name}.cc": source}


UMBRELLA = """\
// Generated by tools/fhrp-gen from $schema$: do not edit.
// The configuration model in one include: every generated type and the
// platform types they use.
#pragma once

#include <Xel/Xel.h>
$includes$"""


def umbrella(types: list[Type], source: str) -> dict[str, str]:
    """The one header of the model: every type of the schema, generated or
    written by hand (value types), in the schema's order."""
    includes = "".join(f"#include <FhrpConf/{t.name}.h>\n" for t in types)
    return {"FhrpConf/FhrpConfig.h": subst(UMBRELLA, schema=source, includes=includes)}
