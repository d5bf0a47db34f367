#include "fixture.h"
#include "test_server_ids.h"

#include "platform/automation/driver.h"
#include "platform/automation/registry.h"
#include "platform/automation/server.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <chrono>
#include <thread>

namespace pa = platform::automation;
using namespace autotest;

namespace {

// Whether the dynamic linker still has the test server mapped.
bool mapped()
{
    void* h = ::dlopen(AUTOTEST_SERVER_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (h)
        ::dlclose(h);
    return h != nullptr;
}

class AutomationActivation : public ServerFixture {};

TEST_F(AutomationActivation, CreatesByProgIdInAnyLetterCase)
{
    const char* names[] = {
        "Autotest.thing.1",
        "autotest.THING.1",
        "AUTOTEST.THING",
        "{5b0c6f5e-8a31-4d8e-9b6a-2e51c0a1f001}",
    };
    for (const char* name : names) {
        pa::com_ptr_t<pa::IDispatch> object;
        ASSERT_EQ(pa::create_object(name, object.put()), pa::S_OK) << name << ": " << take_error_info();
        pa::dispatch_driver_t d(object);
        EXPECT_EQ(pa::dispatch_driver_t::to_int(d.call("add", {1, 2})), 3) << name;
    }
}

TEST_F(AutomationActivation, RegistrationWritesWhereTheLibraryIs)
{
    pa::class_registry_t reg(pa::class_registry_t::default_path());
    const auto r = reg.find_class(CLSID_thing);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->progid, "Autotest.thing.1");
    EXPECT_EQ(r->version_independent_progid, "Autotest.thing");
    EXPECT_EQ(r->description, "thing Class");
    EXPECT_EQ(r->kind, pa::server_kind::inproc);
    EXPECT_EQ(r->path, std::filesystem::canonical(AUTOTEST_SERVER_PATH).string());
    EXPECT_EQ(r->threading_model, "Apartment");
    EXPECT_EQ(r->typelib, LIBID_autotest);
    EXPECT_TRUE(r->programmable);
    EXPECT_EQ(reg.find_class(CLSID_vector)->threading_model, "Both");
    EXPECT_EQ(reg.find_typelib(LIBID_autotest)->name, "AUTOTESTLib");

    ASSERT_EQ(pa::unregister_library(AUTOTEST_SERVER_PATH), pa::S_OK);
    EXPECT_TRUE(reg.classes().empty());
    pa::com_ptr_t<pa::IDispatch> object;
    EXPECT_EQ(pa::create_object("Autotest.thing.1", object.put()), pa::REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(reg.find_typelib(LIBID_autotest));
}

struct failure_row {
    const char* fault;
    const char* name;
    pa::HRESULT hr;
    const char* error_starts;
};

TEST_F(AutomationActivation, FailuresAreReportedWithErrorInformation)
{
    pa::class_registry_t reg(pa::class_registry_t::default_path());
    auto missing = *reg.find_class(CLSID_thing);
    missing.clsid = pa::make_guid("{5B0C6F5E-8A31-4D8E-9B6A-2E51C0A1F0A1}");
    missing.progid = "Broken.missing_library.1";
    missing.version_independent_progid.clear();
    missing.path = (registry_.dir() / "nowhere.so").string();
    ASSERT_TRUE(reg.add_class(missing));
    auto foreign = missing;
    foreign.clsid = pa::make_guid("{5B0C6F5E-8A31-4D8E-9B6A-2E51C0A1F0A2}");
    foreign.progid = "Broken.not_served.1";
    foreign.path = AUTOTEST_SERVER_PATH;
    ASSERT_TRUE(reg.add_class(foreign));
    auto local = missing;
    local.clsid = pa::make_guid("{5B0C6F5E-8A31-4D8E-9B6A-2E51C0A1F0A3}");
    local.progid = "Broken.local.1";
    local.kind = pa::server_kind::local;
    ASSERT_TRUE(reg.add_class(local));

    const failure_row rows[] = {
        {"unknown ProgID", "nosuch.thing.1", pa::REGDB_E_CLASSNOTREG, "nosuch.thing.1: Class not registered"},
        {"CLSID text of no class", "{5B0C6F5E-8A31-4D8E-9B6A-2E51C0A1F0FE}", pa::REGDB_E_CLASSNOTREG,
         "{5B0C6F5E-8A31-4D8E-9B6A-2E51C0A1F0FE}: Class not registered"},
        {"malformed CLSID text", "{5B0C6F5E}", pa::REGDB_E_CLASSNOTREG, "{5B0C6F5E}: Class not registered"},
        {"library missing", "Broken.missing_library.1", pa::CO_E_SERVER_EXEC_FAILURE,
         "Broken.missing_library.1: Cannot load "},
        {"library without the class", "broken.NOT_SERVED.1", pa::CLASS_E_CLASSNOTAVAILABLE,
         "Broken.not_served.1: "},
        {"local server without a transport", "Broken.local.1", pa::CO_E_SERVER_EXEC_FAILURE,
         "Broken.local.1: No transport to local servers is available"},
    };
    for (const auto& row : rows) {
        pa::com_ptr_t<pa::IDispatch> object;
        EXPECT_EQ(pa::create_object(row.name, object.put()), row.hr) << row.fault;
        EXPECT_FALSE(object) << row.fault;
        EXPECT_EQ(take_error_info().rfind(row.error_starts, 0), 0u) << row.fault;
    }
}

TEST_F(AutomationActivation, ThreadsInitialiseForThemselves)
{
    EXPECT_EQ(pa::initialize(), pa::S_FALSE);
    EXPECT_EQ(pa::initialize(pa::concurrency_model::multithreaded), pa::RPC_E_CHANGED_MODE);
    pa::uninitialize();
    EXPECT_TRUE(pa::is_initialized());

    pa::HRESULT uninitialised = pa::S_OK;
    std::string error;
    pa::HRESULT after = pa::E_FAIL;
    std::thread([&] {
        pa::com_ptr_t<pa::IDispatch> object;
        uninitialised = pa::create_object("Autotest.thing.1", object.put());
        error = take_error_info();
        pa::initializer_t init(pa::concurrency_model::multithreaded);
        after = pa::create_object("Autotest.thing.1", object.put());
    }).join();
    EXPECT_EQ(uninitialised, pa::CO_E_NOTINITIALIZED);
    EXPECT_EQ(error.rfind("Autotest.thing.1: ", 0), 0u) << error;
    EXPECT_EQ(after, pa::S_OK);
}

TEST(AutomationInitialise, FailsWithoutAPlaceForTheRegistry)
{
    const std::optional<std::string> home = std::getenv("HOME") ? std::optional<std::string>(std::getenv("HOME")) : std::nullopt;
    const std::optional<std::string> xdg = std::getenv("XDG_DATA_HOME") ? std::optional<std::string>(std::getenv("XDG_DATA_HOME")) : std::nullopt;
    const char* env = std::getenv("OSTREL_AUTOMATION_REGISTRY");
    const std::optional<std::string> registry = env ? std::optional<std::string>(env) : std::nullopt;
    ::unsetenv("HOME");
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("OSTREL_AUTOMATION_REGISTRY");
    const pa::HRESULT hr = pa::initialize();
    const std::string error = take_error_info();
    if (home)
        ::setenv("HOME", home->c_str(), 1);
    if (xdg)
        ::setenv("XDG_DATA_HOME", xdg->c_str(), 1);
    if (registry)
        ::setenv("OSTREL_AUTOMATION_REGISTRY", registry->c_str(), 1);
    EXPECT_EQ(hr, pa::E_FAIL);
    EXPECT_FALSE(pa::is_initialized());
    EXPECT_NE(error.find("OSTREL_AUTOMATION_REGISTRY"), std::string::npos) << error;
}

TEST_F(AutomationActivation, LibraryStaysLoadedWhileAnObjectLives)
{
    auto thing = pa::dispatch_driver_t::create("Autotest.thing.1");
    EXPECT_TRUE(pa::is_library_loaded(AUTOTEST_SERVER_PATH));
    pa::free_unused_libraries();
    EXPECT_TRUE(pa::is_library_loaded(AUTOTEST_SERVER_PATH));
    EXPECT_TRUE(mapped());
    // Its code must still be there to run.
    EXPECT_EQ(pa::dispatch_driver_t::to_int(thing.call("add", {2, 2})), 4);

    thing.reset();
    pa::free_unused_libraries();
    EXPECT_FALSE(pa::is_library_loaded(AUTOTEST_SERVER_PATH));
    EXPECT_FALSE(mapped());

    // And it comes back on demand.
    thing = pa::dispatch_driver_t::create("autotest.thing");
    EXPECT_EQ(pa::loaded_library_count(), 1u);
}

TEST_F(AutomationActivation, LibraryStaysLoadedWhileItsThreadRuns)
{
    {
        auto thing = pa::dispatch_driver_t::create("Autotest.thing.1");
        thing.call("start_worker", {300});
    }
    pa::free_unused_libraries();
    EXPECT_TRUE(pa::is_library_loaded(AUTOTEST_SERVER_PATH)) << "unloaded under a running thread";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (pa::is_library_loaded(AUTOTEST_SERVER_PATH) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        pa::free_unused_libraries();
    }
    EXPECT_FALSE(pa::is_library_loaded(AUTOTEST_SERVER_PATH));
}

TEST_F(AutomationActivation, ServerLockHoldsTheLibrary)
{
    pa::com_ptr_t<pa::IClassFactory> factory;
    ASSERT_EQ(pa::get_class_object(CLSID_thing, pa::IClassFactory::iid, factory.put_void()), pa::S_OK);
    ASSERT_EQ(factory->LockServer(true), pa::S_OK);
    pa::com_ptr_t<pa::IUnknown> outer;
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(reinterpret_cast<pa::IUnknown*>(factory.get()), pa::IDispatch::iid, &out),
              pa::CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, pa::IErrorInfo::iid, &out), pa::E_NOINTERFACE);
    factory.reset();
    pa::free_unused_libraries();
    EXPECT_TRUE(pa::is_library_loaded(AUTOTEST_SERVER_PATH));

    ASSERT_EQ(pa::get_class_object(CLSID_thing, pa::IClassFactory::iid, factory.put_void()), pa::S_OK);
    ASSERT_EQ(factory->LockServer(false), pa::S_OK);
    factory.reset();
    pa::free_unused_libraries();
    EXPECT_FALSE(pa::is_library_loaded(AUTOTEST_SERVER_PATH));
}

TEST_F(AutomationActivation, LastUninitialiseUnloadsIdleLibraries)
{
    auto kept = pa::dispatch_driver_t::create("Autotest.thing.1");
    {
        auto dropped = pa::dispatch_driver_t::create("Autotest.vector.1");
    }
    pa::uninitialize();
    EXPECT_TRUE(pa::is_library_loaded(AUTOTEST_SERVER_PATH)) << "unloaded under a living object";
    kept.reset();
    ASSERT_EQ(pa::initialize(), pa::S_OK);
    pa::uninitialize();
    EXPECT_FALSE(pa::is_library_loaded(AUTOTEST_SERVER_PATH));
    ASSERT_EQ(pa::initialize(), pa::S_OK);
}

TEST_F(AutomationActivation, ThreadsCreateAtTheSameTime)
{
    std::vector<std::thread> threads;
    std::atomic<int> created{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            pa::initializer_t init;
            for (int i = 0; i < 25; ++i) {
                pa::com_ptr_t<pa::IDispatch> object;
                if (pa::create_object(i % 2 ? "Autotest.thing.1" : "autotest.vector", object.put()) == pa::S_OK)
                    ++created;
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(created.load(), 100);
    EXPECT_EQ(pa::loaded_library_count(), 1u);
}

// A class of the test program itself, served through the local-server seam.
class Clocal : public pa::dispatch_object_t<Clocal> {
public:
    static const pa::dispatch_class_t& dispatch_class()
    {
        static const pa::member_t members[] = {pa::method<&Clocal::where>("where", 1)};
        static const pa::dispatch_class_t cls{"Clocal", "Local.thing.1", members};
        return cls;
    }
    pa::HRESULT where(pa::BSTR* out)
    {
        *out = pa::SysAllocString("local");
        return pa::S_OK;
    }
};

class test_activator_t : public pa::activator_t {
public:
    pa::HRESULT get_class_object(const pa::class_record_t& record, const pa::IID& riid, void** out) override
    {
        seen_path = record.path;
        static const pa::class_entry_t entry{record.clsid, "Local.thing.1", "", "", "", true,
                                             &pa::create_instance_of<Clocal>};
        static const pa::server_info_t info{std::span<const pa::class_entry_t>(&entry, 1)};
        return pa::server_get_class_object(info, record.clsid, riid, out);
    }
    std::string seen_path;
};

TEST_F(AutomationActivation, LocalServersPlugInBehindTheSameCall)
{
    pa::class_registry_t reg(pa::class_registry_t::default_path());
    pa::class_record_t r;
    r.clsid = pa::make_guid("{5B0C6F5E-8A31-4D8E-9B6A-2E51C0A1F0B1}");
    r.progid = "Local.thing.1";
    r.kind = pa::server_kind::local;
    r.path = "/usr/bin/local-server";
    ASSERT_TRUE(reg.add_class(r));
    auto activator = std::make_shared<test_activator_t>();
    pa::set_activator(pa::server_kind::local, activator);
    pa::com_ptr_t<pa::IDispatch> object;
    const pa::HRESULT hr = pa::create_object("local.THING.1", object.put());
    pa::set_activator(pa::server_kind::local, nullptr);
    ASSERT_EQ(hr, pa::S_OK);
    EXPECT_EQ(activator->seen_path, "/usr/bin/local-server");
    EXPECT_EQ(pa::dispatch_driver_t::to_string(pa::dispatch_driver_t(object).call(1)), "local");
    object.reset();
    EXPECT_EQ(pa::this_module().count(), 0);
}

} // namespace
