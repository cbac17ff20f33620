"""Reading and checking the model schema.

The schema is line oriented (see the header of model/FhrpConfig.schema). This
module turns it into Type and Member objects and rejects anything the
generator could not turn into correct C++: every diagnostic names the file,
the line and what is wrong, so that a broken schema stops the build with a
message a person can act on.

A type's members come out in one list, in id order, with every `xxxDefault`
constant a member of its own beside its attribute: the class layout, the
attribute table, registration and the log all walk that one list.
"""

from __future__ import annotations

import dataclasses
import re

# Where each kind of type starts numbering its own members.
FIRST_ID = {"value": 2, "entity": 258, "object": 130}

MEMBER_KINDS = ("key", "attr", "const", "computed", "collection", "child")

# What an imported type is. The kind decides how a member of that type is
# held, compared, registered and carried on the attribute log: a string
# travels in pieces, an enumeration is checked when it is read back, a
# builtin or an enumeration can be a compile-time constant.
IMPORT_KINDS = ("builtin", "string", "name", "enum", "value")

TYPE_OPTIONS = {"named", "virtual", "nofactory", "makebyname"}

# Member tags: `introspected` registers a computed member as the framework
# introspects it (the hash of a value type that is itself a key).
MEMBER_TAGS = {"introspected"}


class SchemaError(Exception):
    """A schema the generator refuses, with the place it stands."""

    def __init__(self, path: str, lineno: int, message: str):
        super().__init__(f"{path}:{lineno}: {message}")


@dataclasses.dataclass
class Import:
    """A type the model uses but does not define."""
    kind: str
    name: str  # as members name it
    spelling: str  # in C++
    header: str | None
    by_ref: bool
    registered: str  # the name the type registry knows it by
    lineno: int = 0


@dataclasses.dataclass
class Member:
    id: int
    kind: str
    name: str
    type: str  # the value type (for a collection: of its values)
    key_type: str | None = None  # collections only
    default: str | None = None  # the schema text of an attr's default or a const's value
    range: tuple[str, str] | None = None  # the names of the consts bounding the value
    tags: tuple[str, ...] = ()
    doc: str = ""
    line: str = ""  # the schema line, for the generated comment
    lineno: int = 0
    # A `default <id>` constant names the attribute it belongs to; the
    # attribute names its constant.
    constant_of: Member | None = None
    constant: Member | None = None

    @property
    def capitalized(self) -> str:
        return self.name[0].upper() + self.name[1:]

    @property
    def declaration(self) -> str:
        """The schema line without its doc, white space folded."""
        return " ".join(self.line.partition("--")[0].split())


@dataclasses.dataclass
class Type:
    kind: str
    name: str
    doc: str = ""
    options: frozenset = frozenset()
    # In declaration order, which the id check makes id order too.
    members: list[Member] = dataclasses.field(default_factory=list)
    lineno: int = 0

    @property
    def named(self) -> bool:
        return "named" in self.options

    @property
    def virtual(self) -> bool:
        return "virtual" in self.options

    @property
    def key(self) -> Member | None:
        return next((m for m in self.members if m.kind == "key"), None)

    @property
    def keys(self) -> list[Member]:
        return [m for m in self.members if m.kind == "key"]

    @property
    def fields(self) -> list[Member]:
        """The members a value of a value type is made of, in order."""
        return [m for m in self.members if m.kind in ("key", "attr")]

    def member(self, name: str) -> Member | None:
        return next((m for m in self.members if m.name == name), None)


@dataclasses.dataclass
class Schema:
    namespace: str
    types: list[Type]
    imports: dict[str, Import] = dataclasses.field(default_factory=dict)

    def type(self, name: str) -> Type | None:
        return next((t for t in self.types if t.name == name), None)

    def is_member_of_collection(self, t: Type) -> bool:
        """Whether instances of t live in some keyed collection."""
        return any(
            m.kind == "collection" and m.type == t.name for u in self.types for m in u.members
        )

    def written(self, t: Type) -> list[Member]:
        """The members the attribute log carries, in id order: what an entity
        stores and may change (keys and constants travel otherwise or not at
        all)."""
        if t.kind != "entity":
            return []
        return [m for m in t.members if m.kind in ("attr", "collection", "child")]

    def log_bit(self, t: Type, m: Member) -> int:
        """The member's dirty or has-synced bit in the log's bit set: from 1,
        in id order over the written members; 0 for a member not written."""
        written = self.written(t)
        return written.index(m) + 1 if m in written else 0


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
    imports: dict[str, Import] = {}
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
        if words[0] == "import":
            imp = _parse_import(words, lineno, fail)
            if imp.name in imports:
                fail(lineno, f"type {imp.name} is imported twice")
            imports[imp.name] = imp
            continue
        if words[0] in FIRST_ID:
            if current:
                fail(lineno, f"type {current.name} (line {current.lineno}) has no 'end'")
            if len(words) < 2:
                fail(lineno, f"'{words[0]}' needs a type name")
            options = set(words[2:])
            unknown = options - TYPE_OPTIONS
            if unknown:
                fail(lineno, f"unknown type option '{sorted(unknown)[0]}'")
            if any(t.name == words[1] for t in types) or words[1] in imports:
                fail(lineno, f"type {words[1]} is declared twice")
            current = Type(words[0], words[1], doc, frozenset(options), lineno=lineno)
            continue
        if words[0] == "end":
            if not current:
                fail(lineno, "'end' outside a type")
            types.append(current)
            current = None
            continue
        if not current:
            fail(lineno, f"member line outside a type: '{body}'")
        current.members.extend(_parse_member(body, doc, stripped, lineno, current, fail))

    if current:
        fail(current.lineno, f"type {current.name} has no 'end'")
    if namespace is None:
        fail(1, "no 'namespace' line")
    schema = Schema(namespace, types, imports)
    _check(schema, fail)
    return schema


def _parse_import(words, lineno, fail) -> Import:
    # import <kind> <Name> <C++ type> [<header>] [byref] [registered <full name>]
    if len(words) < 4:
        fail(lineno, "expected 'import <kind> <Name> <C++ type> [<header>] [byref] "
                     "[registered <name>]'")
    kind, name, spelling = words[1:4]
    if kind not in IMPORT_KINDS:
        fail(lineno, f"unknown import kind '{kind}' (expected one of {', '.join(IMPORT_KINDS)})")
    header, by_ref, registered = None, False, None
    rest = words[4:]
    i = 0
    while i < len(rest):
        if rest[i] == "byref":
            by_ref = True
        elif rest[i] == "registered":
            if i + 1 >= len(rest):
                fail(lineno, "'registered' without a name")
            registered = rest[i + 1]
            i += 1
        elif header is None and rest[i].endswith(".h"):
            header = rest[i]
        else:
            fail(lineno, f"{name}: unexpected '{rest[i]}'")
        i += 1
    if registered is None:
        registered = name if kind == "builtin" else spelling
    return Import(kind, name, spelling, header, by_ref, registered, lineno)


def _parse_member(body, doc, line, lineno, owner, fail) -> list[Member]:
    m = _MEMBER.match(body)
    if not m:
        fail(lineno, f"expected '<id> <kind> <name> <type> ...', got '{body}'")
    kind, name = m["kind"], m["name"]
    if kind not in MEMBER_KINDS:
        fail(lineno, f"unknown member kind '{kind}' (expected one of {', '.join(MEMBER_KINDS)})")
    if owner.member(name):
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

    default_id = None
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
                default_id = int(value)
            else:
                r = re.fullmatch(r"(\w+)\.\.(\w+)", value)
                if not r:
                    fail(lineno, f"{name}: range must read '<min const>..<max const>', "
                                 f"got '{value}'")
                member.range = (r[1], r[2])
            i += 2
        elif word in MEMBER_TAGS:
            tags.append(word)
            i += 1
        else:
            fail(lineno, f"{name}: unexpected '{word}'")
    member.tags = tuple(tags)

    if kind in ("attr", "const") and member.default is None:
        fail(lineno, f"{owner.name}.{name} needs a value: '= <value>'")
    if kind != "attr" and default_id is not None:
        fail(lineno, f"only an attr has a Default constant ({owner.name}.{name} is a {kind})")
    if member.range and kind not in ("key", "attr"):
        fail(lineno, f"{owner.name}.{name}: only a key or an attr has a range")
    if default_id is None:
        return [member]
    if abs(default_id - member.id) != 1:
        fail(lineno, f"{owner.name}.{name}Default has id {default_id}: a Default constant "
                     f"stands right after or right before its attribute ({member.id})")
    constant = Member(default_id, "const", name + "Default", member.type,
                      default=member.default, doc=f"the declared default of {name}",
                      line=line, lineno=lineno, constant_of=member)
    member.constant = constant
    return [constant, member] if default_id < member.id else [member, constant]


def _check(schema: Schema, fail) -> None:
    from .types import DefaultError, cpp_type, default_expr

    known = set(schema.imports) | {t.name for t in schema.types}
    for t in schema.types:
        for m in t.members:
            for tn in (m.type, m.key_type):
                if tn is not None and tn not in known:
                    fail(m.lineno, f"{t.name}.{m.name}: unknown type '{tn}'")
            if m.default is not None and m.constant_of is None:
                try:
                    default_expr(schema, m.type, m.default)
                except DefaultError as e:
                    fail(m.lineno, f"{t.name}.{m.name}: {e}")
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
            if m.range:
                _check_range(t, m, fail)
        if t.kind == "value":
            _check_value(schema, t, fail, cpp_type)
        _check_key(t, fail)
        _check_ids(t, fail)
        if len(schema.written(t)) > 31:
            fail(t.lineno, f"{t.name} has {len(schema.written(t))} attributes the log writes: "
                           f"their bits must fit one 32-bit word beside bit 0 (at most 31)")


def _check_range(t: Type, m: Member, fail) -> None:
    for bound in m.range:
        c = t.member(bound)
        if c is None or c.kind != "const" or c.type != m.type:
            fail(m.lineno, f"{t.name}.{m.name}: the range bound '{bound}' is no constant of "
                           f"{t.name} of type {m.type}")


def _check_value(schema: Schema, t: Type, fail, cpp_type) -> None:
    """A value type is generated as a plain class: every member must be
    something a field, a constant or the hand-written hash can stand for."""
    if not t.keys:
        fail(t.lineno, f"value type {t.name} has no key: nothing to construct it from")
    for m in t.members:
        if m.kind in ("collection", "child"):
            fail(m.lineno, f"{t.name}.{m.name}: a value type holds no {m.kind}: "
                           f"no C++ field of a value could stand behind it")
        if m.kind == "computed" and m.name != "hash":
            fail(m.lineno, f"{t.name}.{m.name}: the only computed member of a value type is "
                           f"its hash, whose formula is written by hand")
        if m.kind in ("key", "attr") and schema.type(m.type) is not None and \
                schema.type(m.type).kind != "value":
            fail(m.lineno, f"{t.name}.{m.name}: a value holds values, not a {m.type}")
        if m.kind in ("key", "attr") and m.type in schema.imports and \
                schema.imports[m.type].kind == "name":
            fail(m.lineno, f"{t.name}.{m.name}: a value type holds no Name")


def _check_key(t: Type, fail) -> None:
    if "makebyname" in t.options and (not t.named or "nofactory" in t.options):
        fail(t.lineno, f"{t.name} can be made by name only if it is named and has a factory")
    keys = t.keys
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
        if m.id != expected:
            fail(m.lineno, f"{t.name}.{m.name} has id {m.id}, but its place in the declaration "
                           f"order gives {expected}")
        expected = m.id + 1
