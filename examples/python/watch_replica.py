#!/usr/bin/env python3
"""Follows a front end's configuration and prints each change as it arrives.

    build/tools/fhrpctl tests/tools/fhrpctl/config.txt serve /tmp/fhrp.sock
    PYTHONPATH=build/python examples/python/watch_replica.py /tmp/fhrp.sock

Each line names what changed by its path from the root, as fhrpctl writes
settings, with the value it holds now:

    vrrpConfig/vrrpIntfConfig['Ethernet1']/virtualRouterConfig[5]/priority = 130
    vrrpConfig/vrrpIntfConfig['Ethernet1']/virtualRouterConfig[5]/secondaryAddrs[192.0.2.11] = true
    vrrpConfig/vrrpIntfConfig['Ethernet2'] made
    del vrrpConfig/vrrpIntfConfig['Ethernet1']/virtualRouterConfig[5]
"""

import sys

import fhrpconf


def text(value):
    """A value as the library writes it."""
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, str):
        return "'" + value.replace("\\", "\\\\").replace("'", "\\'") + "'"
    return str(value)


class Printer:
    """Watches every object of a tree, and each child that appears later;
    a child that goes takes its watches, and those below it, with it."""

    def __init__(self):
        self.watches = {}  # by the path of the object watched

    def follow(self, obj, path):
        self.watches[path] = obj.on(lambda o, name, key: self.changed(o, path, name, key))
        for d in fhrpconf.attributes(obj):
            if not (d.child and d.writable):
                continue
            if d.collection:
                for key, child in getattr(obj, d.name).items():
                    self.follow(child, f"{path}{d.name}[{text(key)}]/")
            elif (child := getattr(obj, d.name)) is not None:
                self.follow(child, f"{path}{d.name}/")

    def changed(self, obj, path, name, key):
        where = path + name
        now = getattr(obj, name)
        if key is not None:
            where += f"[{text(key)}]"
            if key not in now:
                self.forget(where + "/")
                print(f"del {where}", flush=True)
                return
            now = now[key]
        if isinstance(now, fhrpconf.Object):
            self.forget(where + "/")  # a single child replaced: the old one's
            print(f"{where} made", flush=True)
            self.follow(now, where + "/")
        elif now is None:
            self.forget(where + "/")
            print(f"del {where}", flush=True)
        else:
            print(f"{where} = {text(now)}", flush=True)


    def forget(self, below):
        for path in [p for p in self.watches if p.startswith(below)]:
            self.watches.pop(path).cancel()


def main(path):
    with fhrpconf.connect(path) as replica:
        root = replica.root(timeout=10)
        print(f"replica: {root.name}", flush=True)
        printer = Printer()
        printer.follow(root, "")
        print(f"replica: {replica.run()}", flush=True)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "/tmp/fhrp.sock")
