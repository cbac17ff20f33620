"""Objects, values and collections over the library's generic interface.

Every wrapper holds one generic interface (a _core.Handle) and turns Python
attribute access into attribute operations by id: what an attribute is
(a value, a collection, a child) comes from the interface's own
description of its type, so nothing here knows one type from another.

Python values cross into the library by their text forms: an int, a bool
or a str is read as the text of the type the attribute takes ("192.0.2.1"
for an address, 5 for a virtual router id), and a type whose text is
quoted (an interface name) also takes the bare text. Numbers, bools and
strings come back as Python's own; other values as Value objects, whose
str() is their text form.
"""

from __future__ import annotations

from collections.abc import Callable, Iterator, MutableMapping
from typing import Any, ClassVar, Generic, NamedTuple, TypeVar

from . import _core

READ, COUNT, MODIFICATIONS, CONTAINS, EQUALS, WRITE, DELETE = 0, 1, 2, 3, 100, 128, 129
STRING = "Xel::String"

K = TypeVar("K")
V = TypeVar("V")


class Description(NamedTuple):
    """What one attribute of a type is."""

    id: int
    name: str
    value_type: str  # a collection's values' (children's) type
    key_type: str | None  # a collection's keys', a single child's name
    collection: bool
    writable: bool
    child: bool


# Classes by registered type name (model.py fills it in), descriptions by
# type name, and whether a type's text is quoted.
_classes: dict[str, type] = {}
_descriptions: dict[str, dict[str, Description]] = {}
_quoted: dict[str, bool] = {}


def register(type_name: str, cls: type) -> None:
    _classes[type_name] = cls


def describe(handle: _core.Handle) -> dict[str, Description]:
    found = _descriptions.get(handle.type_name)
    if found is None:
        found = {d[1]: Description(*d) for d in handle.describe()}
        _descriptions[handle.type_name] = found
    return found


def attributes(node: _Node) -> list[Description]:
    """What `node`'s attributes are, in id order: the framework's (name,
    parent) first, then its type's own."""
    return sorted(describe(node._handle).values(), key=lambda d: d.id)


def to_python(handle: _core.Handle | None) -> Any:
    """The value `handle` holds, as Python's own or as a wrapper."""
    if handle is None:
        return None
    plain = handle.builtin()
    if plain is not None:
        return plain
    if not handle.is_value and handle.identity() == 0:
        return None  # an interface over no object: a reference to None
    cls = _classes.get(handle.type_name, Value if handle.is_value else Object)
    return cls._wrap(handle)


def _is_quoted(type_name: str) -> bool:
    quoted = _quoted.get(type_name)
    if quoted is None:
        quoted = _core.default(type_name).text().startswith("'")
        _quoted[type_name] = quoted
    return quoted


def to_handle(type_name: str, value: Any) -> _core.Handle:
    """`value` as a generic interface of type `type_name`."""
    if isinstance(value, (Object, Value)):
        return value._handle
    if type_name == STRING:
        if not isinstance(value, str):
            raise TypeError(f"a str is needed, not {type(value).__name__}")
        return _core.from_str(value)
    if isinstance(value, bool):
        text = "true" if value else "false"
    elif isinstance(value, int):
        text = str(value)
    elif isinstance(value, str):
        text = value
        if _is_quoted(type_name) and not value.startswith("'"):
            text = _core.quote(value)
    else:
        raise TypeError(f"{type(value).__name__} does not convert to {type_name}")
    return _core.from_text(type_name, text)


def arguments(types: list[str], values: tuple[Any, ...]) -> _core.Handle:
    """An argument list: each value as the type in its place. A value beyond
    the last type still goes to the library, which refuses it with its own
    message."""
    handles = []
    for i, value in enumerate(values):
        if i < len(types):
            handles.append(to_handle(types[i], value))
        elif isinstance(value, (Object, Value)):
            handles.append(value._handle)
        else:
            handles.append(_core.from_str(str(value)))
    return _core.arguments(handles)


def construct(type_name: str, args: tuple[Any, ...]) -> _core.Handle:
    """A new object or value of `type_name` from its constructor's arguments
    or, for a value type that has none (an address), from its text."""
    params = _core.constructor_args(type_name)
    if params is None:
        if len(args) != 1:
            raise TypeError(f"{type_name} is built from one text, not {len(args)} arguments")
        return to_handle(type_name, args[0])
    return _core.construct(type_name, arguments([t for _, t in params], args))


class _Node:
    """What objects and values share: attributes by name."""

    __slots__ = ("_handle",)
    _type_name: ClassVar[str] = ""

    def __init__(self, *args: Any) -> None:
        if not self._type_name:
            raise TypeError(f"{type(self).__name__} stands for no type; use one of its classes")
        object.__setattr__(self, "_handle", construct(self._type_name, args))

    @classmethod
    def parse(cls, text: str) -> Any:
        """The value `text` reads as, in the type's text form; for an object,
        the live object a reference text names (None for None)."""
        if not cls._type_name:
            raise TypeError(f"{cls.__name__} stands for no type; use one of its classes")
        return to_python(_core.from_text(cls._type_name, text))

    @classmethod
    def _wrap(cls, handle: _core.Handle) -> Any:
        node = object.__new__(cls)
        object.__setattr__(node, "_handle", handle)
        return node

    def _attr(self, name: str) -> Description:
        d = describe(self._handle).get(name)
        if d is None:
            self._handle.attribute_id(name)  # raises the library's UnknownAttrError
            raise AttributeError(name)
        return d

    def __getattr__(self, name: str) -> Any:
        if name.startswith("_"):  # Python's own protocols (copy, pickle, ...)
            raise AttributeError(name)
        d = self._attr(name)
        if d.collection:
            return (Children if d.child else Collection)(self, d)
        return to_python(self._handle.op(d.id, READ))

    def __setattr__(self, name: str, value: Any) -> None:
        d = self._attr(name)
        if d.collection:
            raise TypeError(f"{name} is a collection: set its members")
        if d.child:
            raise TypeError(f"{name} is a child: make('{name}', name) makes it")
        self._handle.op(d.id, WRITE, None, to_handle(d.value_type, value))

    def __dir__(self) -> list[str]:
        return sorted(set(super().__dir__()) | set(describe(self._handle)))

    @property
    def read_only(self) -> bool:
        """Whether changes are refused (a replica's objects)."""
        return self._handle.is_const


class Object(_Node):
    """An entity or counted object of the model. Two Objects are equal when
    they stand for the same object."""

    __slots__ = ()

    def __delattr__(self, name: str) -> None:
        d = self._attr(name)
        if not d.child or d.collection:
            raise TypeError(f"{name} is not a single child; only a child can be deleted")
        self._handle.op(d.id, DELETE)

    def view(self) -> Any:
        """The same object, read only: a change through the view raises
        ConstError (as one through a replica does)."""
        return type(self)._wrap(self._handle.read_only())

    def make(self, name: str, *key: Any) -> Any:
        """Makes the child under attribute `name` with `key` (a child
        collection's key, a single child's name) and returns it, or returns
        the one there already under that key. A single child of another name
        is replaced, with all below it, as the library's xIs(name) does."""
        d = self._attr(name)
        if not d.child:
            raise TypeError(f"{name} holds no children")
        args = arguments([d.key_type] if d.key_type else [], key)
        return to_python(self._handle.op(d.id, WRITE, None, args))

    def on(self, name: str | Callable[..., Any] | None = None,
           fn: Callable[[Any, str, Any], Any] | None = None) -> Watch:
        """Calls fn(obj, attribute name, key) after each change of attribute
        `name` (of every attribute when no name is given); `key` is the
        member of a collection that changed, else None. The callback lasts
        until the Watch returned is cancelled."""
        if fn is None and callable(name):
            name, fn = None, name
        if fn is None:
            raise TypeError("on() needs a callback")
        names = {d.id: d.name for d in describe(self._handle).values()}
        wanted = None if name is None else self._attr(name).id
        callback = fn

        def heard(attr: int, key: _core.Handle | None) -> None:
            if wanted is None or attr == wanted:
                callback(self, names.get(attr, str(attr)), to_python(key))

        return Watch(self._handle.watch(heard))

    def __eq__(self, other: object) -> bool:
        if not isinstance(other, Object):
            return NotImplemented
        return self._handle.identity() == other._handle.identity()

    def __hash__(self) -> int:
        return hash(self._handle.identity())

    def __repr__(self) -> str:
        return f"<{type(self).__name__} {self._handle.text()}>"


class Value(_Node):
    """A value: an address, an id, a key. Equal to a value of the same type
    and text; a plain text or number is not a value (str(v) is its text),
    but reads as one wherever a value is taken."""

    __slots__ = ()

    def __str__(self) -> str:
        return self._handle.text()

    def __repr__(self) -> str:
        return f"<{type(self).__name__} {self._handle.text()}>"

    def __eq__(self, other: object) -> bool:
        if not isinstance(other, Value):
            return NotImplemented
        return (self._handle.type_name == other._handle.type_name and
                self._handle.text() == other._handle.text())

    def __hash__(self) -> int:
        return hash((self._handle.type_name, self._handle.text()))


class Collection(MutableMapping[K, V], Generic[K, V]):
    """A collection attribute as a mapping: keys and values are converted
    like attributes' values. A set of addresses maps each one to a flag."""

    __slots__ = ("_owner", "_d")

    def __init__(self, owner: _Node, d: Description) -> None:
        self._owner = owner
        self._d = d

    def _op(self, op: int, key: Any = None, value: _core.Handle | None = None) -> Any:
        index = None if key is None else to_handle(self._d.key_type, key)
        return self._owner._handle.op(self._d.id, op, index, value)

    def __getitem__(self, key: K | str | int) -> V:
        if not self._op(CONTAINS, key).builtin():
            raise KeyError(key)
        return to_python(self._op(READ, key))

    def __setitem__(self, key: K | str | int, value: Any) -> None:
        self._op(WRITE, key, to_handle(self._d.value_type, value))

    def __delitem__(self, key: K | str | int) -> None:
        if not self._op(CONTAINS, key).builtin():
            raise KeyError(key)
        self._op(DELETE, key)

    def __contains__(self, key: object) -> bool:
        return bool(self._op(CONTAINS, key).builtin())

    def __iter__(self) -> Iterator[K]:
        # The keys as they are now: the loop's body may change the collection.
        return iter([to_python(k) for k, _ in self._owner._handle.items(self._d.id)])

    def __len__(self) -> int:
        return self._op(COUNT).builtin()

    @property
    def modifications(self) -> int:
        """The collection's change counter."""
        return self._op(MODIFICATIONS).builtin()

    def on(self, fn: Callable[[Any, str, Any], Any]) -> Watch:
        """Calls fn(owner, name, key) after each change of a member."""
        assert isinstance(self._owner, Object)
        return self._owner.on(self._d.name, fn)

    def __repr__(self) -> str:
        items = ", ".join(f"{k!r}: {v!r}" for k, v in self.items())
        return f"{{{items}}}"


class Children(Collection[K, V]):
    """A collection of child entities: make(key) makes one, del removes one."""

    __slots__ = ()

    def __setitem__(self, key: Any, value: Any) -> None:
        raise TypeError(f"{self._d.name} holds children: make(key) makes one")

    def make(self, key: K | str | int) -> V:
        """The child under `key`, made if there is none."""
        assert isinstance(self._owner, Object)
        return self._owner.make(self._d.name, key)


_watches: set[Watch] = set()


class Watch:
    """A callback registered with on(); it lasts until cancel()."""

    def __init__(self, core: _core.Watch) -> None:
        self._core = core
        _watches.add(self)

    def cancel(self) -> None:
        self._core.cancel()
        _watches.discard(self)

    @property
    def active(self) -> bool:
        return self._core.active

    def __enter__(self) -> Watch:
        return self

    def __exit__(self, *exc: object) -> None:
        self.cancel()


def _plain(value: Any) -> Any:
    if isinstance(value, Value):
        return str(value)
    if isinstance(value, Object):
        return to_dict(value)
    return value


def to_dict(node: Object) -> dict[str, Any]:
    """Everything `node` holds that can be set, with its children's, as plain
    Python: values as their texts, collections as dicts keyed by texts, a
    single child as a dict with its name (or None)."""
    out: dict[str, Any] = {}
    for d in describe(node._handle).values():
        if not d.writable:
            continue
        if d.collection:
            out[d.name] = {
                str(_plain(to_python(k))): _plain(to_python(v))
                for k, v in node._handle.items(d.id)
            }
        elif d.child:
            child = to_python(node._handle.op(d.id, READ))
            out[d.name] = None if child is None else {"name": child.name, **to_dict(child)}
        else:
            out[d.name] = _plain(to_python(node._handle.op(d.id, READ)))
    return out
