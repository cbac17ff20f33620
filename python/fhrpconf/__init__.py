"""fhrpconf: the first-hop-redundancy configuration model from Python.

Every type of the model is a class here (fhrpconf.Config,
fhrpconf.VrrpVirtualRouterConfig, fhrpconf.VrId, fhrpconf.IpAddr, ...),
made from the library's type registry; its attributes are read and set by
name through the library's generic interface:

    config = fhrpconf.Config("fhrp")
    vrrp = config.make("vrrpConfig", "vrrp")
    router = vrrp.vrrpIntfConfig.make("Ethernet1").virtualRouterConfig.make(5)
    router.priority = 120
    router.secondaryAddrs["192.0.2.10"] = True
    router.on("priority", lambda vr, name, key: print(vr.priority))

Collections are mappings (len, in, iteration, del); values go in as their
text forms or as numbers, and come back as Python's own or as Value objects
whose str() is their text. Every refusal is an fhrpconf.Error, of the class
of its kind (RangeError, ConstError, ...), with the library's message.

Replication: serve(config, path) publishes a tree on a Unix socket to every
agent that connects; connect(path) gives a live, read-only replica of it
whose objects notify their watchers as the changes arrive.
"""

from __future__ import annotations

import time
from collections.abc import Callable
from typing import Any

from . import _core
from ._core import (ArgumentError, BadIndexError, ConstError, ConversionError, Error,
                    InternalError, NameInUseError, OpNotSupportedError, ParseError, RangeError,
                    UnknownArgError, UnknownAttrError)
from ._wrap import (Children, Collection, Description, Object, Value, Watch, attributes, to_dict,
                    to_python)
from .model import *  # noqa: F401,F403  (the model's classes)
from .model import __all__ as _model_names


class _Endpoint:
    """One end of the socket: polled by the script, closed when done (also
    at the end of a with block). Its objects belong to the thread that polls
    it; close() is the one call another thread, or a watcher inside the
    poll, may make: the poll then ends and closes it."""

    _core: Any

    def poll(self, timeout: float | None = None) -> bool:
        """Reads and applies what arrives, and sends what waits, within
        `timeout` seconds (None: waits for something). False when nothing
        was ready."""
        return self._core.poll(timeout)

    def close(self) -> None:
        self._core.close()

    def __enter__(self) -> Any:
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()


class Replica(_Endpoint):
    """A live, read-only replica of what a front end publishes on a Unix
    socket. Nothing arrives unless the replica is polled: poll() (or wait(),
    root()) reads what has come and applies it, and the objects' watchers
    run inside it. fileno() serves a selector of the script's own."""

    def __init__(self, path: str) -> None:
        try:
            self._core = _core.Replica(path)
        except Error as e:  # the socket's failure, as Python reports those
            raise ConnectionError(str(e)) from e

    def roots(self) -> dict[str, Object]:
        """The roots the peer has published so far, by name."""
        return {name: to_python(h) for name, h in self._core.roots().items()}

    def wait(self, done: Callable[[], Any], timeout: float | None = None) -> Any:
        """Polls until done() returns something true, and returns it.
        TimeoutError after `timeout` seconds; ConnectionError when the
        connection ends first."""
        deadline = None if timeout is None else time.monotonic() + timeout
        while True:
            result = done()
            if result:
                return result
            if not self.open:
                raise ConnectionError(self.failure)
            left = None if deadline is None else deadline - time.monotonic()
            if left is not None and left <= 0:
                raise TimeoutError(f"not done within {timeout} s")
            self.poll(left)

    def root(self, name: str | None = None, timeout: float | None = None) -> Object:
        """The root published as `name` (the first one when no name is
        given), once it has arrived."""
        def found() -> Object | None:
            roots = self.roots()
            if name is None:
                return next(iter(roots.values()), None)
            return roots.get(name)
        return self.wait(found, timeout)

    def run(self) -> str:
        """Polls until the connection ends; returns why it ended."""
        while self.open:
            self.poll()
        return self.failure

    def fileno(self) -> int:
        return self._core.fileno()

    @property
    def bytes_received(self) -> int:
        """The bytes read from the socket so far: the replica holds what the
        peer had sent once this reaches the count the peer sent."""
        return self._core.bytes_received

    @property
    def open(self) -> bool:
        """Whether the connection still stands."""
        return self._core.open

    @property
    def failure(self) -> str:
        """Why the connection ended ("" while it stands)."""
        return self._core.failure


class Server(_Endpoint):
    """Publishes one tree on a Unix socket: each agent that connects gets
    its full state, then every change. Changes are written as they are
    made; poll() accepts agents and sends, flush() waits until every agent
    has everything."""

    def __init__(self, root: Object, path: str) -> None:
        try:
            self._core = _core.Server(root._handle, path)
        except Error as e:
            raise OSError(str(e)) from e
        self.root = root

    def flush(self, timeout: float | None = None) -> bool:
        """Polls until every agent has been sent all that waits; False when
        `timeout` seconds pass first."""
        return self._core.flush(timeout)

    @property
    def agents(self) -> int:
        """The agents connected now."""
        return self._core.agents

    def close(self) -> None:
        """Disconnects the agents and removes the socket."""
        self._core.close()


def connect(path: str) -> Replica:
    """A replica of the tree published on the Unix socket at `path`."""
    return Replica(path)


def serve(config: Object, path: str) -> Server:
    """Publishes `config` (a root: a Config, say) on a Unix socket at `path`."""
    return Server(config, path)


__all__ = [
    "ArgumentError", "BadIndexError", "Children", "Collection", "ConstError", "ConversionError",
    "Description", "attributes",
    "Error", "InternalError", "NameInUseError", "Object", "OpNotSupportedError", "ParseError",
    "RangeError", "Replica", "Server", "UnknownArgError", "UnknownAttrError", "Value", "Watch",
    "connect", "serve", "to_dict",
] + _model_names
