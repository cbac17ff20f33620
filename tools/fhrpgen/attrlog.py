"""The attribute-log adapter of an entity type: T::XelNboAttrLogSa, its
flow-out and its nested notifiee.

Everything the adapter does lives in the hand-written runtime
(attrlog/FhrpConf/attrlog/); what is generated is the named surface, one
line per operation over the attribute's table row (`xelAttrs[i]`):

  every written attribute    its change handler onX (a virtual slot of the
                             adapter), its dirty or has-synced bit in the
                             flow-out, its forwarder in the nested notifiee
  a string                   its string writer xelHandleXSerialize
  a collection               its member writer xelHandleXSerializeSing, its
                             flush xelHandleXSerializeColl, its dirty-key set
  a child (collection or     its child-log operations xNboAttrLogAdapterIs,
  single)                    xNboAttrLogAdapter, xNboAttrLogAdapterDel

One emitter per kind of attribute returns the pieces it contributes.
"""

from __future__ import annotations

import dataclasses

from .members import subst
from .schema import Member
from .table import attr_kind
from .types import cpp_type


@dataclasses.dataclass
class LogPieces:
    decls: list = dataclasses.field(default_factory=list)  # the adapter's, public
    defs: list = dataclasses.field(default_factory=list)  # the adapter's, in the .cc
    flow: list = dataclasses.field(default_factory=list)  # the flow-out's, public
    flow_fields: list = dataclasses.field(default_factory=list)  # the flow-out's, private
    forwards: list = dataclasses.field(default_factory=list)  # the nested notifiee's


HANDLER = """$comment$
  virtual void on$Cap$($Kparam$);"""

ATTR_HANDLER_DEF = """void $T$::XelNboAttrLogSa::on$Cap$() { onAttr($row$); }"""

FORWARD = """  void on$Cap$($Kparam$) override {
    if (XelNboAttrLogSa* sa = adapter()) sa->on$Cap$($Karg$);
  }"""

DIRTY_BIT = """$comment$
  bool xelIs$Cap$Dirty() const noexcept { return bit($bit$); }
  void xelIs$Cap$DirtyIs(bool dirty) noexcept { bitIs($bit$, dirty); }"""

STRING_DECL = """  // Writes the text in pieces from where it stopped; true when complete.
  bool xelHandle$Cap$Serialize();"""

STRING_DEF = """bool $T$::XelNboAttrLogSa::xelHandle$Cap$Serialize() { return writeString($row$); }"""

CHILD_LOG_DECLS = """  // The child's adapter for this log: installed with its creation record
  // (the key read off the child), found, or taken off the log.
  Xel::Ptr<Xel::Entity::XelNboAttrLogSa> $name$NboAttrLogAdapterIs(
      Xel_BitSet flags, Xel::Ptr<$C$> const& child, unsigned int n,
      Xel::Ptr<Xel::NboAttrLog::Out> const& out, Xel::PtrInterface* owner);
  Xel::Entity::XelNboAttrLogSa* $name$NboAttrLogAdapter(Xel::Ptr<$C$ const> const& child) const {
    return childLog(child.ptr());
  }
  Xel::Ptr<Xel::Entity::XelNboAttrLogSa> $name$NboAttrLogAdapterDel(Xel::Ptr<$C$> const& child) {
    return childLogDel(child.ptr());
  }"""

CHILD_LOG_DEF = """Xel::Ptr<Xel::Entity::XelNboAttrLogSa> $T$::XelNboAttrLogSa::$name$NboAttrLogAdapterIs(
    Xel_BitSet flags, Xel::Ptr<$C$> const& child, unsigned int n,
    Xel::Ptr<Xel::NboAttrLog::Out> const& out, Xel::PtrInterface* owner) {
  return childLogIs($row$, flags, child.ptr(), nullptr, n, out, owner);
}"""

COLLECTION_DECLS = """  $writer$
  // The collection's part of a scheduled flush; true when complete.
  bool xelHandle$Cap$SerializeColl();"""

VALUE_WRITER = "void xelHandle$Cap$SerializeSing($Kp$ key, $Vp$ value, bool removed);"
CHILD_WRITER = "void xelHandle$Cap$SerializeSing($Kp$ key, Xel::Ptr<$C$> const& child);"

COLLECTION_DEFS = """void $T$::XelNboAttrLogSa::on$Cap$($Kp$ key) { $row$.log.onMember(*this, $row$, &key); }

$writerdef$

bool $T$::XelNboAttrLogSa::xelHandle$Cap$SerializeColl() { return $row$.log.flush(*this, $row$); }"""

VALUE_WRITER_DEF = """void $T$::XelNboAttrLogSa::xelHandle$Cap$SerializeSing($Kp$ key, $Vp$ value, bool removed) {
  $row$.log.writeMember(*this, $row$, &key, &value, removed);
}"""

CHILD_WRITER_DEF = """void $T$::XelNboAttrLogSa::xelHandle$Cap$SerializeSing($Kp$ key, Xel::Ptr<$C$> const& child) {
  $row$.log.writeMember(*this, $row$, &key, child.ptr(), !child);
}"""

KEY_SET = """$comment$
  void xel$Cap$HasSyncedIs(bool synced) noexcept { bitIs($bit$, synced); }
  using XelXelIs$Cap$Dirty = $A$::DirtyKeys<$K$>;
  XelXelIs$Cap$Dirty& xelXelIs$Cap$Dirty() noexcept { return xelIs$Cap$Dirty_; }
  void newXelIs$Cap$Dirty($Kp$ key, bool dirty) { xelIs$Cap$Dirty_.newMember(key, dirty); }
  void xelIs$Cap$DirtyIs($Kp$ key, bool dirty) { xelIs$Cap$Dirty_.is(key, dirty); }
  bool xelIs$Cap$DirtyDel($Kp$ key) { return xelIs$Cap$Dirty_.del(key); }"""


def _values(p, m: Member, **more) -> dict:
    comment = f"  // {m.declaration}"
    return dict(T=p.type.name, name=m.name, Cap=m.capitalized, A=p.A, comment=comment,
                row=f"xelAttrs[{p.type.members.index(m)}]",
                bit=str(p.schema.log_bit(p.type, m)), Kparam="", Karg="", **more)


def _single(p, m: Member, out: LogPieces, **more) -> dict:
    """What every single-valued attribute has: its handler, its dirty bit,
    its forwarder."""
    v = _values(p, m, **more)
    out.decls.append(subst(HANDLER, **v))
    out.defs.append(subst(ATTR_HANDLER_DEF, **v))
    out.flow.append(subst(DIRTY_BIT, **v))
    out.forwards.append(subst(FORWARD, **v))
    return v


def emit_plain(p, m: Member, out: LogPieces) -> None:
    _single(p, m, out)


def emit_string(p, m: Member, out: LogPieces) -> None:
    v = _single(p, m, out)
    out.decls.append(subst(STRING_DECL, **v))
    out.defs.append(subst(STRING_DEF, **v))


def _child_log(out: LogPieces, v: dict) -> None:
    out.decls.append(subst(CHILD_LOG_DECLS, **v))
    out.defs.append(subst(CHILD_LOG_DEF, **v))


def emit_single_child(p, m: Member, out: LogPieces) -> None:
    v = _single(p, m, out, C=m.type)
    _child_log(out, v)


def _collection(p, m: Member, out: LogPieces, writer: str, writer_def: str, **more) -> dict:
    key = cpp_type(p.schema, m.key_type)
    v = _values(p, m, K=key.spelling, Kp=key.param(), **more)
    v.update(Kparam=f"{key.param()} key", Karg="key")
    out.decls.append(subst(HANDLER, **v))
    out.decls.append(subst(COLLECTION_DECLS, writer=subst(writer, **v), **v))
    out.defs.append(subst(COLLECTION_DEFS, writerdef=subst(writer_def, **v), **v))
    out.flow.append(subst(KEY_SET, **v))
    out.flow_fields.append(subst("  XelXelIs$Cap$Dirty xelIs$Cap$Dirty_;", **v))
    # The collection's other handlers stay the notifiee's own.
    out.forwards.append(subst("  using AdapterNotifiee::on$Cap$;\n" + FORWARD, **v))
    return v


def emit_value_collection(p, m: Member, out: LogPieces) -> None:
    _collection(p, m, out, VALUE_WRITER, VALUE_WRITER_DEF,
                Vp=cpp_type(p.schema, m.type).param())


def emit_child_collection(p, m: Member, out: LogPieces) -> None:
    v = _collection(p, m, out, CHILD_WRITER, CHILD_WRITER_DEF, C=m.type)
    _child_log(out, v)


EMITTERS = {
    "plain": emit_plain,
    "enumeration": emit_plain,
    "string": emit_string,
    "singleChild": emit_single_child,
    "valueCollection": emit_value_collection,
    "childCollection": emit_child_collection,
}


def log_pieces(p) -> LogPieces:
    out = LogPieces()
    for m in p.schema.written(p.type):
        EMITTERS[attr_kind(p.schema, m)](p, m, out)
    return out


def row_log(p, m: Member, kind: str) -> str | None:
    """The `.log` of a table row: what the adapter calls for the attribute,
    or None where the log does nothing with it itself."""
    T = p.type.name
    if p.type.kind != "entity":
        return None
    if m.kind == "key" or (p.schema.log_bit(p.type, m) and kind in ("plain", "enumeration")):
        return f"{p.A}::valueLog<&{T}::{m.name}>()"
    if kind in ("valueCollection", "childCollection"):
        keys = f"&{T}::XelNboAttrLogSa::FlowOut::xelXelIs{m.capitalized}Dirty"
        return f"{p.A}::collectionLog<&{T}::{m.name}Map,\n{' ' * 32}{keys}>()"
    return None


HOOK_DECLS = """
  // The attribute log (FhrpConf/attrlog/Install.h): this entity's adapter
  // for a log, found, installed or taken off it.
  class XelNboAttrLogSa;
  Xel::Entity::XelNboAttrLogSa const* xelNboAttrLogSa(
      Xel::Ptr<Xel::NboAttrLog::Out const> const& out) const override;
  bool xelHasAttrLogInterface() const override;
  Xel::Entity::XelNboAttrLogSa* xelNboAttrLogSa(
      Xel::Ptr<Xel::NboAttrLog::Out const> const& out) override;
  Xel::Ptr<Xel::Entity::XelNboAttrLogSa> xelNboAttrLogSaForMsgChannel(
      Xel::Ptr<Xel::Entity::XelNboAttrLogSa> const& other) const override;
  Xel::Ptr<Xel::Entity::XelNboAttrLogSa> xelNboAttrLogSaIs(
      Xel_BitSet flags, unsigned int n, Xel::Ptr<Xel::NboAttrLog::Out> const& out,
      Xel::PtrInterface* owner) override;
  void xelNboAttrLogSaDel(Xel::Ptr<Xel::NboAttrLog::Out const> const& out) override;
  // Leaving its parent takes the adapters its parent's adapters installed
  // off their logs.
  void handleParent(Xel::Ptr<Xel::Entity> const& parent) override;
"""

HOOK_DEFS = """
Xel::Entity::XelNboAttrLogSa const* $T$::xelNboAttrLogSa(
    Xel::Ptr<Xel::NboAttrLog::Out const> const& out) const {
  return $A$::adapterFor(notifiees_, out.ptr());
}

bool $T$::xelHasAttrLogInterface() const { return true; }

Xel::Entity::XelNboAttrLogSa* $T$::xelNboAttrLogSa(Xel::Ptr<Xel::NboAttrLog::Out const> const& out) {
  return $A$::adapterFor(notifiees_, out.ptr());
}

Xel::Ptr<Xel::Entity::XelNboAttrLogSa> $T$::xelNboAttrLogSaForMsgChannel(
    Xel::Ptr<Xel::Entity::XelNboAttrLogSa> const& other) const {
  return $A$::adapterForMsgChannel(notifiees_, other.ptr());
}

Xel::Ptr<Xel::Entity::XelNboAttrLogSa> $T$::xelNboAttrLogSaIs(
    Xel_BitSet flags, unsigned int n, Xel::Ptr<Xel::NboAttrLog::Out> const& out,
    Xel::PtrInterface* owner) {
  return $A$::adapterIs<XelNboAttrLogSa>(*this, flags, n, out, owner);
}

void $T$::xelNboAttrLogSaDel(Xel::Ptr<Xel::NboAttrLog::Out const> const& out) {
  $A$::adapterDel(notifiees_, out.ptr());
}

void $T$::handleParent(Xel::Ptr<Xel::Entity> const& parent) {
  if (!parent) $A$::parentLeft(notifiees_);
}
"""

ADAPTER_DEFS = """// --------------------------------------------------------------------------
// The attribute-log adapter

$T$::XelNboAttrLogSa::XelNboAttrLogSa(Xel_BitSet flags, $T$* entity, unsigned int n,
                                     Xel::Ptr<Xel::NboAttrLog::Out> const& out,
                                     Xel::PtrInterface* owner)
    : Adapter(flags, entity, entity, xelTypeInfo, n, out, owner) {
  Xel::Ptr<XelNboAttrLogSaAdapter_> const notifiee(new XelNboAttrLogSaAdapter_(entity, this));
  xelAdapterNotifieeIs(notifiee, notifiee.ptr());
}

$T$::XelNboAttrLogSa::~XelNboAttrLogSa() = default;

Xel::Ptr<$A$::FlowOut> $T$::XelNboAttrLogSa::newFlowOut(Xel::AttributeId start) const {
  return Xel::Ptr<$A$::FlowOut>(new FlowOut(start));
}

$T$::XelNboAttrLogSa::FlowOut::FlowOut(Xel::AttributeId start) noexcept
    : $A$::FlowOut(xelTypeInfo, start) {}
$defs$
"""


def teardown(p) -> list[str]:
    """The destructor's first line: adapters that outlived their hold on
    the entity (weak ones) leave their logs before its children go."""
    return [f"  {p.A}::entityGone(notifiees_);"]


def hook_decls() -> str:
    return HOOK_DECLS


def hook_defs(p) -> str:
    return subst(HOOK_DEFS, T=p.type.name, A=p.A)


def adapter_header(p, pieces: LogPieces, template) -> str:
    fields = ""
    if pieces.flow_fields:
        fields = "\n private:\n" + "\n".join(pieces.flow_fields) + "\n"
    return subst(template("attrlog.h"), T=p.type.name, A=p.A,
                 decls="\n\n".join(pieces.decls), flow="\n\n".join(pieces.flow),
                 flowfields=fields, forwards="\n".join(pieces.forwards))


def adapter_source(p, pieces: LogPieces) -> str:
    defs = "".join("\n" + d + "\n" for d in pieces.defs)
    return subst(ADAPTER_DEFS, T=p.type.name, A=p.A, defs=defs)
