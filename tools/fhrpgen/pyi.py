"""The type stubs of the Python package fhrpconf: model.pyi.

At run time fhrpconf.model makes one class per registered type from the
type registry; these stubs tell editors and type checkers what those
classes hold, with each member's doc line. A class is named as the registry
names the type, without its namespace (Pelno::IpAddr is IpAddr); numbers,
bools and strings are Python's own.

What a member becomes:
  key, const, computed   a read-only property
  attr                   a property with a setter, which also takes the
                         value's text (or, for a value type built from one
                         number, the number)
  collection             Collection[K, V], or Children[K, C] of entities
  child                  a property that may be None; make() makes it
"""

from __future__ import annotations

from .schema import Member, Schema, Type

HEADER = '''"""The classes of the model, one per registered type (written from {source})."""

from ._wrap import Children, Collection, Object, Value

'''

BUILTINS = {"builtin": {"bool": "bool", "U32": "int"}, "string": "str", "name": "str"}


def _registered(schema: Schema, name: str) -> str:
    imp = schema.imports.get(name)
    return imp.registered if imp else f"{schema.namespace}::{name}"


def class_name(schema: Schema, name: str) -> str:
    """The Python class of schema type `name`: the registry's name, bare."""
    return _registered(schema, name).split("::")[-1]


def _python(schema: Schema, name: str) -> str:
    imp = schema.imports.get(name)
    if imp and imp.kind in ("string", "name"):
        return "str"
    if imp and imp.kind == "builtin":
        return BUILTINS["builtin"][name]
    return class_name(schema, name)


def _accepted(schema: Schema, name: str) -> str:
    """What a setter or a key takes: the type, or its text, or a number."""
    py = _python(schema, name)
    if py in ("int", "bool", "str"):
        return py
    t = schema.type(name)
    if t and t.kind == "value" and len(t.keys) == 1 and _python(schema, t.keys[0].type) == "int":
        return f"{py} | int | str"
    return f"{py} | str"


def _doc(text: str, indent: str) -> str:
    text = text.replace("\\", "\\\\").replace('"""', "'''")
    return f'{indent}"""{text}"""\n' if text else f"{indent}...\n"


def _member(schema: Schema, m: Member) -> str:
    out = "    @property\n"
    if m.kind == "collection":
        value = schema.type(m.type)
        wrapper = "Children" if value and value.kind == "entity" else "Collection"
        out += (f"    def {m.name}(self) -> {wrapper}[{_python(schema, m.key_type)}, "
                f"{_python(schema, m.type)}]:\n")
        return out + _doc(m.doc, "        ")
    if m.kind == "child":
        out += f"    def {m.name}(self) -> {_python(schema, m.type)} | None:\n"
        out += _doc(m.doc, "        ")
        out += f"    @{m.name}.deleter\n    def {m.name}(self) -> None: ...\n"
        return out
    out += f"    def {m.name}(self) -> {_python(schema, m.type)}:\n" + _doc(m.doc, "        ")
    if m.kind == "attr":
        out += (f"    @{m.name}.setter\n    def {m.name}(self, value: "
                f"{_accepted(schema, m.type)}) -> None: ...\n")
    return out


def _constructor(schema: Schema, t: Type) -> str:
    if "nofactory" in t.options:
        return ""
    if t.named:
        params = ["name: str"]
    else:
        params = [f"{k.name}: {_accepted(schema, k.type)}" for k in t.keys]
    return f"    def __init__(self, {', '.join(params)}) -> None: ...\n"


def _type(schema: Schema, t: Type) -> str:
    base = "Value" if t.kind == "value" else "Object"
    out = f"class {t.name}({base}):\n" + _doc(t.doc, "    ") + _constructor(schema, t)
    if t.kind == "entity":
        out += "    @property\n    def name(self) -> str: ...\n"
        out += "    @property\n    def parent(self) -> Object | None: ...\n"
    for m in t.members:
        out += _member(schema, m)
    return out


def _imported(schema: Schema) -> str:
    out = []
    for imp in schema.imports.values():
        if imp.kind not in ("value", "enum"):
            continue
        kind = "an enumerator's name" if imp.kind == "enum" else "its text"
        out.append(f"class {class_name(schema, imp.name)}(Value):\n"
                   f'    """{imp.registered}: built from {kind}."""\n'
                   f"    def __init__(self, text: str) -> None: ...\n")
    return "\n".join(out)


def stubs(schema: Schema, source: str) -> str:
    parts = [HEADER.format(source=source), _imported(schema)]
    parts += [_type(schema, t) for t in schema.types]
    names = [class_name(schema, i.name) for i in schema.imports.values()
             if i.kind in ("value", "enum")] + [t.name for t in schema.types]
    parts.append("__all__ = [" + ", ".join(f'"{n}"' for n in names) + "]\n")
    return "\n".join(parts)
