"""The attribute table of a type: one row per member, and the type's own
entry, as designated initialisers of entity::AttrInfo and entity::TypeInfo
(entity/FhrpConf/entity/AttrTable.h).

The row is the one place an attribute's facts reach the runtime: its id,
name, kind, flags, log bit, types, codecs and the access functions made from
the class's own accessors.
"""

from __future__ import annotations

from .schema import Member
from .types import cpp_type


def attr_kind(schema, m: Member) -> str:
    if m.kind == "collection":
        child = schema.type(m.type)
        return "childCollection" if child is not None and child.kind == "entity" \
            else "valueCollection"
    if m.kind == "child":
        return "singleChild"
    kind = cpp_type(schema, m.type).kind
    return {"string": "string", "enum": "enumeration"}.get(kind, "plain")


def settable(m: Member) -> bool:
    """Whether the table offers a setter: an attribute, unless its range must
    hold. A value's key fields have setters in the class, but as the
    registry and the generic interface see them they are fixed at
    construction, like an entity's keys."""
    return m.kind == "attr" and m.range is None


def _flags(p, m: Member) -> str:
    flags = []
    if settable(m):
        flags.append("settable")
    if m.kind == "key":
        flags.append("key")
    if p.type.virtual and m.kind in ("attr", "collection", "child"):
        flags.append("virtualAccess")
    if m.kind == "const":
        flags.append("constant")
    if m.kind == "computed":
        flags.append("computed")
    if "introspected" in m.tags:
        flags.append("introspected")
    return "{" + ", ".join(f".{f} = true" for f in flags) + "}"


def _access(p, m: Member, kind: str) -> str:
    T, E = p.type.name, p.E
    name = f"&{T}::{m.name}"
    if m.kind == "const":
        return f"{E}::constantAccess<{name}>()"
    if m.kind in ("key", "computed", "attr"):
        setter = f", {name}Is" if settable(m) else ""
        return f"{E}::plainAccess<{name}{setter}>()"
    if kind == "singleChild":
        return f"{E}::singleChildAccess<{name}, {name}Is, {name}Del>()"
    key = cpp_type(p.schema, m.key_type).param()
    if kind == "childCollection":
        result, maker = f"Xel::Ptr<{m.type}>", "childCollectionAccess"
    else:
        result, maker = cpp_type(p.schema, m.type).spelling, "valueCollectionAccess"
    delete = f"static_cast<{result} ({T}::*)({key})>({name}Del)"
    return f"{E}::{maker}<{name}Map, {name}Is,\n{' ' * 30}{delete}>()"


def _codec(p, type_name: str) -> str:
    return f"&{p.A}::codec<{cpp_type(p.schema, type_name).spelling}>"


def _codecs(p, m: Member, kind: str) -> list[tuple[str, str]]:
    """The log travels with entities' stored members and values' fields;
    nothing else needs a codec."""
    t = p.type
    if t.kind == "object" or m.kind in ("const", "computed"):
        return []
    if kind == "singleChild":
        return [("keyCodec", f"&{p.A}::codec<Xel::Name>")]
    if kind == "childCollection":
        return [("keyCodec", _codec(p, m.key_type))]
    if kind == "valueCollection":
        return [("valueCodec", _codec(p, m.type)), ("keyCodec", _codec(p, m.key_type))]
    return [("valueCodec", _codec(p, m.type))]


def row(p, m: Member) -> str:
    schema = p.schema
    kind = attr_kind(schema, m)
    fields = [(".id", str(m.id)), (".name", f'"{m.name}"'),
              (".kind", f"{p.E}::AttrKind::{kind}")]
    flags = _flags(p, m)
    if flags != "{}":
        fields.append((".flags", flags))
    bit = schema.log_bit(p.type, m)
    if bit:
        fields.append((".logBit", str(bit)))
    fields.append((".value", cpp_type(schema, m.type).type_ref()))
    if kind == "singleChild":
        fields.append((".key", cpp_type(schema, "Name").type_ref()))
        fields.append((".childKey", '"name"'))
    elif m.key_type:
        fields.append((".key", cpp_type(schema, m.key_type).type_ref()))
        if kind == "childCollection":
            fields.append((".childKey", f'"{schema.type(m.type).key.name}"'))
    fields += [("." + name, codec) for name, codec in _codecs(p, m, kind)]
    fields.append((".access", _access(p, m, kind)))
    from .attrlog import row_log  # it builds on this module
    log = row_log(p, m, kind)
    if log:
        fields.append((".log", log))
    body = ",\n     ".join(f"{k} = {v}" for k, v in fields)
    return f"    // {m.declaration}\n    {{{body}}},"


TYPE_INFO = """constinit $E$::TypeInfo const $T$::xelTypeInfo{
    .name = "$T$",
    .fullName = "$ns$::$T$",
    .kind = $E$::TypeKind::$kind$,
    .named = $named$,
    .size = sizeof($T$),
    .descriptor = &$T$::_fwkType,
    .attrs = $attrs$,$written$$pointer$
};"""


def type_info(p, subst) -> str:
    """The table of the type: its rows, then the entry registration and the
    log look the type up by."""
    t = p.type
    rows = "\n".join(p.rows)
    pointer = ""
    if t.kind != "value":
        pointer = f"\n    .forcePointerAccess = &{p.R}::forcePointerAccess<{t.name}>,"
    attrs = "xelAttrs" if p.rows else "{}"
    written = "\n    .written = {},"
    out = ""
    if p.rows:
        out = f"constexpr {p.E}::AttrInfo xelAttrs[] = {{\n{rows}\n}};\n"
        if p.schema.written(t):
            # The order the log writes them in, derived from the rows above.
            out += (f"\n// The written attributes, by log bit.\nconstexpr auto xelWritten =\n"
                    f"    {p.A}::writtenRows<{p.A}::writtenCount(xelAttrs)>(xelAttrs);\n")
            written = ("\n    .written = xelWritten,"
                       f"\n    .syncedBits = {p.A}::syncedBits(xelAttrs),")
        out = f"namespace {{\n\n{out}\n}}  // namespace\n\n"
    return out + subst(TYPE_INFO, E=p.E, T=t.name, ns=p.schema.namespace, kind=t.kind,
                       named="true" if t.named else "false", attrs=attrs, written=written,
                       pointer=pointer)
