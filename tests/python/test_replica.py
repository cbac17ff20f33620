"""Replicas across processes: a Python replica of a C++ front end (fhrpctl
serve), a C++ agent following a Python front end, and the example script."""

import copy
import os
import random
import select
import subprocess
import sys

import pytest

import fhrpconf

START = "root 'fhrp'\nvrrpConfig['vrrp']\nvarpConfig['varp']\n"

# The reference model: the tree as plain dicts, as fhrpconf.to_dict writes
# it, with the schema's defaults written out here.
EMPTY = {
    "vrrpConfig": {"name": "vrrp", "vrrpIntfConfig": {}, "virtualIpAddr": {},
                   "virtualIp6LinkLocalAddr": {}, "ipv6ForceIpv4MacPrefix": False},
    "varpConfig": {"name": "varp", "varpIntfConfig": {}, "virtualMac": "00:00:00:00:00:00",
                   "advtInterval": 30, "virtualIpAddr": {}},
    "acceptMode": "acceptModeDefault", "allowDuplicate": False,
}
ROUTER = {
    "version": 2, "priority": 100, "advInterval": 100, "arpOrNAInterval": 3000, "preempt": True,
    "preemptDelay": 0, "preemptReloadDelay": 0, "reloadDelay": 0, "primaryAddr": "0.0.0.0",
    "secondaryAddrs": {}, "bfdPeerAddrV4": "0.0.0.0", "ip6Addrs": {}, "bfdPeerAddrV6": "::",
    "authType": "vrrpAuthNone", "authKey": "", "description": "",
    "adminEnabledState": "intfEnabledStateUnknown", "vrrpTrackedObject": {},
}
TRACKED = {"trackActionIsShutdown": False, "trackPriorityDecrement": 0}
VARP_INTF = {"virtualIpAddr": {}, "virtualIp6Addr": {}, "varpTrackedObject": {}}


def quote(s):
    return "'" + s.replace("\\", "\\\\").replace("'", "\\'") + "'"


class Edits:
    """Random edits of a tree, each as a line for fhrpctl and as its effect
    on the reference model; some are refused, and change nothing."""

    def __init__(self, seed):
        self.rng = random.Random(seed)
        self.model = copy.deepcopy(EMPTY)

    def router(self):
        intf, vr = self.rng.choice(["Ethernet1", "Ethernet2", "Vlan10"]), self.rng.choice(
            [1, 5, 200, 256])
        path = f"vrrpConfig/vrrpIntfConfig['{intf}']/virtualRouterConfig[{vr}]"

        def made():  # what a setting's path makes on its way
            routers = self.model["vrrpConfig"]["vrrpIntfConfig"].setdefault(
                quote(intf), {"virtualRouterConfig": {}})["virtualRouterConfig"]
            return routers.setdefault(str(vr), copy.deepcopy(ROUTER))

        def missing():  # what fhrpctl says when a del's path is not there
            intfs = self.model["vrrpConfig"]["vrrpIntfConfig"]
            if quote(intf) not in intfs:
                return f"error: no vrrpIntfConfig[{quote(intf)}]"
            if str(vr) not in intfs[quote(intf)]["virtualRouterConfig"]:
                return f"error: no virtualRouterConfig[{vr}]"
            return None

        def gone():
            refusal = missing()
            if refusal is None:
                del self.model["vrrpConfig"]["vrrpIntfConfig"][quote(intf)][
                    "virtualRouterConfig"][str(vr)]
            return refusal

        return path, made, gone, missing

    def next(self):
        """One edit: (line, what fhrpctl answers when it refuses, or None)."""
        r = self.rng
        path, made, gone, missing = self.router()
        addr = f"192.0.2.{r.randint(1, 6)}"
        kind = r.randrange(12)
        if kind == 0:
            made()
            return path, None
        if kind == 1:
            return "del " + path, gone()
        if kind == 2:
            value = r.randint(0, 255)
            made()["priority"] = value
            return f"{path}/priority = {value}", None
        if kind == 3:
            value = r.choice(["uplink to core", "it's \\ quoted", ""])
            made()["description"] = value
            return f"{path}/description = {quote(value)}", None
        if kind == 4:
            value = r.choice([True, False])
            made()["preempt"] = value
            return f"{path}/preempt = {str(value).lower()}", None
        if kind == 5:
            made()["primaryAddr"] = addr
            return f"{path}/primaryAddr = {addr}", None
        if kind == 6:
            made()["secondaryAddrs"][addr] = True
            return f"{path}/secondaryAddrs[{addr}] = true", None
        if kind == 7:
            refusal = missing()
            if refusal is None:
                made()["secondaryAddrs"].pop(addr, None)  # absent: no change
            return f"del {path}/secondaryAddrs[{addr}]", refusal
        if kind == 8:
            name = r.choice(["uplink", "core"])
            value = r.randint(0, 50)
            made()["vrrpTrackedObject"].setdefault(name, dict(TRACKED))[
                "trackPriorityDecrement"] = value
            return f"{path}/vrrpTrackedObject['{name}']/trackPriorityDecrement = {value}", None
        if kind == 9:
            mac = f"02:00:00:00:00:{r.randint(0, 255):02x}"
            self.model["varpConfig"]["virtualMac"] = mac
            return f"varpConfig/virtualMac = {mac}", None
        if kind == 10:
            prefix = f"198.51.100.{r.randint(1, 4)}/24"
            varp = self.model["varpConfig"]["varpIntfConfig"]
            varp.setdefault("'Vlan20'", copy.deepcopy(VARP_INTF))["virtualIpAddr"][prefix] = True
            return f"varpConfig/varpIntfConfig['Vlan20']/virtualIpAddr[{prefix}] = true", None
        # Refused edits, which must leave both trees as they were: nothing
        # on the path is made before the value and every key are read.
        return r.choice([
            (f"{path}/priority = high",
             "error: cannot read an unsigned 32-bit number at column 0 of 'high'"),
            (f"{path}/vrId = 7", "error: operation 128 is not supported on attribute vrId"),
            ("vrrpConfig/vrrpIntfConfig['Ethernet9']/virtualRouterConfig[257]",
             "error: VrId::value < VrId::min or > VrId::max not allowed"),
        ])


def synced(replica, answer):
    """Waits until the replica has read all the front end had sent."""
    sent = int(answer.split()[1])
    replica.wait(lambda: replica.bytes_received == sent, timeout=10)


@pytest.mark.parametrize("seed", [1, 2, 3])
def test_a_replica_follows_a_cpp_front_end_through_random_edits(front_end, socket_path, seed):
    front = front_end(START)
    with fhrpconf.connect(socket_path) as replica:
        root = replica.root("fhrp", timeout=10)
        edits = Edits(seed)
        for _ in range(300):
            line, refusal = edits.next()
            answer = front.edit(line)
            if refusal is not None:
                assert answer == refusal, line
                answer = front.edit("varpConfig")  # a no-op edit: a point to sync at
            assert answer.startswith("ok "), (line, answer)
            synced(replica, answer)
            assert fhrpconf.to_dict(root) == edits.model, line
    front.close()


def test_replica_watchers_hear_the_front_ends_changes(front_end, socket_path):
    vr = "vrrpConfig/vrrpIntfConfig['Ethernet1']/virtualRouterConfig[5]"
    front = front_end(START + vr + "\n")
    with fhrpconf.connect(socket_path) as replica:
        root = replica.root("fhrp", timeout=10)
        router = root.vrrpConfig.vrrpIntfConfig["Ethernet1"].virtualRouterConfig[5]
        heard = []
        router.on(lambda obj, name, key: heard.append((name, key, obj.priority)))
        for line in [f"{vr}/priority = 120", f"{vr}/secondaryAddrs[192.0.2.10] = true",
                     f"del {vr}/secondaryAddrs[192.0.2.10]", f"{vr}/vrrpTrackedObject['uplink']"]:
            synced(replica, front.edit(line))
        addr = fhrpconf.IpAddr("192.0.2.10")
        assert heard == [("priority", None, 120), ("secondaryAddrs", addr, 120),
                         ("secondaryAddrs", addr, 120), ("vrrpTrackedObject", "uplink", 120)]

        # Read only: the replica changes only as the front end says.
        with pytest.raises(fhrpconf.ConstError, match="^attempting to modify a const instance$"):
            router.priority = 1
        assert router.read_only and router.priority == 120
        front.close()
        assert replica.run() == "the peer closed the connection"
        assert not replica.open


def test_a_replica_closed_by_its_own_watcher_ends_its_poll(front_end, socket_path):
    front = front_end(START)
    with fhrpconf.connect(socket_path) as replica:
        varp = replica.root("fhrp", timeout=10).varpConfig
        varp.on("virtualMac", lambda obj, name, key: replica.close())
        front.edit("varpConfig/virtualMac = 02:00:00:00:00:05")
        replica.wait(lambda: not replica.open, timeout=10)
        assert replica.failure == "closed" and str(varp.virtualMac) == "02:00:00:00:00:05"
    with pytest.raises(ConnectionError, match="^connect to .*: No such file or directory$"):
        fhrpconf.connect(socket_path + ".absent")


def test_a_cpp_agent_follows_a_python_front_end(socket_path):
    config = fhrpconf.Config("fhrp")
    router = config.make("vrrpConfig", "vrrp").vrrpIntfConfig.make("Ethernet1") \
        .virtualRouterConfig.make(5)
    with fhrpconf.serve(config, socket_path) as server:
        agent = subprocess.Popen([os.environ["FHRP_AGENT"], socket_path], stdout=subprocess.PIPE)
        lines = Lines(agent)
        server.poll(10)
        assert server.agents == 1
        assert lines.next() == "agent: Ethernet1 vrid 5 priority 100"
        for priority in (110, 120):
            router.priority = priority
            assert server.flush(10)
            assert lines.next() == f"agent: Ethernet1 vrid 5 priority {priority}"
    assert lines.next() == "agent: the peer closed the connection"
    assert agent.wait(timeout=10) == 0


class Lines:
    """A child's output, a line at a time, with a time limit; the child is
    killed if the test fails before it ends."""

    def __init__(self, process):
        self.process = process
        self.fd = process.stdout.fileno()
        self.buffer = b""

    def next(self, timeout=10):
        while b"\n" not in self.buffer:
            ready, _, _ = select.select([self.fd], [], [], timeout)
            chunk = os.read(self.fd, 4096) if ready else b""
            if not chunk:
                self.process.kill()
                pytest.fail(f"no whole line within {timeout} s: {self.buffer!r}")
            self.buffer += chunk
        line, _, self.buffer = self.buffer.partition(b"\n")
        return line.decode()


def test_the_example_prints_a_replicas_changes_as_they_arrive(front_end, socket_path):
    vr = "vrrpConfig/vrrpIntfConfig['Ethernet1']/virtualRouterConfig[5]"
    front = front_end(START + vr + "\n")
    example = os.path.join(os.environ["FHRP_EXAMPLES"], "python", "watch_replica.py")
    watcher = subprocess.Popen([sys.executable, example, socket_path], stdout=subprocess.PIPE)
    lines = Lines(watcher)
    assert lines.next() == "replica: fhrp"
    for edit, printed in [
        (f"{vr}/priority = 130", f"{vr}/priority = 130"),
        (f"{vr}/secondaryAddrs[192.0.2.11] = true", f"{vr}/secondaryAddrs[192.0.2.11] = true"),
        ("vrrpConfig/vrrpIntfConfig['Ethernet2']", "vrrpConfig/vrrpIntfConfig['Ethernet2'] made"),
        ("vrrpConfig/vrrpIntfConfig['Ethernet2']/virtualRouterConfig[7]",
         "vrrpConfig/vrrpIntfConfig['Ethernet2']/virtualRouterConfig[7] made"),
        ("vrrpConfig/vrrpIntfConfig['Ethernet2']/virtualRouterConfig[7]/priority = 90",
         "vrrpConfig/vrrpIntfConfig['Ethernet2']/virtualRouterConfig[7]/priority = 90"),
        (f"del {vr}", f"del {vr}"),
        ("varpConfig/virtualMac = 02:00:00:00:00:01", "varpConfig/virtualMac = 02:00:00:00:00:01"),
    ]:
        assert front.edit(edit).startswith("ok")
        assert lines.next() == printed
    front.close()
    assert lines.next() == "replica: the peer closed the connection"
    assert watcher.wait(timeout=10) == 0
