// The local-server transport against a real bus: a private dbus-daemon that
// starts the test server on demand.
#include "dbus_test_ids.h"
#include "fixture.h"
#include "private_bus.h"
#include "test_server_ids.h"

#include "platform/automation/dbus_transport.h"
#include "platform/automation/driver.h"
#include "platform/automation/server.h"
#include "platform/automation/vector_dispatch.h"

#include <gtest/gtest.h>
#include <sdbus-c++/sdbus-c++.h>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <vector>

using namespace autotest;
using namespace std::chrono_literals;
namespace pa = platform::automation;

namespace {

int run(std::vector<std::string> args, const std::string& stdin_text = {}, pid_t* started = nullptr,
        const std::filesystem::path& out = "/dev/null") {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    std::filesystem::path in = "/dev/null";
    if (!stdin_text.empty()) {
        char pattern[] = "/tmp/ostrel-script-XXXXXX";
        const int fd = ::mkstemp(pattern);
        if (fd >= 0) {
            [[maybe_unused]] auto w = ::write(fd, stdin_text.data(), stdin_text.size());
            ::close(fd);
            in = pattern;
        }
    }
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    if (started) {
        *started = pid;
        return 0;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (in != "/dev/null")
        std::filesystem::remove(in);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A FIFO that a test server's wait_for_release member waits on: the test
// sees the server inside the member, and lets it return when it likes.
class release_fifo_t {
public:
    explicit release_fifo_t(std::filesystem::path path) : path_(std::move(path)) {
        if (::mkfifo(path_.c_str(), 0600) != 0)
            throw std::runtime_error("mkfifo failed");
    }
    ~release_fifo_t() {
        release();
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    release_fifo_t(const release_fifo_t&) = delete;
    release_fifo_t& operator=(const release_fifo_t&) = delete;

    pa::variant_t argument() const { return pa::variant_t(path_.string()); }

    // True once the server has the FIFO open, waiting in the member. The
    // write end stays open, so the server waits on until release().
    bool server_waits(std::chrono::milliseconds limit = 10s) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (writer_ < 0) {
            // Opening for writing without blocking works only once a reader has it open.
            writer_ = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (writer_ >= 0)
                break;
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }

    void release() {
        if (writer_ < 0)
            return;
        const char byte = 1;
        [[maybe_unused]] const auto w = ::write(writer_, &byte, 1);
        ::close(writer_);
        writer_ = -1;
    }

private:
    std::filesystem::path path_;
    int writer_ = -1;
};

// The process-wide call time-out for one scope.
class call_timeout_t {
public:
    explicit call_timeout_t(std::chrono::milliseconds t) { pa::set_dbus_call_timeout(t); }
    ~call_timeout_t() { pa::set_dbus_call_timeout(pa::default_dbus_call_timeout); }
    call_timeout_t(const call_timeout_t&) = delete;
    call_timeout_t& operator=(const call_timeout_t&) = delete;
};

// The failure a use of a proxy raises; S_OK when it raises none.
pa::HRESULT failure_of(const std::function<void()>& use) {
    try {
        use();
    } catch (const pa::automation_error& e) {
        return e.hr();
    }
    return pa::S_OK;
}

class DbusTransport : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // A release_fifo_t's server may have been killed: writing to its FIFO
        // then fails rather than ending the test.
        std::signal(SIGPIPE, SIG_IGN);
        bus_ = new bustest::private_bus_t;
        pa::use_dbus_transport();
        ASSERT_EQ(run({DBUS_TEST_SERVER_PATH, "-RegServer"}), 0);
        ASSERT_EQ(run({DBUS_TEST_OTHER_SERVER_PATH, "-RegServer"}), 0);
    }
    static void TearDownTestSuite() {
        pa::set_activator(pa::server_kind::local, nullptr);
        delete bus_;
        bus_ = nullptr;
    }
    void SetUp() override { ASSERT_EQ(pa::initialize(), pa::S_OK); }
    void TearDown() override { pa::uninitialize(); }

    static pa::dispatch_driver_t probe() {
        return pa::dispatch_driver_t::create("DbusTest.probe.1");
    }
    static std::int32_t get_int(const pa::dispatch_driver_t& d, pa::DISPID id) {
        return pa::dispatch_driver_t::to_int(d.get(id));
    }

    static bustest::private_bus_t* bus_;
};

bustest::private_bus_t* DbusTransport::bus_ = nullptr;

TEST_F(DbusTransport, RegistrationWritesTheServiceFileAndLocalClass) {
    const auto file =
        bus_->services() / (pa::dbus_service_name(dbustest::APPID_server) + ".service");
    std::ifstream f(file);
    std::stringstream s;
    s << f.rdbuf();
    EXPECT_NE(s.str().find("Name=" + pa::dbus_service_name(dbustest::APPID_server)),
              std::string::npos);
    EXPECT_NE(s.str().find("Exec=" + std::filesystem::canonical(DBUS_TEST_SERVER_PATH).string()),
              std::string::npos);
    const pa::class_registry_t reg(pa::class_registry_t::default_path());
    const auto record = reg.find_class(dbustest::CLSID_probe);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->kind, pa::server_kind::local);
}

TEST_F(DbusTransport, TheBusStartsOneServerThatServesEveryCallOnItsMainThread) {
    const auto a = probe();
    const auto b = probe();
    const auto pid = get_int(a, dbustest::DISPID_pid);
    EXPECT_NE(pid, ::getpid());
    EXPECT_EQ(get_int(b, dbustest::DISPID_pid), pid) << "two creations, two server processes";
    EXPECT_EQ(get_int(a, dbustest::DISPID_on_main_thread), 1);
    // Late binding by name crosses the bus too.
    EXPECT_EQ(pa::dispatch_driver_t::to_int(a.get("PID")), pid);
    try {
        (void)a.id_of("no_such_member");
        ADD_FAILURE() << "an unknown name was accepted";
    } catch (const pa::automation_error& e) {
        EXPECT_EQ(e.hr(), pa::DISP_E_UNKNOWNNAME);
    }
}

TEST_F(DbusTransport, ValuesCrossUnchanged) {
    const auto thing = pa::dispatch_driver_t::create("DbusTest.thing.1");
    pa::variant_t null_text;
    null_text.vt = pa::VT_BSTR;
    null_text.bstrVal = nullptr;
    pa::variant_t null_value;
    null_value.vt = pa::VT_NULL;
    const std::string odd_bytes("a\0b\xff\xfe", 5);
    struct row {
        const char* catches;
        pa::variant_t value;
    } rows[] = {
        {"I4 sign lost", pa::variant_t(std::int32_t{-123456})},
        {"UI4 high bit lost", pa::variant_t(std::uint32_t{0xFFFFFFF0u})},
        {"I2 widened", pa::variant_t(std::int16_t{-2})},
        {"UI1 widened", pa::variant_t(std::uint8_t{250})},
        {"R8 precision lost", pa::variant_t(0.1)},
        {"BOOL as integer", pa::variant_t(true)},
        {"text of bytes that are not UTF-8, with a NUL",
         pa::variant_t(std::string_view(odd_bytes))},
        {"empty text made null", pa::variant_t(std::string_view(""))},
        {"null text made empty", null_text},
        {"error code", pa::variant_t::error(pa::DISP_E_PARAMNOTFOUND)},
        {"NULL made EMPTY", null_value},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.catches);
        const auto back = thing.call(DISPID_echo, {r.value});
        ASSERT_EQ(back.vt, r.value.vt);
        switch (back.vt) {
        case pa::VT_I4:
            EXPECT_EQ(back.lVal, r.value.lVal);
            break;
        case pa::VT_UI4:
            EXPECT_EQ(back.ulVal, r.value.ulVal);
            break;
        case pa::VT_I2:
            EXPECT_EQ(back.iVal, r.value.iVal);
            break;
        case pa::VT_UI1:
            EXPECT_EQ(back.bVal, r.value.bVal);
            break;
        case pa::VT_R8:
            EXPECT_EQ(back.dblVal, r.value.dblVal);
            break;
        case pa::VT_BOOL:
            EXPECT_EQ(back.boolVal, r.value.boolVal);
            break;
        case pa::VT_ERROR:
            EXPECT_EQ(back.scode, r.value.scode);
            break;
        case pa::VT_BSTR:
            EXPECT_EQ(back.bstrVal == nullptr, r.value.bstrVal == nullptr);
            EXPECT_EQ(pa::bstr_view(back.bstrVal), pa::bstr_view(r.value.bstrVal));
            break;
        default:
            break;
        }
    }
}

TEST_F(DbusTransport, FailuresArriveWithTheServersTexts) {
    const auto thing = pa::dispatch_driver_t::create("DbusTest.thing.1");
    struct row {
        const char* catches;
        pa::DISPID id;
        std::uint16_t flags;
        std::vector<pa::variant_t> args;
        pa::HRESULT hr;
        std::string description;
    } rows[] = {
        {"member's error text lost",
         DISPID_fail,
         pa::DISPATCH_METHOD,
         {pa::variant_t("why")},
         pa::DISP_E_EXCEPTION,
         "thing::fail : why"},
        {"exception in the server not reported",
         DISPID_explode,
         pa::DISPATCH_METHOD,
         {},
         pa::DISP_E_EXCEPTION,
         "boom"},
        {"unknown member not refused", 99, pa::DISPATCH_METHOD, {}, pa::DISP_E_MEMBERNOTFOUND, ""},
        {"wrong argument count accepted",
         DISPID_add,
         pa::DISPATCH_METHOD,
         {pa::variant_t(1)},
         pa::DISP_E_BADPARAMCOUNT,
         ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.catches);
        try {
            thing.invoke(r.id, r.flags, r.args);
            ADD_FAILURE() << "no failure";
        } catch (const pa::automation_error& e) {
            EXPECT_EQ(e.hr(), r.hr);
            if (!r.description.empty()) {
                EXPECT_NE(e.description().find(r.description), std::string::npos)
                    << e.description();
            }
        }
    }
    // A vector's element DISPIDs keep their own exception record.
    const auto vector =
        pa::dispatch_driver_t::to_object(thing.call(DISPID_items, {pa::variant_t(2)}));
    EXPECT_TRUE(pa::dispatch_driver_t::to_object(vector.get(pa::element_dispid_base + 1)));
    try {
        (void)vector.get(pa::element_dispid_base + 5);
        ADD_FAILURE() << "an index beyond the end was served";
    } catch (const pa::automation_error& e) {
        EXPECT_EQ(e.code(), pa::element_index_error_code);
        EXPECT_EQ(e.source(), "Autotest vector");
        EXPECT_EQ(e.description(), "Illegal index 5 for vector with 2 element(s).");
    }
}

// An in-process object of the client: it must never reach the server as itself.
class Clocal_probe : public pa::dispatch_object_t<Clocal_probe> {
public:
    static const pa::dispatch_class_t& dispatch_class() {
        static const pa::dispatch_class_t cls{"Clocal_probe", "Local.probe", {}};
        return cls;
    }
};

TEST_F(DbusTransport, ObjectsKeepTheirIdentityBothWays) {
    const auto p = probe();
    const auto child = pa::dispatch_driver_t::to_object(p.call(dbustest::DISPID_child));
    const auto other = pa::dispatch_driver_t::to_object(p.call(dbustest::DISPID_child));
    EXPECT_NE(child.get(), other.get());
    EXPECT_EQ(get_int(child, dbustest::DISPID_pid), get_int(p, dbustest::DISPID_pid));

    // The same server object handed out twice is one proxy here.
    const auto s1 = pa::dispatch_driver_t::to_object(p.call(dbustest::DISPID_shared));
    const auto s2 = pa::dispatch_driver_t::to_object(p.call(dbustest::DISPID_shared));
    EXPECT_EQ(s1.get(), s2.get());

    const auto thing = pa::dispatch_driver_t::create("DbusTest.thing.1");
    const auto local = pa::make_object<Clocal_probe>();
    struct row {
        const char* catches;
        pa::IDispatch* argument;
        std::int32_t same;
    } rows[] = {
        {"server's own object not recognised", child.get(), 1},
        {"a shared object not recognised", s1.get(), 1},
        {"null argument invented an object", nullptr, 0},
        {"a client's own object taken for the server's", local.get(), 0},
        {"a proxy of another class taken for a probe", thing.get(), 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.catches);
        EXPECT_EQ(pa::dispatch_driver_t::to_int(
                      p.call(dbustest::DISPID_same, {pa::variant_t(r.argument)})),
                  r.same);
    }
}

TEST_F(DbusTransport, ReleasingTheLastProxyReleasesTheServersObject) {
    auto p = probe();
    const auto before = get_int(p, dbustest::DISPID_exported);
    {
        auto child = pa::dispatch_driver_t::to_object(p.call(dbustest::DISPID_child));
        auto copy = child; // a second local reference gives back nothing yet
        EXPECT_EQ(get_int(p, dbustest::DISPID_exported), before + 1);
        child.reset();
        EXPECT_EQ(get_int(p, dbustest::DISPID_exported), before + 1);
    }
    EXPECT_EQ(get_int(p, dbustest::DISPID_exported), before);
    // The shared object handed out three times is given back in one go.
    {
        auto a = pa::dispatch_driver_t::to_object(p.call(dbustest::DISPID_shared));
        auto b = pa::dispatch_driver_t::to_object(p.call(dbustest::DISPID_shared));
        auto c = pa::dispatch_driver_t::to_object(p.call(dbustest::DISPID_shared));
        EXPECT_EQ(get_int(p, dbustest::DISPID_exported), before + 1);
    }
    EXPECT_EQ(get_int(p, dbustest::DISPID_exported), before);

    // The test server ends once it holds nothing for anyone.
    const pid_t pid = get_int(p, dbustest::DISPID_pid);
    p.reset();
    EXPECT_TRUE(bustest::process_ends_within(pid, 5000));
    // ... and the next creation starts a new one.
    EXPECT_NE(get_int(probe(), dbustest::DISPID_pid), pid);
}

TEST_F(DbusTransport, AKilledClientsReferencesAreDropped) {
    const auto p = probe();
    const auto before = get_int(p, dbustest::DISPID_exported);
    const auto out = bus_->dir() / "client.out";
    pid_t client = 0;
    ASSERT_EQ(
        run({AUTOCALL_PATH},
            "p = create DbusTest.probe.1\nc = p.child\nd = p.child\nprint \"ready\"\nsleep 60000\n",
            &client, out),
        0);
    bool holding = false;
    for (int i = 0; i < 500 && !holding; ++i) {
        holding = get_int(p, dbustest::DISPID_clients) == 2 &&
                  get_int(p, dbustest::DISPID_exported) == before + 3;
        if (!holding)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(holding) << "the second client never got its objects";
    ::kill(client, SIGKILL);
    int status = 0;
    ::waitpid(client, &status, 0);
    bool dropped = false;
    for (int i = 0; i < 250 && !dropped; ++i) {
        dropped = get_int(p, dbustest::DISPID_clients) == 1 &&
                  get_int(p, dbustest::DISPID_exported) == before;
        if (!dropped)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(dropped);
}

TEST_F(DbusTransport, CallsFromSeveralClientThreadsAreAllServed) {
    const auto p = probe();
    const auto first =
        pa::dispatch_driver_t::to_int(p.call(dbustest::DISPID_append, {pa::variant_t(0)}));
    constexpr int threads = 4, calls = 50;
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([] {
            pa::initializer_t init;
            const auto own = probe();
            for (int i = 0; i < calls; ++i)
                own.call(dbustest::DISPID_append, {pa::variant_t(i)});
        });
    for (auto& t : pool)
        t.join();
    EXPECT_EQ(pa::dispatch_driver_t::to_int(p.call(dbustest::DISPID_append, {pa::variant_t(0)})),
              first + threads * calls + 1);
}

// Every thread of the operator program calls the discovery server; one slow
// call must not hold up the others.
TEST_F(DbusTransport, ACallThatStallsHoldsUpNoOtherThread) {
    release_fifo_t fifo(bus_->dir() / "stall");
    std::atomic<pa::HRESULT> stalled_hr{pa::E_UNEXPECTED};
    std::thread stalled([&] {
        pa::initializer_t init;
        stalled_hr = failure_of([&] {
            const auto p = probe();
            p.call(dbustest::DISPID_wait_for_release, {fifo.argument()});
        });
    });
    const bool waiting = fifo.server_waits();
    EXPECT_TRUE(waiting) << "the stalling call never reached the server";

    // Another server's objects, created and called from another thread
    // while the first call waits.
    constexpr int calls = 20;
    auto others = std::async(std::launch::async, [] {
        pa::initializer_t init;
        const auto other = pa::dispatch_driver_t::create("DbusTest.other_probe.1");
        int served = 0;
        for (int i = 0; i < calls; ++i)
            served += get_int(other, dbustest::DISPID_pid) > 0 ? 1 : 0;
        return served;
    });
    const bool completed = others.wait_for(20s) == std::future_status::ready;
    fifo.release();
    stalled.join();
    EXPECT_TRUE(completed) << "calls to another server waited for the stalled call";
    EXPECT_EQ(others.get(), calls);
    EXPECT_EQ(stalled_hr.load(), pa::S_OK) << "the stalled call failed once released";
}

TEST_F(DbusTransport, ACallPastItsTimeOutFailsAndWhatItsLateAnswerHandsOverIsGivenBack) {
    release_fifo_t fifo(bus_->dir() / "late");
    const auto p = probe(); // the default time-out: the bus starts the server first
    const auto before = get_int(p, dbustest::DISPID_exported);
    {
        const call_timeout_t low(200ms);
        pa::variant_t argument = fifo.argument();
        pa::DISPPARAMS params;
        params.rgvarg = &argument;
        params.cArgs = 1;
        pa::variant_t result;
        pa::EXCEPINFO excep;
        unsigned arg_err = 0;
        EXPECT_EQ(p.get()->Invoke(dbustest::DISPID_wait_for_release, pa::GUID_NULL, 0,
                                  pa::DISPATCH_METHOD, &params, &result, &excep, &arg_err),
                  pa::RPC_E_TIMEOUT);
        pa::clear_excepinfo(excep);
        EXPECT_NE(take_error_info().find("did not answer within 200 ms"), std::string::npos);
    }
    ASSERT_TRUE(fifo.server_waits());
    fifo.release();
    // The late answer handed over a new probe, which nobody here holds: it
    // goes back, and the proxy keeps working.
    bool given_back = false;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!given_back && std::chrono::steady_clock::now() < deadline) {
        given_back = get_int(p, dbustest::DISPID_exported) == before;
        if (!given_back)
            std::this_thread::sleep_for(20ms);
    }
    EXPECT_TRUE(given_back) << "the late answer's object is held for good";
}

TEST_F(DbusTransport, AKilledServersProxiesReportDisconnectionAndCreationStartsANewOne) {
    release_fifo_t fifo(bus_->dir() / "killed");
    const auto old = probe();
    const auto old_child = pa::dispatch_driver_t::to_object(old.call(dbustest::DISPID_child));
    const pid_t pid = get_int(old, dbustest::DISPID_pid);
    std::atomic<pa::HRESULT> on_its_way{pa::S_OK};
    std::thread caller([&] {
        pa::initializer_t init;
        on_its_way = failure_of(
            [&] { old_child.call(dbustest::DISPID_wait_for_release, {fifo.argument()}); });
    });
    EXPECT_TRUE(fifo.server_waits());
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    caller.join();
    EXPECT_EQ(on_its_way.load(), pa::RPC_E_DISCONNECTED) << "the call the kill cut short";
    ASSERT_TRUE(bustest::process_ends_within(pid, 5000));

    // The bus starts the server again; its objects get the paths the old
    // ones had.
    const auto fresh = probe();
    const auto fresh_child = pa::dispatch_driver_t::to_object(fresh.call(dbustest::DISPID_child));
    const auto fresh_pid = get_int(fresh, dbustest::DISPID_pid);
    EXPECT_NE(fresh_pid, pid);
    EXPECT_EQ(get_int(fresh_child, dbustest::DISPID_pid), fresh_pid);
    struct row {
        const char* catches;
        std::function<void()> use;
    } rows[] = {
        {"a call on an old object served by the new server",
         [&] { (void)get_int(old, dbustest::DISPID_pid); }},
        {"an old child served by the new server",
         [&] { (void)get_int(old_child, dbustest::DISPID_pid); }},
        {"a name looked up by the new server", [&] { (void)old.id_of("pid"); }},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.catches);
        EXPECT_EQ(failure_of(r.use), pa::RPC_E_DISCONNECTED);
    }
}

TEST_F(DbusTransport, AfterTheBusRestartsTheNextCreationConnectsAgain) {
    release_fifo_t fifo(bus_->dir() / "restart");
    const auto old = probe();
    const pid_t pid = get_int(old, dbustest::DISPID_pid);
    std::atomic<pa::HRESULT> on_its_way{pa::S_OK};
    std::thread caller([&] {
        pa::initializer_t init;
        on_its_way =
            failure_of([&] { old.call(dbustest::DISPID_wait_for_release, {fifo.argument()}); });
    });
    EXPECT_TRUE(fifo.server_waits());
    bus_->stop();
    caller.join();
    EXPECT_EQ(on_its_way.load(), pa::RPC_E_DISCONNECTED) << "the call the bus's end cut short";
    // The server leaves its member and finds its bus gone.
    fifo.release();
    EXPECT_TRUE(bustest::process_ends_within(pid, 5000));

    bus_->start();
    const auto fresh = probe();
    EXPECT_NE(get_int(fresh, dbustest::DISPID_pid), pid);
    EXPECT_EQ(failure_of([&] { (void)get_int(old, dbustest::DISPID_pid); }),
              pa::RPC_E_DISCONNECTED);
}

// What another program on the bus may send: the server answers with an
// error and keeps serving.
TEST_F(DbusTransport, MalformedCallsAreRefusedAndServingGoesOn) {
    const auto p = probe(); // keeps the server up throughout
    const std::string service = pa::dbus_service_name(dbustest::APPID_server);
    auto connection = sdbus::createSessionBusConnection();
    auto root = sdbus::createProxy(*connection, service, "/org/ostrel/Automation");

    struct create_row {
        const char* catches;
        std::string clsid;
        pa::HRESULT hr;
    } creates[] = {
        {"a text that is no CLSID", "nonsense", pa::CLASS_E_CLASSNOTAVAILABLE},
        {"a class the server does not serve", "{00000000-0000-0000-0000-000000000001}",
         pa::CLASS_E_CLASSNOTAVAILABLE},
    };
    for (const auto& r : creates) {
        SCOPED_TRACE(r.catches);
        auto call = root->createMethodCall("org.ostrel.Automation1", "CreateInstance");
        call << r.clsid;
        auto reply = root->callMethod(call);
        std::int32_t hr = 0;
        sdbus::ObjectPath path;
        std::string source, description;
        reply >> hr >> path >> source >> description;
        EXPECT_EQ(hr, r.hr);
        EXPECT_EQ(std::string(path), "/");
    }

    // A real object of the server, asked with values it cannot read.
    auto create = root->createMethodCall("org.ostrel.Automation1", "CreateInstance");
    create << pa::to_string(dbustest::CLSID_remote_thing);
    auto created = root->callMethod(create);
    std::int32_t hr = 0;
    sdbus::ObjectPath path;
    std::string source, description;
    created >> hr >> path >> source >> description;
    ASSERT_EQ(hr, pa::S_OK);
    auto thing = sdbus::createProxy(*connection, service, path);
    using value = sdbus::Struct<std::uint16_t, sdbus::Variant>;
    struct invoke_row {
        const char* catches;
        value argument;
    } invokes[] = {
        {"unknown type tag", value{std::uint16_t{0x77}, sdbus::Variant(std::int32_t{1})}},
        {"tag and value disagree",
         value{std::uint16_t{pa::VT_I4}, sdbus::Variant(std::string("1"))}},
        {"text as a D-Bus string",
         value{std::uint16_t{pa::VT_BSTR}, sdbus::Variant(std::string("x"))}},
    };
    for (const auto& r : invokes) {
        SCOPED_TRACE(r.catches);
        auto call = thing->createMethodCall("org.ostrel.Automation1", "Invoke");
        call << std::int32_t{DISPID_echo} << std::uint16_t{pa::DISPATCH_METHOD}
             << std::vector<value>{r.argument} << std::vector<std::int32_t>{};
        auto reply = thing->callMethod(call);
        std::int32_t got = 0;
        reply >> got;
        EXPECT_EQ(got, pa::DISP_E_BADVARTYPE);
    }
    // A call of the wrong shape altogether is a D-Bus error.
    auto bad = thing->createMethodCall("org.ostrel.Automation1", "Invoke");
    bad << std::string("not the arguments");
    EXPECT_THROW(thing->callMethod(bad), sdbus::Error);
    // Letting go through the bus, as a proxy does.
    auto release = thing->createMethodCall("org.ostrel.Automation1", "Release");
    release << std::uint32_t{1};
    release.dontExpectReply();
    thing->callMethod(release);

    EXPECT_EQ(get_int(p, dbustest::DISPID_on_main_thread), 1) << "the server stopped serving";
}

TEST_F(DbusTransport, AServerThatCannotBeStartedFailsTheCreation) {
    pa::class_registry_t reg(pa::class_registry_t::default_path());
    pa::class_record_t r;
    r.clsid = pa::make_guid("{7A2B5C10-3E4F-4A61-8B7C-9D0E1F2A3D01}");
    r.progid = "DbusTest.nowhere.1";
    r.kind = pa::server_kind::local;
    r.path = "/nonexistent/server";
    r.appid = pa::make_guid("{7A2B5C10-3E4F-4A61-8B7C-9D0E1F2A3D02}");
    ASSERT_TRUE(reg.add_class(r));
    pa::com_ptr_t<pa::IDispatch> object;
    EXPECT_EQ(pa::create_object("DbusTest.nowhere.1", object.put()), pa::CO_E_SERVER_EXEC_FAILURE);
    EXPECT_FALSE(object);
    EXPECT_NE(take_error_info().find("DbusTest.nowhere.1: The local server cannot be reached"),
              std::string::npos);
}

TEST_F(DbusTransport, UnregisteringRemovesTheServiceFile) {
    const auto file =
        bus_->services() / (pa::dbus_service_name(dbustest::APPID_server) + ".service");
    ASSERT_TRUE(std::filesystem::exists(file));
    ASSERT_EQ(run({DBUS_TEST_SERVER_PATH, "-UnregServer"}), 0);
    EXPECT_FALSE(std::filesystem::exists(file));
    pa::CLSID clsid;
    EXPECT_EQ(pa::clsid_from_progid("DbusTest.probe.1", &clsid), pa::REGDB_E_CLASSNOTREG);
    ASSERT_EQ(run({DBUS_TEST_SERVER_PATH, "-RegServer"}), 0);
}

} // namespace
