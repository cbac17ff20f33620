"""Reading and checking the model schema.

The schema is line oriented (see the header of model/FhrpConfig.schema). This
module turns it into Type and Member objects and rejects anything the
generator could not turn into correct C++: every diagnostic names the file,
the line and what is wrong, so that a broken schema stops the build with a
message a person can act on.
"""

from __future__ import annotations

import dataclasses
import re

from .types import CPP, DefaultError, default_expr

# Where each kind of type starts numbering its own members.
FIRST_ID = {"value": 2, "entity": 258, "object": 130}

MEMBER_KINDS = ("key", "attr", "const", "computed", "collection", "child")

# The built-in and imported types a member may name; the schema's own types
# are added to these.
IMPORTED_TYPES = (
    "bool U32 String8 Name IntfId IpAddr Ip6Addr IpGenAddr IpAddrWithMask "
    "EthAddr VrfIpPair BfdPeer AddressFamily VrrpAuthType IntfEnabledState "
    "AcceptMode"
).split()


class SchemaError(Exception):
    """A schema the generator refuses, with the place it stands."""

    def __init__(self, path: str, lineno: int, message: str):
        super().__init__(f"{path}:{lineno}: {message}")


@dataclasses.dataclass
class Member:
    id: int
    kind: str
    name: str
    type: str  # the value type (for a collection: of its values)
    key_type: str | None = None  # collections only
    default: str | None = None
    default_id: int | None = None  # the id of the <name>Default constant
    range: tuple[int, int] | None = None
    tags: tuple[str, ...] = ()
    doc: str = ""
    line: str = ""  # the schema line, for the generated comment
    lineno: int = 0

    @property
    def default_name(self) -> str:
        return self.name + "Default"

    @property
    def capitalized(self) -> str:
        return self.name[0].upper() + self.name[1:]


@dataclasses.dataclass
class Type:
    kind: str
    name: str
    named: bool = False
    virtual: bool = False
    doc: str = ""
    options: frozenset = frozenset()
    members: list[Member] = dataclasses.field(default_factory=list)
    lineno: int = 0

    @property
    def key(self) -> Member | None:
        return next((m for m in self.members if m.kind == "key"), None)

    def ids(self) -> list[tuple[int, str]]:
        """(id, name) of every member and constant, in declaration order."""
        out = []
        for m in self.members:
            if m.default_id is not None and m.default_id < m.id:
                out.append((m.default_id, m.default_name))
            out.append((m.id, m.name))
            if m.default_id is not None and m.default_id > m.id:
                out.append((m.default_id, m.default_name))
        return out


@dataclasses.dataclass
class Schema:
    namespace: str
    types: list[Type]

    def type(self, name: str) -> Type | None:
        return next((t for t in self.types if t.name == name), None)

    def is_member_of_collection(self, t: Type) -> bool:
        """Whether instances of t live in some keyed collection."""
        return any(
            m.kind == "collection" and m.type == t.name for u in self.types for m in u.members
        )


_MEMBER = re.compile(
    r"^(?P<id>\d+)\s+(?P<kind>\w+)\s+(?P<name>[A-Za-z_]\w*)\s+(?P<rest>.*)$"
)
_COLLECTION = re.compile(r"^(?P<key>\w+)\s*->\s*(?P<value>\w+)(?P<opts>.*)$")


def _split_doc(text: str) -> tuple[str, str]:
    body, sep, doc = text.partition("--")
    return body.strip(), doc.strip() if sep else ""


def parse(text: str, path: str = "<schema>") -> Schema:
    namespace = None
    types: list[Type] = []
    current: Type | None = None

    def fail(lineno: int, message: str):
        raise SchemaError(path, lineno, message)

    for lineno, raw in enumerate(text.splitlines(), start=1):
        stripped = raw.strip()
        if not stripped or stripped.startswith("#"):
            continue
        body, doc = _split_doc(stripped)
        words = body.split()
        if words[0] == "namespace":
            if len(words) != 2:
                fail(lineno, "expected 'namespace <A::B>'")
            namespace = words[1]
            continue
        if words[0] in FIRST_ID:
            if current:
                fail(lineno, f"type {current.name} (line {current.lineno}) has no 'end'")
            if len(words) < 2:
                fail(lineno, f"'{words[0]}' needs a type name")
            options = set(words[2:])
            unknown = options - {"named", "virtual", "nofactory", "makebyname"}
            if unknown:
                fail(lineno, f"unknown type option '{sorted(unknown)[0]}'")
            if any(t.name == words[1] for t in types):
                fail(lineno, f"type {words[1]} is declared twice")
            current = Type(words[0], words[1], "named" in options, "virtual" in options, doc,
                           options=frozenset(options), lineno=lineno)
            continue
        if words[0] == "end":
            if not current:
                fail(lineno, "'end' outside a type")
            types.append(current)
            current = None
            continue
        if not current:
            fail(lineno, f"member line outside a type: '{body}'")
        current.members.append(_parse_member(body, doc, stripped, lineno, current, fail))

    if current:
        fail(current.lineno, f"type {current.name} has no 'end'")
    if namespace is None:
        fail(1, "no 'namespace' line")
    schema = Schema(namespace, types)
    _check(schema, fail)
    return schema


def _parse_member(body, doc, line, lineno, owner, fail) -> Member:
    m = _MEMBER.match(body)
    if not m:
        fail(lineno, f"expected '<id> <kind> <name> <type> ...', got '{body}'")
    kind, name = m["kind"], m["name"]
    if kind not in MEMBER_KINDS:
        fail(lineno, f"unknown member kind '{kind}' (expected one of {', '.join(MEMBER_KINDS)})")
    if any(x.name == name for x in owner.members):
        fail(lineno, f"{owner.name}.{name} is declared twice")
    member = Member(int(m["id"]), kind, name, "", doc=doc, line=line, lineno=lineno)
    rest = m["rest"]
    if kind == "collection":
        c = _COLLECTION.match(rest)
        if not c:
            fail(lineno, f"collection {name} needs '<key type> -> <value type>'")
        member.key_type, member.type = c["key"], c["value"]
        words = c["opts"].split()
    else:
        words = rest.split()
        if not words:
            fail(lineno, f"{owner.name}.{name} has no type")
        member.type, words = words[0], words[1:]

    tags = []
    i = 0
    while i < len(words):
        word = words[i]
        if word == "=":
            if i + 1 >= len(words):
                fail(lineno, f"{name}: '=' without a value")
            member.default = words[i + 1]
            i += 2
        elif word in ("default", "range"):
            if i + 1 >= len(words):
                fail(lineno, f"{name}: '{word}' without a value")
            value = words[i + 1]
            if word == "default":
                if not value.isdigit():
                    fail(lineno, f"{name}: 'default' takes the constant's id, got '{value}'")
                member.default_id = int(value)
            else:
                r = re.fullmatch(r"(\d+)\.\.(\d+)", value)
                if not r:
                    fail(lineno, f"{name}: range must read '<lo>..<hi>', got '{value}'")
                member.range = (int(r[1]), int(r[2]))
            i += 2
        else:
            tags.append(word)
            i += 1
    member.tags = tuple(tags)

    if kind in ("attr", "const") and member.default is None:
        fail(lineno, f"{owner.name}.{name} needs a value: '= <value>'")
    if kind not in ("attr",) and member.default_id is not None:
        fail(lineno, f"only an attr has a Default constant ({owner.name}.{name} is a {kind})")
    return member


def _check(schema: Schema, fail) -> None:
    known = set(IMPORTED_TYPES) | {t.name for t in schema.types}
    for t in schema.types:
        for m in t.members:
            if m.default is not None and m.type in CPP:
                try:
                    default_expr(m.type, m.default)
                except DefaultError as e:
                    fail(m.lineno, f"{t.name}.{m.name}: {e}")
            for tn in (m.type, m.key_type):
                if tn is not None and tn not in known:
                    fail(m.lineno, f"{t.name}.{m.name}: unknown type '{tn}'")
            if m.kind == "child" and (schema.type(m.type) is None or
                                      schema.type(m.type).kind != "entity" or
                                      not schema.type(m.type).named):
                fail(m.lineno, f"{t.name}.{m.name}: a single child must be a named entity type")
            if m.kind == "collection" and schema.type(m.type) is not None:
                child = schema.type(m.type)
                if child.kind == "value":
                    pass
                elif child.key is None:
                    fail(m.lineno, f"{t.name}.{m.name}: {child.name} has no key to be stored by")
                elif child.key.type != m.key_type:
                    fail(m.lineno, f"{t.name}.{m.name}: keyed by {m.key_type}, but "
                                   f"{child.name} is keyed by {child.key.type}")
        _check_key(t, fail)
        _check_ids(t, fail)


def _check_key(t: Type, fail) -> None:
    if "makebyname" in t.options and (not t.named or "nofactory" in t.options):
        fail(t.lineno, f"{t.name} can be made by name only if it is named and has a factory")
    keys = [m for m in t.members if m.kind == "key"]
    if t.kind == "value":
        return
    if t.named and keys:
        fail(keys[0].lineno, f"{t.name} is named: its key is its name, not {keys[0].name}")
    if not t.named and len(keys) != 1:
        fail(t.lineno, f"{t.name} needs exactly one key member or the option 'named'")
    if keys and t.members[0] is not keys[0]:
        fail(keys[0].lineno, f"{t.name}: the key {keys[0].name} must be the first member")


def _check_ids(t: Type, fail) -> None:
    expected = FIRST_ID[t.kind]
    for m in t.members:
        if m.default_id is not None and abs(m.default_id - m.id) != 1:
            fail(m.lineno, f"{t.name}.{m.default_name} has id {m.default_id}: a Default constant "
                           f"stands right after or right before its attribute ({m.id})")
        first = min(m.id, m.default_id) if m.default_id is not None else m.id
        if first != expected:
            which = m.default_name if first != m.id else m.name
            fail(m.lineno, f"{t.name}.{which} has id {first}, but its place in the declaration "
                           f"order gives {expected}")
        expected = first + (2 if m.default_id is not None else 1)
