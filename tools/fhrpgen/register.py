"""Writing the registration of the schema's types with the framework.

Everything a type registers is read off its attribute table at run time
(reflect/FhrpConf/reflect/Registration.h); what is generated here is only
what cannot be a table: each type's descriptor class with the operations it
overrides, its _fwkType(), the list of types in registration order and the
`.xel.type` section.
"""

from __future__ import annotations

from .members import subst
from .emit import LAYER_PARENT, template
from .schema import Schema
from .types import cpp_type

TYPE_CLASS = """// $full$
class $T$::_Type : public $R$::TypeOf<$T$> {
 public:
  _Type() : TypeOf($T$::xelTypeInfo) {}
$newEntity$};

Xel::XelType* $T$::xelType_ = nullptr;

Xel::XelType* $T$::_fwkType() {
  return $R$::fwkType<$T$>(xelType_, &xelInitFhrpConfig);
}
$fwkType$"""

NEW_ENTITY = """
  Xel::Ptr<Xel::Entity> newEntity(Xel::Name const& name, Xel::Dir*) const override {
    return $factory$(name);
  }
"""

FROM_LOG = """
  using TypeOf::newEntity;
  Xel::Ptr<Xel::Entity> newEntity(Xel::NboAttrLog::In* in, Xel_BitSet, unsigned int,
                                  Xel::PtrInterface*) const override {
    return $A$::entityFromLog<$T$, $K$>(*in);
  }
"""

FWK_TYPE = """
Xel::XelType const* $T$::fwkType() const {
  return _fwkType();
}
"""


def registration(schema: Schema, source: str) -> dict[str, str]:
    prefix = "" if schema.namespace == LAYER_PARENT else f"::{LAYER_PARENT}::"
    R, E = prefix + "reflect", prefix + "entity"
    classes = []
    for t in schema.types:
        new_entity = ""
        if "makebyname" in t.options:
            new_entity = subst(NEW_ENTITY, factory=t.name[0].lower() + t.name[1:] + "Factory")
        if t.kind == "entity":
            key = "Xel::Name" if t.named else cpp_type(schema, t.key.type).spelling
            new_entity += subst(FROM_LOG, A=prefix + "attrlog", T=t.name, K=key)
        fwk = "" if t.kind == "value" else subst(FWK_TYPE, T=t.name)
        classes.append(subst(TYPE_CLASS, full=f"{schema.namespace}::{t.name}", T=t.name, R=R,
                             newEntity=new_entity, fwkType=fwk))
    types = "\n".join(f"    &{t.name}::xelTypeInfo," for t in schema.types)
    section = "\n".join(f'    "{schema.namespace}::{t.name}\\0"' for t in reversed(schema.types))
    text = subst(template("registration.cc"), schema=source, ns=schema.namespace, E=E, R=R,
                 classes="\n".join(classes), types=types, section=section)
    return {"Registration.cc": text}
