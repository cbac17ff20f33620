"""The model from Python, in one process: building, reading back, values
and their texts, watchers, and every kind of refusal."""

import pytest

import fhrpconf
from fhrpconf import (ArgumentError, ConstError, ConversionError, OpNotSupportedError,
                      ParseError, RangeError, UnknownArgError, UnknownAttrError)


@pytest.fixture
def config():
    return fhrpconf.Config("fhrp")


@pytest.fixture
def router(config):
    intf = config.make("vrrpConfig", "vrrp").vrrpIntfConfig.make("Ethernet1")
    return intf.virtualRouterConfig.make(5)


def test_a_configuration_reads_back_as_built(config, router):
    router.priority = 120
    router.primaryAddr = "192.0.2.1"
    router.description = "it's the uplink"
    router.authType = "vrrpAuthText"
    router.secondaryAddrs["192.0.2.10"] = True
    router.ip6Addrs[fhrpconf.Ip6Addr("2001:db8::1")] = True
    router.vrrpTrackedObject.make("uplink").trackPriorityDecrement = 10
    varp = config.make("varpConfig", "varp")
    varp.virtualMac = "02:00:00:00:00:01"
    varp.varpIntfConfig.make("Vlan10").virtualIpAddr["198.51.100.1/24"] = True

    assert (router.priority, router.priorityDefault, router.preempt) == (120, 100, True)
    assert router.primaryAddr == fhrpconf.IpAddr("192.0.2.1") != "192.0.2.1"
    assert str(router.primaryAddr) == "192.0.2.1"
    assert isinstance(router.primaryAddr, fhrpconf.IpAddr)
    assert router.description == "it's the uplink"
    assert router.authType == fhrpconf.VrrpAuthType("vrrpAuthText")
    assert router.vrId == fhrpconf.VrId(5) and router.vrId.max == 256
    assert router.parent.parent.parent == config and router.parent.name == ""
    assert config.vrrpConfig.name == "vrrp" and config.vrrpConfig == router.parent.parent
    assert dict(router.secondaryAddrs) == {fhrpconf.IpAddr("192.0.2.10"): True}
    assert fhrpconf.to_dict(varp) == {
        "varpIntfConfig": {"'Vlan10'": {"virtualIpAddr": {"198.51.100.1/24": True},
                                        "virtualIp6Addr": {}, "varpTrackedObject": {}}},
        "virtualMac": "02:00:00:00:00:01", "advtInterval": 30, "virtualIpAddr": {}}
    assert fhrpconf.to_dict(router)["vrrpTrackedObject"] == {
        "uplink": {"trackActionIsShutdown": False, "trackPriorityDecrement": 10}}
    assert isinstance(router, fhrpconf.VrrpVirtualRouterConfig)
    assert "priority" in dir(router)


def test_collections_behave_as_mappings(router):
    addrs = router.secondaryAddrs
    for last in range(10, 14):
        addrs[f"192.0.2.{last}"] = True
    assert len(addrs) == 4 and "192.0.2.11" in addrs and "192.0.2.99" not in addrs
    assert sorted(str(a) for a in addrs) == [f"192.0.2.{n}" for n in range(10, 14)]
    before = addrs.modifications
    del addrs["192.0.2.11"]
    assert addrs.modifications == before + 1 and len(addrs) == 3
    with pytest.raises(KeyError):
        del addrs["192.0.2.11"]
    with pytest.raises(KeyError):
        addrs["192.0.2.99"]
    # Deleting while iterating: the loop walks the keys as they were.
    for a in addrs:
        del addrs[a]
    assert len(addrs) == 0

    intf = router.parent
    assert intf.virtualRouterConfig[fhrpconf.VrId(5)] == router
    assert intf.virtualRouterConfig.make(5) == router  # the one there
    seven = intf.virtualRouterConfig.make("7")
    assert sorted(str(k) for k in intf.virtualRouterConfig) == ["5", "7"]
    del intf.virtualRouterConfig[7]
    assert seven.parent is None and 7 not in intf.virtualRouterConfig
    with pytest.raises(TypeError, match="holds children"):
        intf.virtualRouterConfig[8] = True

    # A member whose value is false is there all the same.
    addrs["192.0.2.20"] = False
    assert addrs.pop("192.0.2.20") is False and "192.0.2.20" not in addrs


def test_a_single_child_is_made_read_and_deleted(config):
    assert config.varpConfig is None
    varp = config.make("varpConfig", "varp")
    assert config.make("varpConfig", "varp") == varp
    del config.varpConfig
    assert config.varpConfig is None and varp.parent is None


def test_values_compare_by_type_and_text():
    assert fhrpconf.VrId(5) == fhrpconf.VrId("5") != fhrpconf.VrId(6)
    assert fhrpconf.VrId(5) != 5 and fhrpconf.VrId(5) != fhrpconf.VrrpAuthType("vrrpAuthNone")
    assert len({fhrpconf.IpAddr("192.0.2.1"), fhrpconf.IpAddr("192.0.2.1")}) == 1
    key = fhrpconf.FhrpConfigKey("Ethernet1", 5, "ipv6")
    key.reloadDelay = 30  # a copy's own field
    again = fhrpconf.FhrpConfigKey.parse(str(key))
    assert again == key and again.reloadDelay == 30 and str(again.af) == "ipv6"
    pair = fhrpconf.FhrpIntfIdPair("Ethernet1", 256)
    assert str(pair) == "Value('Routing::Fhrp::FhrpIntfIdPair', ** {'intfId': 'Ethernet1', 'vrId': 256})"
    assert fhrpconf.Config.parse("None") is None


def test_watchers_hear_each_change_with_its_member(router):
    heard, all_heard = [], []
    one = router.on("priority", lambda vr, name, key: heard.append((name, vr.priority)))
    every = router.on(lambda vr, name, key: all_heard.append((name, key)))
    router.priority = 120
    router.priority = 120  # no change, nothing heard
    router.secondaryAddrs["192.0.2.10"] = True
    router.vrrpTrackedObject.make("uplink")
    del router.vrrpTrackedObject["uplink"]
    assert heard == [("priority", 120)]
    assert all_heard == [("priority", None), ("secondaryAddrs", fhrpconf.IpAddr("192.0.2.10")),
                         ("vrrpTrackedObject", "uplink"), ("vrrpTrackedObject", "uplink")]
    one.cancel()
    with every:
        router.priority = 121
    router.priority = 122  # both cancelled
    assert heard == [("priority", 120)] and all_heard[-1] == ("priority", None)
    assert len(all_heard) == 5 and not every.active


def test_an_exception_in_a_watcher_reaches_the_caller_and_the_change_stands(router):
    def fail(vr, name, key):
        raise LookupError("from the watcher")

    def edit(vr, name, key):  # changes the model, and catches what it can
        try:
            vr.description = "changed by a watcher"
        except LookupError:
            pytest.fail("the first watcher's exception reached the second's own change")

    with router.on("priority", fail), router.on("priority", edit):
        with pytest.raises(LookupError, match="from the watcher"):
            router.priority = 140
    assert router.priority == 140 and router.description == "changed by a watcher"
    router.priority = 141  # nothing held over from before


def test_text_that_is_not_utf8_comes_through_as_its_bytes(router):
    odd = b"caf\xe9 \xff".decode("utf-8", "surrogateescape")
    router.description = odd
    router.vrrpTrackedObject.make("\u00e9t\u00e9")
    assert router.description == odd
    assert list(router.vrrpTrackedObject) == ["\u00e9t\u00e9"]
    assert fhrpconf.to_dict(router)["description"] == odd


NOT_A_VRID = "VrId::value < VrId::min or > VrId::max not allowed"


@pytest.mark.parametrize("error, message, act", [
    (RangeError, NOT_A_VRID, lambda c, vr: fhrpconf.VrId(257)),
    (RangeError, NOT_A_VRID, lambda c, vr: vr.parent.virtualRouterConfig.make(300)),
    (RangeError, "junk at column 1 deserializing 5 6", lambda c, vr: fhrpconf.VrId.parse("5 6")),
    (RangeError, "premature end of value type FhrpIntfIdPair",
     lambda c, vr: fhrpconf.FhrpIntfIdPair.parse("Value('Routing::Fhrp::FhrpIntfIdPair', ** {")),
    (RangeError, "FhrpIntfIdPair has no such attribute: af",
     lambda c, vr: fhrpconf.FhrpIntfIdPair.parse(
         "Value('Routing::Fhrp::FhrpIntfIdPair', ** {'af': ipv4})")),
    (ParseError, "cannot read an unsigned 32-bit number at column 0 of 'high'",
     lambda c, vr: setattr(vr, "priority", "high")),
    (ConversionError,
     "cannot convert to Routing::Fhrp::TrackedObject at column 39 of "
     "'Ref(1, \\'Routing::Fhrp::Config\\', \\'fhrp\\')'",
     lambda c, vr: fhrpconf.TrackedObject.parse(c._handle.text())),
    (OpNotSupportedError, "operation 128 is not supported on attribute vrId",
     lambda c, vr: setattr(vr, "vrId", 7)),
    (OpNotSupportedError, "operation 128 is not supported on attribute max",
     lambda c, vr: setattr(fhrpconf.VrId(1), "max", 7)),
    (ArgumentError, "missing or mistyped argument: vrId",
     lambda c, vr: fhrpconf.VrrpVirtualRouterConfig()),
    (ArgumentError, "missing or mistyped argument: vrId",
     lambda c, vr: vr.parent.make("virtualRouterConfig")),
    (ArgumentError, "missing or mistyped argument: IpAddr",
     lambda c, vr: setattr(vr, "priority", fhrpconf.IpAddr("192.0.2.1"))),
    (UnknownArgError, "too many arguments for TrackedObject",
     lambda c, vr: fhrpconf.TrackedObject("uplink", "extra")),
    (UnknownArgError, "too many arguments for virtualRouterConfig",
     lambda c, vr: vr.parent.make("virtualRouterConfig", 6, 7)),
    (UnknownAttrError, "VrrpVirtualRouterConfig has no attribute named nosuch",
     lambda c, vr: vr.nosuch),
    (ConstError, "attempting to modify a const instance",
     lambda c, vr: setattr(vr.view(), "priority", 1)),
    (fhrpconf.BadIndexError, "attribute priority takes no index",
     lambda c, vr: vr._handle.op(261, 0, fhrpconf.VrId(1)._handle)),
    (ConstError, "attempting to modify a const instance",
     lambda c, vr: vr.view().vrrpTrackedObject.make("uplink")),
])
def test_each_refusal_is_its_python_exception_with_the_library_text(config, router, error,
                                                                    message, act):
    before = fhrpconf.to_dict(config)
    with pytest.raises(error) as raised:
        act(config, router)
    assert str(raised.value) == message
    assert isinstance(raised.value, fhrpconf.Error)
    assert fhrpconf.to_dict(config) == before


def test_exceptions_are_also_of_their_python_kind(router):
    assert not hasattr(router, "nosuch")  # UnknownAttrError is an AttributeError
    with pytest.raises(ValueError):
        router.priority = "high"
    with pytest.raises(TypeError):
        fhrpconf.TrackedObject()


def test_the_stubs_name_the_classes_and_attributes_the_registry_gives():
    """model.pyi is written from the schema, the classes from the registry:
    the two must agree, or editors complete names that do not exist."""
    import ast
    import os

    stubs = ast.parse(open(os.path.join(os.path.dirname(fhrpconf.__file__), "model.pyi")).read())
    classes = {c.name: c for c in stubs.body if isinstance(c, ast.ClassDef)}
    assert sorted(classes) == sorted(fhrpconf.model.__all__)
    for name, stub in classes.items():
        cls = getattr(fhrpconf, name)
        text = "None" if issubclass(cls, fhrpconf.Object) else None
        handle = (fhrpconf._core.from_text(cls._type_name, text) if text
                  else fhrpconf._core.default(cls._type_name))
        served = {d.name for d in fhrpconf._wrap.describe(handle).values()}
        stubbed = {f.name for f in stub.body if isinstance(f, ast.FunctionDef)} - {"__init__"}
        assert stubbed <= served, name
        own = {d.name for d in fhrpconf._wrap.describe(handle).values() if d.id >= 2}
        assert own - {"xelHasAttrLogInterface"} <= stubbed, name


def test_a_watcher_may_cancel_itself_while_it_runs(router):
    heard = []

    def once(vr, name, key):
        heard.append(vr.priority)
        watch.cancel()

    watch = router.on("priority", once)
    router.priority = 1
    router.priority = 2
    assert heard == [1] and not watch.active
