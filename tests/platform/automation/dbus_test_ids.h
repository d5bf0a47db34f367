#pragma once
// Identifiers of the D-Bus test server's classes, as its clients know them.
#include "platform/automation/guid.h"
#include "platform/automation/interfaces.h"

namespace dbustest {

namespace pa = platform::automation;

inline constexpr pa::CLSID CLSID_probe = pa::make_guid("{7A2B5C10-3E4F-4A61-8B7C-9D0E1F2A3C01}");
inline constexpr pa::CLSID CLSID_remote_thing =
    pa::make_guid("{7A2B5C10-3E4F-4A61-8B7C-9D0E1F2A3C02}");
inline constexpr pa::GUID APPID_server = pa::make_guid("{7A2B5C10-3E4F-4A61-8B7C-9D0E1F2A3CFF}");

// The second server program (dbus_test_server_other): a probe of its own, in
// a process of its own.
inline constexpr pa::CLSID CLSID_other_probe =
    pa::make_guid("{7A2B5C10-3E4F-4A61-8B7C-9D0E1F2A3C11}");
inline constexpr pa::GUID APPID_other_server =
    pa::make_guid("{7A2B5C10-3E4F-4A61-8B7C-9D0E1F2A3CFE}");

// Iprobe
inline constexpr pa::DISPID DISPID_pid = 1;            // get I4: the serving process
inline constexpr pa::DISPID DISPID_on_main_thread = 2; // get I4: 1 on the server's main thread
inline constexpr pa::DISPID DISPID_exported = 3;       // get I4: objects with a path
inline constexpr pa::DISPID DISPID_clients = 4;        // get I4: clients holding references
inline constexpr pa::DISPID DISPID_child = 5;          // method -> a new probe
inline constexpr pa::DISPID DISPID_shared = 6;         // method -> the same probe every time
inline constexpr pa::DISPID DISPID_same = 7; // method (DISPATCH) -> I4: 1 for a probe of the server
inline constexpr pa::DISPID DISPID_sleep_ms = 8; // method (I4)
inline constexpr pa::DISPID DISPID_append = 9;   // method (I4) -> I4: calls so far
// method (BSTR path of a FIFO) -> a new probe: returns once a byte arrives on
// the FIFO, so that a test holds the server in a call as long as it likes.
// The server has the FIFO open for reading while it waits.
inline constexpr pa::DISPID DISPID_wait_for_release = 10;

} // namespace dbustest
