#pragma once
// Local servers over D-Bus: a server program exports its automation objects
// on the bus, and a client's create_object of a class registered as a local
// server gets a proxy whose calls cross the bus.
//
// Bus. A server is reached under one well-known name: its AppID's
// ("org.ostrel.Automation.A<32 hex digits>"), or each class's CLSID when it
// has no AppID. The bus is the session bus unless $DBUS_STARTER_BUS_TYPE or
// $OSTREL_AUTOMATION_BUS says "system"; a server started by the bus uses the
// bus that started it.
//
// Objects. Every object a server hands to a client gets its own object path,
// kept for as long as any client holds a reference; each hand-over counts one
// reference of that client, and the client's proxy gives them all back when
// its last local reference goes. An object passed back as an argument arrives
// at the server as the server's own object; an object of anyone else, or
// none, arrives as none. When a client's connection goes (exit, crash, kill)
// the server drops every reference that client held. Within one client
// process the same server object is one proxy object, so identity survives
// the crossing.
//
// Threads. The server serves every call on the thread that runs it, one after
// the other, whichever client it comes from. A client process has one bus
// connection with a thread of its own that reads it; every call is sent from
// the calling thread and waits only for its own answer, so a call that takes
// long holds up no other thread's calls (those to the same server wait for
// the server, which serves in order). One connection keeps one client name on
// the bus: the server's counts of references and its clean-up when a client
// goes stay per process, and so does proxy identity.
//
// Time-out. A call that gets no answer within dbus_call_timeout() fails with
// RPC_E_TIMEOUT; the call may still run on the server, and an object its late
// answer hands over is given back.
//
// Lost connections. A proxy is bound to the server process and to the
// connection that received it. A call that was on its way when either went
// fails with RPC_E_DISCONNECTED and is never sent again, since it may have
// run. When the server process ended, its objects are gone: their proxies
// report RPC_E_DISCONNECTED, and a new creation reaches a server the bus
// starts afresh. When the client's own connection ended (the bus restarted),
// the next creation connects again; the proxies of the old connection report
// RPC_E_DISCONNECTED for good (their server ended with the bus, or dropped
// them with the connection). A creation, unlike a call, is repeated after a
// lost connection: what it made was made for that connection, and its server
// releases it with the connection.
#include "platform/automation/interfaces.h"
#include "platform/automation/registration.h"

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace platform::automation {

// The server went away or the bus could not deliver the call.
inline constexpr HRESULT RPC_E_DISCONNECTED = static_cast<HRESULT>(0x80010108u);
// The server did not answer within the call time-out.
inline constexpr HRESULT RPC_E_TIMEOUT = static_cast<HRESULT>(0x8001011Fu);

inline constexpr std::chrono::milliseconds default_dbus_call_timeout{25000};

// The time-out of every call a client makes from now on, in any thread (a
// call already waiting keeps its own); zero or less restores the default. A
// program whose servers have members slower than that (a card session, a
// wait for a device) raises it.
void set_dbus_call_timeout(std::chrono::milliseconds timeout);
std::chrono::milliseconds dbus_call_timeout();

// Makes create_object reach classes registered as local servers through the
// bus (set_activator of server_kind::local).
void use_dbus_transport();

// The well-known bus name of a server with this AppID (or CLSID).
std::string dbus_service_name(const GUID& id);

// Where registration writes the bus's service files: $OSTREL_DBUS_SERVICE_DIR
// when set, else $XDG_DATA_HOME/dbus-1/services, else
// ~/.local/share/dbus-1/services (the session bus's own search path).
std::filesystem::path dbus_service_dir();

// register_server as a local server at `executable`, plus a service file per
// bus name so that the bus starts the program on the first call; and the
// reverse (a missing service file is no failure).
HRESULT register_local_server(const server_info_t& info, const std::filesystem::path& executable);
HRESULT unregister_local_server(const server_info_t& info);

class dbus_server_t {
public:
    explicit dbus_server_t(const server_info_t& info);
    ~dbus_server_t();
    dbus_server_t(const dbus_server_t&) = delete;
    dbus_server_t& operator=(const dbus_server_t&) = delete;

    // Connects, exports the class objects and takes the bus name(s). A
    // failure leaves error information; CO_E_SERVER_EXEC_FAILURE when the
    // bus cannot be reached or the name belongs to another process.
    HRESULT start();
    // Serves calls on the calling thread until quit(). A failure of the
    // wait itself ends it early with an error result and error information
    // (S_OK otherwise).
    HRESULT run();
    // From any thread, also before run().
    void quit();
    // Runs on the serving thread after every message that was handled.
    void set_after_message(std::function<void()> fn);

    // Objects with a path, and clients holding any reference.
    std::size_t exported_count() const;
    std::size_t client_count() const;

private:
    HRESULT serve(bool drain);

    struct impl_t;
    std::unique_ptr<impl_t> impl_;
};

} // namespace platform::automation
