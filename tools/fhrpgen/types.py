"""How each schema type appears in C++: its spelling, its header, how it is
passed, and how a schema default of that type is written."""

from __future__ import annotations

import dataclasses
import ipaddress


@dataclasses.dataclass(frozen=True)
class CppType:
    spelling: str
    header: str | None
    by_ref: bool = False  # passed as `T const&`
    literal: bool = False  # constants can be constexpr
    registered: str = ""  # the name the type registry knows it by
    descriptor: str = ""  # the C++ expression of its descriptor

    def param(self) -> str:
        return f"{self.spelling} const&" if self.by_ref else self.spelling


def _enum(spelling: str, header: str) -> CppType:
    return CppType(spelling, header, literal=True, registered=spelling,
                   descriptor=f"Pelno::fwkType<{spelling}>()")


def _pelno(spelling: str, header: str, by_ref: bool = False) -> CppType:
    return CppType(spelling, header, by_ref=by_ref, registered=spelling,
                   descriptor=f"Pelno::fwkType<{spelling}>()")


def _model(name: str, by_ref: bool = False) -> CppType:
    return CppType(name, f"FhrpConf/{name}.h", by_ref=by_ref,
                   registered=f"Routing::Fhrp::{name}", descriptor=f"{name}::_fwkType()")


CPP = {
    "bool": CppType("bool", None, literal=True, registered="bool",
                    descriptor="Xel::Builtin<bool>::_fwkType()"),
    "U32": CppType("unsigned int", None, literal=True, registered="U32",
                   descriptor="Xel::Builtin<unsigned int>::_fwkType()"),
    "String8": CppType("Xel::String8", "Xel/String8.h", registered="Xel::String",
                       descriptor="Xel::Builtin<Xel::String8>::_fwkType()"),
    "Name": CppType("Xel::Name", "Xel/String8.h", registered="Xel::Name"),
    "IntfId": _pelno("Pelno::IntfId", "Pelno/IntfId.h"),
    "IpAddr": _pelno("Pelno::IpAddr", "Pelno/IpAddr.h"),
    "Ip6Addr": _pelno("Pelno::Ip6Addr", "Pelno/Ip6Addr.h", by_ref=True),
    "IpGenAddr": CppType("Pelno::IpGenAddr", "Pelno/IpGenAddr.h", by_ref=True),
    # The model hashes these two itself (FhrpConf/ModelHashes.h).
    "IpAddrWithMask": _pelno("Pelno::IpAddrWithMask", "FhrpConf/ModelHashes.h", by_ref=True),
    "EthAddr": _pelno("Pelno::EthAddr", "Pelno/EthAddr.h", by_ref=True),
    "VrfIpPair": _pelno("VirtualIp::VrfIpPair", "FhrpConf/ModelHashes.h", by_ref=True),
    "BfdPeer": _pelno("Bfd::Peer", "Bfd/Peer.h", by_ref=True),
    "AddressFamily": _enum("Pelno::AddressFamily", "Pelno/AddressFamily.h"),
    "VrrpAuthType": _enum("Pelno::VrrpAuthType", "Pelno/VrrpAuthType.h"),
    "IntfEnabledState": _enum("Interface::IntfEnabledState", "Interface/IntfEnabledState.h"),
    "AcceptMode": _enum("VirtualIp::AcceptMode", "VirtualIp/AcceptMode.h"),
    "VrId": _model("VrId"),
    "FhrpIntfIdPair": _model("FhrpIntfIdPair", by_ref=True),
    "FhrpConfigKey": _model("FhrpConfigKey", by_ref=True),
}


class DefaultError(ValueError):
    pass


def default_expr(type_name: str, text: str) -> str:
    """The C++ expression for the schema default `text` of type `type_name`."""
    t = CPP[type_name]
    if type_name == "bool":
        if text not in ("true", "false"):
            raise DefaultError(f"a bool is true or false, not '{text}'")
        return text
    if type_name == "U32" or t.spelling.endswith(("Family", "AuthType", "EnabledState", "Mode")):
        if not text.isdigit() or int(text) > 0xFFFFFFFF:
            raise DefaultError(f"'{text}' is not an unsigned 32-bit number")
        return f"{text}u" if type_name == "U32" else f"static_cast<{t.spelling}>({text})"
    if type_name in ("String8", "Name"):
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
