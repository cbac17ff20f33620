"""One emitter per kind of member: what a key, an attribute, a constant, a
computed member, a collection or a single child contributes to its class.

Each emitter adds to the Pieces of its type: declarations and fields for the
class, definitions for its source, handlers for its notifiee, and the row of
the attribute table (table.py), which every other reader of the type works
from. The templates read like the code they produce, with $name$ holes, and
each piece stands under the schema line it comes from.
"""

from __future__ import annotations

import dataclasses
import re

from . import table
from .schema import Member, Schema, Type
from .types import CppType, cpp_type, default_expr

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
    schema: Schema
    type: Type
    E: str  # how this type's code spells the entity layer's namespace
    A: str  # ... the attribute log's
    R: str  # ... reflection's
    includes: set = dataclasses.field(default_factory=set)  # the header's
    source_includes: set = dataclasses.field(default_factory=set)
    decls: list = dataclasses.field(default_factory=list)  # public, in the class
    fields: list = dataclasses.field(default_factory=list)  # private, in the class
    private_decls: list = dataclasses.field(default_factory=list)  # private, before the fields
    defs: list = dataclasses.field(default_factory=list)  # in the .cc
    handlers: list = dataclasses.field(default_factory=list)  # in NotifieeConst
    rows: list = dataclasses.field(default_factory=list)  # the attribute table
    teardown: list = dataclasses.field(default_factory=list)  # destructor, before notifiees
    inline_defs: list = dataclasses.field(default_factory=list)  # in the header, after the classes

    def cpp(self, type_name: str) -> CppType:
        t = cpp_type(self.schema, type_name)
        if t.header:
            self.includes.add(t.header)
        return t


def schema_line(m: Member, indent: str = "") -> str:
    """The schema line a piece comes from, as a comment: the declaration,
    then its doc line."""
    out = f"{indent}// {m.declaration}"
    if m.doc and m.constant_of is None:
        out += f"\n{indent}// {m.doc}"
    return out


def _comment(m: Member) -> str:
    return schema_line(m, "  ")


def _values(p: Pieces, m: Member, **more) -> dict:
    return dict(comment=_comment(m), line=schema_line(m), T=p.type.name, name=m.name,
                Cap=m.capitalized, id=str(m.id), E=p.E,
                virtual="virtual " if p.type.virtual else "", **more)


GETTER = """$comment$
  $ret$ $name$() const noexcept { return $name$_; }"""


def emit_key(p: Pieces, m: Member) -> None:
    cpp = p.cpp(m.type)
    if p.type.kind == "value":
        _value_field(p, m, cpp)
    else:
        p.decls.append(subst(GETTER, **_values(p, m, ret=cpp.ret())))
        p.fields.append(f"  {cpp.spelling} {m.name}_;")
    p.rows.append(table.row(p, m))


def _value_field(p: Pieces, m: Member, cpp: CppType) -> None:
    """A field of a value type: its getter, a setter unless its range must
    hold, a default where the schema gives one."""
    decl = subst(GETTER, **_values(p, m, ret=cpp.ret()))
    if m.range is None:
        move = "v" if cpp.small or cpp.by_ref else "std::move(v)"
        decl += f"\n  void {m.name}Is({cpp.param()} v) noexcept {{ {m.name}_ = {move}; }}"
    p.decls.append(decl)
    initial = default_expr(p.schema, m.type, m.default) if m.default is not None else None
    if initial is None and cpp.literal:
        initial = default_expr(p.schema, m.type, "false" if cpp.spelling == "bool" else "0")
    p.fields.append(f"  {cpp.spelling} {m.name}_" + (f" = {initial};" if initial else ";"))


def emit_attr(p: Pieces, m: Member) -> None:
    cpp = p.cpp(m.type)
    if p.type.kind == "value":
        _value_field(p, m, cpp)
        p.rows.append(table.row(p, m))
        return
    handler = "on" + m.capitalized
    p.decls.append(subst("""$comment$
  $ret$ $name$() const noexcept { return $name$_; }
  $virtual$void $name$Is($param$ v);""", **_values(p, m, ret=cpp.ret(), param=cpp.param())))
    initial = m.constant.name if m.constant else default_expr(p.schema, m.type, m.default)
    p.fields.append(f"  {cpp.spelling} {m.name}_ = {initial};")
    owner = "NotifieeConst"
    if handler in FRAMEWORK_HANDLERS:
        owner = "Xel::Entity::NotifieeConst"
    else:
        p.handlers.append(f"{_comment(m)}\n  virtual void {handler}() {{}}")
    p.inline_defs.append(subst("""$line$
inline void $T$::$name$Is($param$ v) {
  $E$::setAttribute<&$owner$::$handler$>(*this, $name$_, v, notifiees_, $id$);
}""", **_values(p, m, param=cpp.param(), owner=owner, handler=handler)))
    p.rows.append(table.row(p, m))


def emit_const(p: Pieces, m: Member) -> None:
    cpp = p.cpp(m.type)
    expr = default_expr(p.schema, m.type, m.default)
    if cpp.literal:
        decl = f"  static constexpr {cpp.spelling} {m.name} = {expr};"
    else:
        p.defs.append(f"{cpp.spelling} const {p.type.name}::{m.name} = {expr};")
        decl = f"  static {cpp.spelling} const {m.name};"
    p.decls.append(f"{_comment(m)}\n{decl}")
    p.rows.append(table.row(p, m))


def emit_computed(p: Pieces, m: Member) -> None:
    cpp = p.cpp(m.type)
    p.decls.append(f"{_comment(m)}\n  // Written by hand, in FhrpConf/{p.type.name}Hash.h.\n"
                   f"  {cpp.spelling} {m.name}() const noexcept;")
    p.rows.append(table.row(p, m))


VALUE_COLLECTION_DECLS = """$comment$
  class Xel$Cap$ : public Xel::HashMapValueNode<$K$, $V$, Xel$Cap$> {
   public:
    using HashMapValueNode::HashMapValueNode;
  };
  using $Cap$Map = Xel::HashMap<Xel$Cap$, $K$, $V$>;
  using $Cap$Iterator = $Cap$Map::Iterator;
  using $Cap$IteratorConst = $Cap$Map::IteratorConst;
  $V$ $name$($Kp$ key) const;
  $Cap$Map const& $name$Map() const noexcept { return $name$_; }
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
  $Cap$Map const& $name$Map() const noexcept { return $name$_; }
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

# A counted object that is not an entity has no notifiees to tell.
SILENT_NOTIFY_DEF = """void $T$::$name$Notify($Kp$ /*key*/) {}"""

COLLECTION_HANDLERS = """$comment$
  virtual void on$Cap$($Kp$ /*key*/) {}
  virtual void on$Cap$xelImmediate() {}
  virtual void on$Cap$() {}"""


def emit_collection(p: Pieces, m: Member) -> None:
    key = p.cpp(m.key_type)
    p.includes.add("Xel/HashMap.h")
    child = p.schema.type(m.type)
    values = _values(p, m, K=key.spelling, Kp=key.param())
    if p.type.kind == "object":
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
    else:
        value = p.cpp(m.type)
        values["V"], values["Vp"] = value.spelling, value.param()
        p.decls.append(subst(VALUE_COLLECTION_DECLS, **values))
        p.defs.append(subst(VALUE_COLLECTION_DEFS, **values))
    p.fields.append(f"  {m.capitalized}Map {m.name}_;")
    p.rows.append(table.row(p, m))


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


def emit_child(p: Pieces, m: Member) -> None:
    p.includes.add(f"FhrpConf/{m.type}.h")
    values = _values(p, m, C=m.type)
    p.decls.append(subst(SINGLE_CHILD_DECLS, **values))
    p.defs.append(subst(SINGLE_CHILD_DEFS, **values))
    p.fields.append(f"  Xel::Ptr<{m.type}> {m.name}_;")
    p.private_decls.append(f"  // Tells the notifiees that {m.name} changed.\n  void {m.name}Tell();")
    p.handlers.append(f"{_comment(m)}\n  virtual void on{m.capitalized}() {{}}")
    p.teardown.append(f"  {m.name}Del();")
    p.rows.append(table.row(p, m))


EMITTERS = {
    "key": emit_key,
    "attr": emit_attr,
    "const": emit_const,
    "computed": emit_computed,
    "collection": emit_collection,
    "child": emit_child,
}


def emit_members(p: Pieces) -> None:
    for m in p.type.members:
        EMITTERS[m.kind](p, m)
