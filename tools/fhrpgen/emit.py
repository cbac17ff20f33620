"""Writing the C++ of the schema's types.

Every type becomes a header and a source built from the same two templates
(templates/header.h.tmpl, templates/source.cc.tmpl); what differs between an
entity, a counted object and a value fills their holes from smaller
templates beside them. The members' own pieces come from their emitters
(members.py), the attribute table from table.py.
"""

from __future__ import annotations

import pathlib

from . import attrlog, generic, table
from .members import EmitError, Pieces, emit_members, subst
from .schema import Schema, Type
from .types import cpp_type, default_expr

# The version of the contract between generated code and the layers it
# stands on (attrlog/FhrpConf/attrlog/Generated.h): every generated header
# checks it.
SUPPORT_VERSION = 3

# The namespace of the entity layer, reflection and the attribute log, and
# how generated code spells them: short inside Routing::Fhrp, in full
# elsewhere.
LAYER_PARENT = "Routing::Fhrp"

TEMPLATES = pathlib.Path(__file__).resolve().parent / "templates"


def template(name: str) -> str:
    """A template by name; one that fills a hole ends without a line break."""
    text = (TEMPLATES / f"{name}.tmpl").read_text()
    return text if name in ("header.h", "source.cc", "registration.cc", "umbrella.h",
                            "attrlog.h") \
        else text.rstrip("\n")


def _lower_camel(name: str) -> str:
    return name[0].lower() + name[1:]


def _pieces(schema: Schema, t: Type) -> Pieces:
    prefix = "" if schema.namespace == LAYER_PARENT else f"::{LAYER_PARENT}::"
    p = Pieces(schema, t, E=prefix + "entity", A=prefix + "attrlog", R=prefix + "reflect")
    emit_members(p)
    return p


def _includes(headers) -> str:
    return "".join(f"#include <{h}>\n" for h in sorted(headers))


KEYED_MEMBER_DECLS = """
  // For the collection that holds this entity: its key, and its link to
  // the next member of the same bucket.
  $Kr$ xelKey() const noexcept { return $key$_; }
  void xelNextIs($T$* next);
  static Xel::U16 xelLinkOffset() noexcept;"""

KEYED_MEMBER_DEFS = """
// Changing the link is a change of this entity's stored state.
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
}
"""

SIBLING = """  // The next entity in the same bucket of the parent's collection; only
  // that collection writes it.
  Xel::Ptr<$T$> xelSibling_;
"""

FACTORY_DECL = """
// A new $T$$what$.
FHRPCONF_EXPORT Xel::Ptr<$T$> $factory$($keyparam$);
"""

FACTORY_DEF = """
Xel::Ptr<$T$> $factory$($keyparam$) {
  return new $T$($keyarg$);
}
"""

INLINE_SECTION = """
// --------------------------------------------------------------------------
// Inline definitions

"""


def _key(schema: Schema, t: Type) -> tuple[str, str, str]:
    """The constructor's parameter, the argument that passes it on, and the
    initialiser that stores it."""
    if t.named:
        return "Xel::Name name", "std::move(name)", "Xel::Entity(std::move(name))"
    key = t.key
    cpp = cpp_type(schema, key.type)
    # A key taken by value moves into place; one taken by reference is copied.
    arg = key.name if cpp.by_ref else f"std::move({key.name})"
    return f"{cpp.param()} {key.name}", arg, f"{key.name}_({arg})"


def _factory(t: Type, keyparam: str, keyarg: str) -> tuple[str, str]:
    if "nofactory" in t.options:
        return "", ""
    values = dict(T=t.name, factory=_lower_camel(t.name) + "Factory", keyparam=keyparam,
                  keyarg=keyarg,
                  what=" with no parent and no notifiees" if t.kind == "entity" else "")
    return subst(FACTORY_DECL, **values), subst(FACTORY_DEF, **values)


def _files(p: Pieces, source: str, header_holes: dict, body: str,
           source_includes: set, after_table: str = "") -> dict[str, str]:
    t, schema = p.type, p.schema
    common = dict(schema=source, T=t.name, ns=schema.namespace, E=p.E)
    header = subst(template("header.h"), doc=t.doc,
                   includes=_includes(p.includes | {"FhrpConf/reflect/GenericIf.h"}),
                   version=str(SUPPORT_VERSION), decls="\n\n".join(p.decls),
                   fields="\n".join(p.fields), **header_holes, **common)
    includes = source_includes | {"FhrpConf/attrlog/Codec.h", "FhrpConf/entity/Access.h",
                                  "FhrpConf/reflect/Registration.h", "Pelno/Types.h",
                                  "Xel/XelType.h"}
    text = subst(template("source.cc"), includes=_includes(includes), body=body,
                 table=table.type_info(p, subst), aftertable=after_table, **common)
    return {f"FhrpConf/{t.name}.h": header, f"{t.name}.cc": text}


def _entity_files(schema: Schema, t: Type, source: str) -> dict[str, str]:
    p = _pieces(schema, t)
    keyparam, keyarg, init = _key(schema, t)
    keyed_decls = keyed_defs = sibling = ""
    if schema.is_member_of_collection(t):
        kr = cpp_type(schema, t.key.type).ret()
        keyed = dict(T=t.name, key=t.key.name, Kr=kr)
        keyed_decls = subst(KEYED_MEMBER_DECLS, **keyed)
        keyed_defs = subst(KEYED_MEMBER_DEFS, **keyed)
        sibling = subst(SIBLING, T=t.name)
    factory_decl, factory_def = _factory(t, keyparam, keyarg)
    log = attrlog.log_pieces(p)
    values = dict(T=t.name, E=p.E)
    after = subst(template("notifiee.h"), handlers="\n\n".join(p.handlers), **values)
    after += "\n" + attrlog.adapter_header(p, log, template)
    after += factory_decl
    after += generic.interface(schema, t, p.R)
    if p.inline_defs:
        after += INLINE_SECTION + "\n\n".join(p.inline_defs) + "\n"
    holes = dict(
        base=" : public Xel::Entity",
        top="  class NotifieeConst;\n  class Notifiee;\n\n",
        construction=f"  explicit {t.name}({keyparam});\n  ~{t.name}() override;",
        fwkType="\n  Xel::XelType const* fwkType() const override;",
        more=subst(template("entity.h"), keyed=keyed_decls, hooks=attrlog.hook_decls(),
                   **values),
        private="".join(d + "\n\n" for d in p.private_decls),
        tail=sibling + f"  mutable {p.E}::NotifieeList notifiees_;\n",
        after=after, trailer="")
    defs = keyed_defs + "".join("\n" + d + "\n" for d in p.defs) + attrlog.hook_defs(p)
    body = subst(template("entity.cc"), keyparam=keyparam, init=init,
                 teardown="".join(line + "\n" for line in attrlog.teardown(p) + p.teardown),
                 defs=defs,
                 factory=factory_def, **values)
    return _files(p, source, holes, body, {"FhrpConf/attrlog/Collections.h", "FhrpConf/attrlog/LogTable.h",
                   "cstddef", "utility"},
                  "\n" + attrlog.adapter_source(p, log))


def _object_files(schema: Schema, t: Type, source: str) -> dict[str, str]:
    p = _pieces(schema, t)
    keyparam, keyarg, init = _key(schema, t)
    factory_decl, factory_def = _factory(t, keyparam, keyarg)
    holes = dict(
        base=" : public Xel::PtrInterface",
        top="  // A counted object, not an entity: no name, parent, counters or notifiees.\n",
        construction=f"  explicit {t.name}({keyparam});\n  ~{t.name}() override;",
        fwkType="\n  Xel::XelType const* fwkType() const override;",
        more="", private="", tail="", after=factory_decl + generic.interface(schema, t, p.R),
        trailer="")
    body = subst(template("object.cc"), T=t.name, keyparam=keyparam, init=init,
                 defs="".join("\n" + d + "\n" for d in p.defs), factory=factory_def)
    return _files(p, source, holes, body, {"utility"})


def _ranged(schema: Schema, type_name: str) -> bool:
    t = schema.type(type_name)
    return t is not None and any(m.range for m in t.members)


def _value_files(schema: Schema, t: Type, source: str) -> dict[str, str]:
    """A value type: its fields, constants and hash; construction from the
    fields, from text and from the log; the six comparisons; the text and
    log forms. Only the hash formula is written by hand."""
    p = _pieces(schema, t)
    fields = t.fields
    cpp = {m.name: cpp_type(schema, m.type) for m in fields}
    me = cpp_type(schema, t.name)
    ranged = [m for m in fields if m.range]
    checked = ("; checks " + ", ".join(m.name for m in ranged) + " against its range") if ranged else ""

    # Fields after the keys take their defaults, so that a value can be made
    # from its keys alone.
    params = []
    for m in fields:
        param = f"{cpp[m.name].param()} {m.name}"
        if m.kind == "attr":
            default = m.constant.name if m.constant else default_expr(schema, m.type, m.default)
            param += f" = {default}"
        params.append(param)
    inits = []
    for m in fields:
        c = cpp[m.name]
        moved = m.name if c.small or c.by_ref else f"std::move({m.name})"
        inits.append(f"{m.name}_({moved})")

    equal = " &&\n           ".join(f"a.{m.name}_ == b.{m.name}_" for m in fields)
    less = [f"    if (!(a.{m.name}_ == b.{m.name}_)) return a.{m.name}_ < b.{m.name}_;"
            for m in fields[:-1]]
    less.append(f"    return a.{fields[-1].name}_ < b.{fields[-1].name}_;")

    check = checkdef = ""
    if ranged:
        check = "  // Raises Xel::RangeException when a field is outside its range.\n" \
                "  void xelCheck() const;\n"
        tests = []
        for m in ranged:
            lo, hi = m.range
            message = f"{t.name}::{m.name} < {t.name}::{lo} or > {t.name}::{hi} not allowed"
            low = t.member(lo).default
            # An unsigned field has no lower check when its least value is 0.
            cond = f"{m.name}_ > {hi}" if low == "0" else f"{m.name}_ < {lo} || {m.name}_ > {hi}"
            tests.append(f"  if ({cond}) {{\n    Xel::throwRangeException(\"{message}\");\n  }}")
        checkdef = f"\nvoid {t.name}::xelCheck() const {{\n" + "\n".join(tests) + "\n}\n"

    # A value of one key field and nothing else stands for that field, in
    # text as on the log.
    wrapper = len(fields) == 1
    full = f"{schema.namespace}::{t.name}"
    if wrapper:
        only = fields[0]
        textform = f"the {only.name} alone"
        textread = f'  Xel::deserializeAttr(pos, end, &{only.name}_, "{only.name}");' + \
            ("\n  xelCheck();" if ranged else "")
        textwrite = f"{p.R}::fieldText(v.{only.name}())"
    else:
        textform = f"Value('{full}', ** {{" + ", ".join(f"'{m.name}': <{m.name}>" for m in fields) \
            + "})"
        cases = "\n".join(
            f'    {"if" if i == 0 else "} else if"} (name == "{m.name}") {{\n'
            f"      Xel::deserializeAttr(pos, end, &{m.name}_, name);" for i, m in enumerate(fields))
        textread = (f'  Xel::readValueFields(pos, end, "{full}", "{t.name}", '
                    f"[&](Xel::String8 const& name) {{\n{cases}\n    }} else {{\n"
                    f"      return false;\n    }}\n    return true;\n  }});"
                    + ("\n  xelCheck();" if ranged else ""))
        parts = [f"\"Value('{full}', ** {{'{fields[0].name}': \""]
        parts.append(f"{p.R}::fieldText(v.{fields[0].name}())")
        for m in fields[1:]:
            parts.append(f"\", '{m.name}': \"")
            parts.append(f"{p.R}::fieldText(v.{m.name}())")
        parts.append('"})"')
        textwrite = " +\n         ".join(parts)
    logread = []
    for m in fields:
        logread.append(f"  {p.A}::read(*in, &{m.name}_);")
        # Read as a field, a value is checked; read alone, it is taken as it comes.
        if _ranged(schema, m.type):
            logread.append(f"  {m.name}_.xelCheck();")
    logwrite = "\n".join(f"  {p.A}::write(out, v.{m.name}());" for m in fields)

    holes_value = dict(T=t.name, Tp=me.param(), params=", ".join(params),
                       defparams=", ".join(f"{cpp[m.name].param()} {m.name}" for m in fields),
                       explicit="explicit " if len(params) == 1 else "",
                       noexcept="" if ranged else " noexcept", checked=checked,
                       logchecked=", unchecked" if ranged else "", check=check, equal=equal,
                       less="\n".join(less), inits=", ".join(inits),
                       checkcall=" xelCheck(); " if ranged else "", textform=textform)
    p.includes.update({"Xel/NboAttrLog.h", "Xel/String8.h", "iosfwd", "utility"})
    computed = [m for m in t.members if m.kind == "computed"]
    trailer = f"\n// The hash formula, written by hand.\n#include <FhrpConf/{t.name}Hash.h>\n" \
        if computed else ""
    holes = dict(base="", top="", construction=subst(template("value.h"), **holes_value),
                 fwkType="", more="", private="", tail="",
                 after=subst(template("value_after.h"), **holes_value) + "\n"
                 + generic.interface(schema, t, p.R), trailer=trailer)
    body = subst(template("value.cc"), textread=textread, logread="\n".join(logread),
                 checkdef=checkdef, textwrite=textwrite, logwrite=logwrite,
                 defs="".join("\n" + d + "\n" for d in p.defs), **holes_value)
    return _files(p, source, holes, body,
                  {"FhrpConf/reflect/ValueText.h", "Xel/Exception.h", "Xel/Text.h", "ostream"})


GENERATORS = {"entity": _entity_files, "object": _object_files, "value": _value_files}


def type_files(schema: Schema, t: Type, source: str) -> dict[str, str]:
    """The header and source of type `t`, by file name."""
    return GENERATORS[t.kind](schema, t, source)


def umbrella(types: list[Type], source: str) -> dict[str, str]:
    """The one header of the model: every type of the schema, in the
    schema's order."""
    includes = "".join(f"#include <FhrpConf/{t.name}.h>\n" for t in types)
    return {"FhrpConf/FhrpConfig.h": subst(template("umbrella.h"), schema=source,
                                           includes=includes)}


def output_files(schema: Schema, types: list[Type], registration: bool) -> list[str]:
    """The files a run writes, by name relative to its output directory."""
    names = [n for t in types for n in (f"FhrpConf/{t.name}.h", f"{t.name}.cc")]
    names.append("FhrpConf/FhrpConfig.h")
    if registration:
        names.append("Registration.cc")
    return names


__all__ = ["EmitError", "output_files", "type_files", "umbrella"]
