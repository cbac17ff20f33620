"""The generic interface of a type: T::GenericIf_, and for an entity its
nested adapter.

Everything the interface does lives in the hand-written runtime
(reflect/FhrpConf/reflect/GenericIf.h), which reads the type's table; what
is generated is the named surface:

  every type              the class over its template (EntityIf, ObjectIf,
                          ValueIf) and, where the type can be built from its
                          key, genericIfListConstructor, which the type's
                          descriptor (reflect::TypeOf) then serves
  an entity's attribute   its handler onX in the interface, one line that
  that notifies           reports the id (and a collection's, the member's
                          key), and its forwarder in the adapter
"""

from __future__ import annotations

from .members import subst
from .schema import Schema, Type
from .types import cpp_type

ENTITY = """
// The generic interface over one $T$ (FhrpConf/reflect/GenericIf.h): its
// attributes by id, served from the type's table.
class FHRPCONF_EXPORT $T$::GenericIf_ : public $R$::EntityIf<$T$> {
 public:
  class GenericIf_Adapter_;

  GenericIf_(Xel::Ptr<$T$> const& obj, bool isConst);
$list$
  // One per attribute that notifies: reports its id (onAttribute), now or
  // when the interface's activity runs; a collection's, with the member's
  // key.
$handlers$
};

// Brings each change of a $T$ to its generic interface, behind the stream
// adapters.
class $T$::GenericIf_::GenericIf_Adapter_ : public $R$::IfAdapter<$T$, $T$::GenericIf_> {
 public:
  using IfAdapter::IfAdapter;

$forwards$
};

inline $T$::GenericIf_::GenericIf_(Xel::Ptr<$T$> const& obj, bool isConst)
    : EntityIf(obj, isConst) {}
"""

OTHER = """
// The generic interface over one $T$ (FhrpConf/reflect/GenericIf.h): its
// attributes by id, served from the type's table.
class FHRPCONF_EXPORT $T$::GenericIf_ : public $R$::$base$<$T$> {
 public:
  using $base$::$base$;
$list$};
"""

LIST = """  // A new $T$ from an argument list holding $args$.
  static Xel::Ptr<Xel::GenericIf> genericIfListConstructor(
      Xel::Ptr<Xel::GenericIf const> const& args) {
    return $R$::$call$;
  }
"""

HANDLER = "  void on$Cap$() { attributeChanged($id$); }"
MEMBER_HANDLER = "  void on$Cap$($Kparam$ key) { attributeChanged($id$, &key); }"

FORWARD = """  void on$Cap$() override {
    if (GenericIf_* i = iface()) i->on$Cap$();
  }"""
MEMBER_FORWARD = """  void on$Cap$($Kparam$ key) override {
    if (GenericIf_* i = iface()) i->on$Cap$(key);
  }"""

def _lower_camel(name: str) -> str:
    return name[0].lower() + name[1:]


def has_list_constructor(t: Type) -> bool:
    return "nofactory" not in t.options


def _list(schema: Schema, t: Type, R: str) -> str:
    if not has_list_constructor(t):
        return ""
    if t.named:
        names, types = ["name"], ["Xel::String8"]
    else:
        names = [k.name for k in t.keys]
        types = [cpp_type(schema, k.type).spelling for k in t.keys]
    targs = ", ".join([t.name] + types)
    if t.kind == "value":
        call = f"listConstructedValue<{targs}>(args)"
    else:
        call = f"listConstructed<{targs}>(args, &{_lower_camel(t.name)}Factory)"
    return subst(LIST, T=t.name, R=R, call=call, args=", ".join(names))


def interface(schema: Schema, t: Type, R: str) -> str:
    """The interface's classes, for the type's header after the type."""
    lst = _list(schema, t, R)
    if t.kind != "entity":
        base = "ValueIf" if t.kind == "value" else "ObjectIf"
        return subst(OTHER, T=t.name, R=R, base=base, list=lst)
    handlers, forwards = [], []
    for m in schema.written(t):
        if m.kind == "collection":
            key = cpp_type(schema, m.key_type).param()
            handlers.append(subst(MEMBER_HANDLER, Cap=m.capitalized, id=str(m.id), Kparam=key))
            forwards.append(f"  using IfAdapter::on{m.capitalized};")
            forwards.append(subst(MEMBER_FORWARD, Cap=m.capitalized, Kparam=key))
        else:
            handlers.append(subst(HANDLER, Cap=m.capitalized, id=str(m.id)))
            forwards.append(subst(FORWARD, Cap=m.capitalized))
    return subst(ENTITY, T=t.name, R=R, list=lst, handlers="\n".join(handlers),
                 forwards="\n".join(forwards))
