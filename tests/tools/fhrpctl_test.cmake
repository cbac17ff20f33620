# fhrpctl as users run it: on a text of settings and on a capture.
# Arguments: FHRPCTL, CAPTURE, LOGDUMP (programs), CONFIG (a text of
# settings), DIR (scratch), EMULATOR (or empty).
file(MAKE_DIRECTORY ${DIR})

include(${CMAKE_CURRENT_LIST_DIR}/run_tool.cmake)

# Runs fhrpctl with ARGN; fails unless it exits with `status`.
macro(ctl status out_var err_var)
  run_tool(${FHRPCTL} ${status} ${out_var} ${err_var} ${ARGN})
endmacro()

set(vr "vrrpConfig/vrrpIntfConfig['Ethernet1']/virtualRouterConfig[5]")

ctl(0 out err ${CONFIG} get ${vr}/priority)
expect_equal("a value" "${out}" "120\n")
ctl(0 out err ${CONFIG} get ${vr}/secondaryAddrs)
expect_equal("a collection" "${out}" "[192.0.2.10] = true\n")
ctl(0 out err ${CONFIG} get varpConfig/virtualMac)
expect_equal("a MAC" "${out}" "02:00:00:00:00:01\n")

# What dump prints reads back as the same tree.
ctl(0 dumped err ${CONFIG} dump)
file(WRITE ${DIR}/dumped.txt "${dumped}")
ctl(0 again err ${DIR}/dumped.txt dump)
expect_equal("a dump read back" "${again}" "${dumped}")
string(FIND "${dumped}" "${vr}/vrrpTrackedObject['uplink']/trackPriorityDecrement = 0\n" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the dump lacks the tracked object:\n${dumped}")
endif()

# Set and delete, written out and read again.
ctl(0 out err ${CONFIG} set ${vr}/priority 130 -o ${DIR}/set.txt)
ctl(0 out err ${DIR}/set.txt get ${vr}/priority)
expect_equal("a value set" "${out}" "130\n")
ctl(0 out err ${CONFIG} del ${vr}/secondaryAddrs[192.0.2.10] -o ${DIR}/del.txt)
ctl(0 out err ${DIR}/del.txt get ${vr}/secondaryAddrs)
expect_equal("a member deleted" "${out}" "")

# Refusals: the library's own messages, and the tree left alone.
ctl(1 out err ${CONFIG} set ${vr}/priority high)
expect_equal("a value that does not read" "${err}"
  "fhrpctl: cannot read an unsigned 32-bit number at column 0 of 'high'\n")
ctl(1 out err ${CONFIG} set ${vr}/vrId 7)
expect_equal("a key" "${err}" "fhrpctl: operation 128 is not supported on attribute vrId\n")
ctl(1 out err ${CONFIG} get ${vr}/nosuch)
expect_equal("an unknown name" "${err}"
  "fhrpctl: VrrpVirtualRouterConfig has no attribute named nosuch\n")
ctl(1 out err ${CONFIG} get vrrpConfig/vrrpIntfConfig['Ethernet9'])
expect_equal("an absent child" "${err}" "fhrpctl: no vrrpIntfConfig['Ethernet9']\n")
ctl(1 out err ${CONFIG} get ${vr}/priority[3])
expect_equal("a key where none belongs" "${err}" "fhrpctl: priority takes no key\n")
ctl(1 out err ${CONFIG} get vrrpConfig['other'])
expect_equal("a single child by another name" "${err}" "fhrpctl: vrrpConfig is 'vrrp', not 'other'\n")
ctl(2 out err ${CONFIG} get ${vr}/secondaryAddrs[192.0.2.10)
ctl(2 out err)

# A capture: read, set, and written back as one.
execute_process(COMMAND ${EMULATOR} ${CAPTURE} ${DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "capture failed: ${status}")
endif()
ctl(0 out err ${DIR}/good.bin get trackPriorityDecrement)
expect_equal("a value from a capture" "${out}" "10\n")
ctl(0 out err ${DIR}/good.bin set trackPriorityDecrement 11 -o ${DIR}/set.bin)
execute_process(COMMAND ${EMULATOR} ${LOGDUMP} ${DIR}/set.bin OUTPUT_VARIABLE out)
string(FIND "${out}" "TrackedObject.trackPriorityDecrement(261) set 11" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the capture written lacks the change:\n${out}")
endif()
ctl(1 out err ${DIR}/truncated.bin dump)
expect_equal("a truncated capture" "${err}" "fhrpctl: the capture ends inside a record\n")
