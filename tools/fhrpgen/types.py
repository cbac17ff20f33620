"""How each schema type appears in C++: its spelling, its header, how it is
passed, how the registry knows it, and how a schema default of that type is
written. Everything here follows from the schema: the `import` lines for the
types the model uses, the type declarations for its own."""

from __future__ import annotations

import dataclasses
import ipaddress


@dataclasses.dataclass(frozen=True)
class CppType:
    name: str  # as the schema names it
    kind: str  # an import kind, or the kind of a model type (value, entity, object)
    spelling: str
    header: str | None
    by_ref: bool = False  # passed as `T const&`
    registered: str = ""  # the name the type registry knows it by
    descriptor: str = ""  # the function that returns its descriptor, or "" for none

    @property
    def literal(self) -> bool:
        """Whether constants of the type can be constexpr."""
        return self.kind in ("builtin", "enum")

    def param(self) -> str:
        return f"{self.spelling} const&" if self.by_ref else self.spelling

    @property
    def small(self) -> bool:
        """Whether a value of the type is as cheap to copy as a number."""
        return self.literal or (self.kind == "value" and self.header is not None and
                                self.header.startswith("FhrpConf/") and not self.by_ref)

    def ret(self) -> str:
        """How a getter returns a stored value of the type."""
        return self.spelling if self.small else f"{self.spelling} const&"

    def type_ref(self) -> str:
        """The attribute table's reference to the type: its descriptor and
        registered name."""
        descriptor = f"&{self.descriptor}" if self.descriptor else "nullptr"
        return f'{{{descriptor}, "{self.registered}"}}'


# Where each import kind's descriptor comes from: the framework describes
# its builtins, the network library its values and enumerations.
_DESCRIPTOR = {
    "builtin": "Xel::Builtin<{}>::_fwkType",
    "string": "Xel::Builtin<{}>::_fwkType",
    "name": "",
    "enum": "Pelno::fwkType<{}>",
    "value": "Pelno::fwkType<{}>",
}


def cpp_type(schema, name: str) -> CppType:
    imp = schema.imports.get(name)
    if imp is not None:
        descriptor = _DESCRIPTOR[imp.kind]
        return CppType(name, imp.kind, imp.spelling, imp.header, imp.by_ref, imp.registered,
                       descriptor.format(imp.spelling) if descriptor else "")
    t = schema.type(name)
    if t is None:
        raise KeyError(name)
    # A value made of builtins alone is as cheap to copy as a number.
    by_ref = t.kind == "value" and not all(
        m.type in schema.imports and schema.imports[m.type].kind == "builtin" for m in t.fields)
    return CppType(name, t.kind, name, f"FhrpConf/{name}.h", by_ref,
                   f"{schema.namespace}::{name}", f"{name}::_fwkType")


class DefaultError(ValueError):
    pass


def default_expr(schema, type_name: str, text: str) -> str:
    """The C++ expression for the schema default `text` of type `type_name`."""
    t = cpp_type(schema, type_name)
    if t.kind == "builtin" and t.spelling == "bool":
        if text not in ("true", "false"):
            raise DefaultError(f"a bool is true or false, not '{text}'")
        return text
    if t.kind in ("builtin", "enum"):
        if not text.isdigit() or int(text) > 0xFFFFFFFF:
            raise DefaultError(f"'{text}' is not an unsigned 32-bit number")
        return f"{text}u" if t.kind == "builtin" else f"static_cast<{t.spelling}>({text})"
    if t.kind in ("string", "name"):
        if len(text) < 2 or text[0] != '"' or text[-1] != '"':
            raise DefaultError(f"a string default is written in double quotes, not {text}")
        return f"{t.spelling}()" if text == '""' else f"{t.spelling}({text})"
    if type_name == "IpAddr":
        try:
            host = int(ipaddress.IPv4Address(text))
        except ValueError:
            raise DefaultError(f"'{text}' is not an IPv4 address") from None
        return f"{t.spelling}()" if host == 0 else f"{t.spelling}::fromHostOrder(0x{host:08x}u)"
    if type_name == "Ip6Addr":
        try:
            value = int(ipaddress.IPv6Address(text))
        except ValueError:
            raise DefaultError(f"'{text}' is not an IPv6 address") from None
        if value == 0:
            return f"{t.spelling}()"
        raise DefaultError("only :: is supported as an IPv6 default")
    if type_name == "EthAddr":
        if text.replace("0", "").replace(":", ""):
            raise DefaultError("only the zero MAC address is supported as a default")
        return f"{t.spelling}()"
    if text in ("0", "{}"):
        return f"{t.spelling}()"
    raise DefaultError(f"no default other than 0 is supported for {type_name}")
