"""The classes of the model, one per registered type, made from the type
registry when the package is imported (model.pyi, written from the schema,
describes them). A class is named as the registry names its type, without
the namespace: Routing::Fhrp::VrrpVirtualRouterConfig is
VrrpVirtualRouterConfig, Pelno::IpAddr is IpAddr. The framework's own types
(numbers, bools, strings, its bases) are left to Python's own."""

from __future__ import annotations

from . import _core
from ._wrap import Object, Value, register

__all__: list[str] = []


def _make_classes() -> None:
    for full in _core.type_names():
        if "::" not in full or full.startswith("Xel::"):
            continue
        short = full.rpartition("::")[2]
        base = Value if _core.is_value(full) else Object
        cls = type(short, (base,), {
            "__slots__": (),
            "__module__": __name__,
            "__doc__": f"{full}, as registered with the type registry.",
            "_type_name": full,
        })
        register(full, cls)
        globals()[short] = cls
        __all__.append(short)


_make_classes()
