// A local server for the D-Bus transport's tests. It serves the test
// library's `thing` (members of every kind) and a `probe` of its own that
// reports on the serving process. It ends when the last exported object is
// released, after having served at least one. Built a second time as
// dbus_test_server_other (DBUS_TEST_OTHER_SERVER): another server, serving
// only its own probe class.
//
//   dbus_test_server -RegServer | -UnregServer | (serve)
#include "dbus_test_ids.h"
#include "test_server_ids.h"

#include "platform/automation/activation.h"
#include "platform/automation/dbus_transport.h"
#include "platform/automation/server.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string_view>
#include <thread>
#include <unistd.h>

extern "C" platform::automation::HRESULT
DllGetClassObject(const platform::automation::CLSID&, const platform::automation::IID&, void**);

namespace {

using namespace platform::automation;

dbus_server_t* the_server = nullptr;
std::thread::id main_thread;

struct Iprobe : IDispatch {
    static constexpr IID iid = make_guid("{7A2B5C10-3E4F-4A61-8B7C-9D0E1F2A3B01}");
};

class Cprobe : public dispatch_object_t<Cprobe, Iprobe> {
public:
    static constexpr IID implementation_iid = make_guid("{7A2B5C10-3E4F-4A61-8B7C-9D0E1F2A3B02}");
    static const dispatch_class_t& dispatch_class();

    HRESULT pid(std::int32_t* out) {
        *out = static_cast<std::int32_t>(::getpid());
        return S_OK;
    }
    HRESULT on_main_thread(std::int32_t* out) {
        *out = std::this_thread::get_id() == main_thread ? 1 : 0;
        return S_OK;
    }
    HRESULT exported(std::int32_t* out) {
        *out = static_cast<std::int32_t>(the_server->exported_count());
        return S_OK;
    }
    HRESULT clients(std::int32_t* out) {
        *out = static_cast<std::int32_t>(the_server->client_count());
        return S_OK;
    }
    HRESULT child(IDispatch** out) { return hand_out(make_object<Cprobe>(), out); }
    HRESULT shared(IDispatch** out) {
        static Cprobe* one = [] {
            auto p = make_object<Cprobe>();
            return p.detach(); // lives as long as the process
        }();
        one->AddRef();
        *out = one;
        return S_OK;
    }
    // 1 when `other` is a probe of this process, 0 for anything else.
    HRESULT same(IDispatch* other, std::int32_t* out) {
        *out = implementation_cast<Cprobe>(other) ? 1 : 0;
        return S_OK;
    }
    HRESULT sleep_ms(std::int32_t ms) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return S_OK;
    }
    HRESULT wait_for_release(BSTR fifo, IDispatch** out) {
        // Opening blocks until the test opens the other end for writing.
        const int fd = ::open(std::string(bstr_view(fifo)).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return E_FAIL;
        char byte = 0;
        [[maybe_unused]] const auto r = ::read(fd, &byte, 1);
        ::close(fd);
        return hand_out(make_object<Cprobe>(), out);
    }
    // Appends a number to a sequence, so that clients can see call order.
    HRESULT append(std::int32_t n, std::int32_t* count) {
        static std::vector<std::int32_t> seen;
        seen.push_back(n);
        *count = static_cast<std::int32_t>(seen.size());
        return S_OK;
    }
};

const dispatch_class_t& Cprobe::dispatch_class() {
    static const member_t members[] = {
        property_get<&Cprobe::pid>("pid", dbustest::DISPID_pid),
        property_get<&Cprobe::on_main_thread>("on_main_thread", dbustest::DISPID_on_main_thread),
        property_get<&Cprobe::exported>("exported", dbustest::DISPID_exported),
        property_get<&Cprobe::clients>("clients", dbustest::DISPID_clients),
        method<&Cprobe::child>("child", dbustest::DISPID_child),
        method<&Cprobe::shared>("shared", dbustest::DISPID_shared),
        method<&Cprobe::same>("same", dbustest::DISPID_same),
        method<&Cprobe::sleep_ms>("sleep_ms", dbustest::DISPID_sleep_ms),
        method<&Cprobe::append>("append", dbustest::DISPID_append),
        method<&Cprobe::wait_for_release>("wait_for_release", dbustest::DISPID_wait_for_release),
    };
    static const dispatch_class_t cls{"Cprobe", "DbusTest.probe.1", members};
    return cls;
}

#ifdef DBUS_TEST_OTHER_SERVER
const class_entry_t classes[] = {
    {dbustest::CLSID_other_probe, "DbusTest.other_probe.1", "DbusTest.other_probe",
     "other probe Class", "Apartment", true, &create_instance_of<Cprobe>},
};

const server_info_t& info() {
    static const server_info_t s{classes,
                                 GUID_NULL,
                                 {},
                                 {},
                                 dbustest::APPID_other_server,
                                 "DbusTestOther",
                                 "dbus_test_server_other"};
    return s;
}
#else
HRESULT create_thing(const IID& riid, void** out) {
    com_ptr_t<IClassFactory> factory;
    const HRESULT hr =
        DllGetClassObject(autotest::CLSID_thing, IClassFactory::iid, factory.put_void());
    if (hr < 0)
        return hr;
    return factory->CreateInstance(nullptr, riid, out);
}

const class_entry_t classes[] = {
    {dbustest::CLSID_probe, "DbusTest.probe.1", "DbusTest.probe", "probe Class", "Apartment", true,
     &create_instance_of<Cprobe>},
    {dbustest::CLSID_remote_thing, "DbusTest.thing.1", "DbusTest.thing", "thing Class", "Apartment",
     true, &create_thing},
};

const server_info_t& info() {
    static const server_info_t s{classes,    GUID_NULL,         {}, {}, dbustest::APPID_server,
                                 "DbusTest", "dbus_test_server"};
    return s;
}
#endif

} // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        const std::string_view a = argv[1];
        if (a == "-RegServer")
            return register_local_server(info(), std::filesystem::read_symlink("/proc/self/exe")) <
                   0;
        if (a == "-UnregServer")
            return unregister_local_server(info()) < 0;
    }
    main_thread = std::this_thread::get_id();
    initializer_t init;
    if (init.hr() < 0)
        return 1;
    dbus_server_t server(info());
    the_server = &server;
    if (server.start() < 0) {
        std::fprintf(stderr, "dbus_test_server: cannot serve\n");
        return 1;
    }
    bool served = false;
    server.set_after_message([&] {
        if (server.exported_count() > 0)
            served = true;
        else if (served)
            server.quit();
    });
    server.run();
    the_server = nullptr;
    return 0;
}
