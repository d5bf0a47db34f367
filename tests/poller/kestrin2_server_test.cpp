// libkestrin2.so through the automation layer, without an SNMP peer: its
// registration, the contract of its three classes (DISPIDs, slots, error
// information), the settings and their limits, the address check, the
// vector's element access and the references handed out.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "kestrin2_fixture.h"
#include "platform/automation/error_info.h"
#include "platform/automation/registry.h"
#include "poller/server/kestrin2_interfaces.h"

namespace {

using namespace k2test;
using namespace std::chrono_literals;
using clock_type = std::chrono::steady_clock;
namespace id = kestrin2::manager_dispid;

std::filesystem::path library_path() {
    return std::filesystem::weakly_canonical(KESTRIN2_PATH);
}

pa::dispatch_driver_t create(const char* progid) {
    return pa::dispatch_driver_t::create(progid);
}

// A call that must fail with the poller's error information.
void expect_failure(const invoke_result_t& r, std::string_view source, std::string_view text) {
    EXPECT_EQ(r.hr, pa::DISP_E_EXCEPTION);
    EXPECT_EQ(r.source, source);
    EXPECT_EQ(r.description, text);
}

// ---------------------------------------------------------------- registration

TEST(Kestrin2Registration, RegisterWritesTheThreeClassesAndUnregisterRemovesOnlyThem) {
    registry_copy_t registry(false);
    pa::class_registry_t classes(registry.file());
    pa::class_record_t foreign;
    foreign.clsid = pa::make_guid("{0D9A3C1E-5F00-4B7A-9C11-2A6E7D000001}");
    foreign.progid = "Other.thing.1";
    foreign.path = "/nowhere/libother.so";
    ASSERT_TRUE(classes.add_class(foreign));

    ASSERT_EQ(pa::register_library(KESTRIN2_PATH), pa::S_OK) << take_error_info();

    struct row_t {
        pa::CLSID clsid;
        const char* progid;
        const char* lower_case_progid;
        const char* vi_progid;
        const char* description;
        const char* threading;
        bool programmable;
    };
    const row_t rows[] = {
        {kestrin2::CLSID_com_manager, "Kestrin2.com_manager.1", "kestrin2.com_manager.1",
         "Kestrin2.com_manager", "com_manager Class", "Apartment", true},
        {kestrin2::CLSID_com_variable, "Kestrin2.com_variable.1", "kestrin2.com_variable.1",
         "Kestrin2.com_variable", "com_variable Class", "Both", false},
        {kestrin2::CLSID_com_variable_vector, "Kestrin2.com_variable_vector.1",
         "kestrin2.com_variable_vector.1", "Kestrin2.com_variable_vector",
         "com_variable_vector Class", "Apartment", true},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.progid);
        const auto record = classes.find_class(row.clsid);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->progid, row.progid);
        EXPECT_EQ(record->version_independent_progid, row.vi_progid);
        EXPECT_EQ(record->description, row.description);
        EXPECT_EQ(record->threading_model, row.threading);
        EXPECT_EQ(record->programmable, row.programmable);
        EXPECT_EQ(record->kind, pa::server_kind::inproc);
        EXPECT_EQ(std::filesystem::path(record->path), library_path());
        EXPECT_EQ(record->typelib, kestrin2::LIBID_KESTRIN2Lib);
        EXPECT_EQ(classes.clsid_from_progid(row.lower_case_progid), row.clsid);
        EXPECT_EQ(classes.clsid_from_progid(row.vi_progid), row.clsid) << "CurVer";
    }
    const auto typelib = classes.find_typelib(kestrin2::LIBID_KESTRIN2Lib);
    ASSERT_TRUE(typelib);
    EXPECT_EQ(typelib->name, "KESTRIN2Lib");
    EXPECT_EQ(typelib->version, "1.0");

    ASSERT_EQ(pa::unregister_library(KESTRIN2_PATH), pa::S_OK) << take_error_info();
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.progid);
        EXPECT_FALSE(classes.find_class(row.clsid));
        EXPECT_FALSE(classes.clsid_from_progid(row.progid));
        EXPECT_FALSE(classes.clsid_from_progid(row.vi_progid));
    }
    EXPECT_FALSE(classes.find_typelib(kestrin2::LIBID_KESTRIN2Lib));
    EXPECT_TRUE(classes.find_class(foreign.clsid)) << "another server's class survives";
    EXPECT_EQ(classes.clsid_from_progid("Other.thing.1"), foreign.clsid);
}

// ---------------------------------------------------------------- the manager

using Kestrin2Manager = Kestrin2Test;

TEST_F(Kestrin2Manager, SettingsStartWithTheirDefaults) {
    auto m = create_manager();
    EXPECT_EQ(m.to_int(m.get(id::num_threads)), 5);
    EXPECT_EQ(m.to_int(m.get(id::poll_period)), 5000);
    EXPECT_EQ(m.to_int(m.get(id::timeout)), 3000);
    EXPECT_EQ(m.to_int(m.get(id::retry_count)), 3);
    EXPECT_EQ(m.to_string(m.get(id::user)), "vuzuvuz");
    EXPECT_EQ(m.to_string(m.get(id::password)), "");
    EXPECT_EQ(m.to_int(m.get(id::watch_size)), 0);

    // Stored as given: the time-out without a check, the texts as they are.
    m.put(id::timeout, std::int32_t{-5});
    m.put(id::user, "public");
    m.put(id::password, "secret");
    EXPECT_EQ(m.to_int(m.get(id::timeout)), -5);
    EXPECT_EQ(m.to_string(m.get(id::user)), "public");
    EXPECT_EQ(m.to_string(m.get(id::password)), "secret");

    // Each manager has its own poller.
    auto other = create_manager();
    EXPECT_EQ(other.to_string(other.get(id::user)), "vuzuvuz");
}

// A manager whose poller cannot be built (here: no file descriptor left for
// its events) is not handed out, and the creator learns why.
TEST_F(Kestrin2Manager, CreationFailureIsReportedWithTheManagersProgId) {
#if defined(__SANITIZE_ADDRESS__)
    // UndefinedBehaviorSanitizer checks the caught exception's type through
    // a pipe, which it cannot open without a descriptor.
    GTEST_SKIP() << "the sanitizer runtime needs file descriptors of its own";
#endif
    pa::com_ptr_t<pa::IClassFactory> factory;
    ASSERT_EQ(pa::get_class_object(kestrin2::CLSID_com_manager, pa::IClassFactory::iid,
                                   factory.put_void()),
              pa::S_OK);
    auto first = create_manager(); // everything a manager loads is loaded

    const int spare = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(spare, 0);
    rlimit old_limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old_limit), 0);
    int highest = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        highest = std::max(highest, std::stoi(entry.path().filename().string()));
    rlimit limit = old_limit;
    limit.rlim_cur = static_cast<rlim_t>(highest + 1);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limit), 0);
    std::vector<int> fillers; // the free numbers below the limit
    for (int fd; (fd = ::dup(spare)) >= 0;)
        fillers.push_back(fd);

    pa::com_ptr_t<pa::IDispatch> object;
    const pa::HRESULT hr = factory->CreateInstance(nullptr, pa::IDispatch::iid, object.put_void());

    for (int fd : fillers)
        ::close(fd);
    ::close(spare);
    ::setrlimit(RLIMIT_NOFILE, &old_limit);
    EXPECT_LT(hr, 0);
    EXPECT_FALSE(object);
    const std::string error = take_error_info();
    EXPECT_EQ(error.rfind("Kestrin2.com_manager.1: ", 0), 0u) << error;
    EXPECT_GT(error.size(), std::string("Kestrin2.com_manager.1: ").size());

    EXPECT_EQ(factory->CreateInstance(nullptr, pa::IDispatch::iid, object.put_void()), pa::S_OK);
    EXPECT_TRUE(object);
}

TEST_F(Kestrin2Manager, SettingsRefuseValuesOutOfRangeAndKeepTheOldOne) {
    struct row_t {
        const char* fault;
        pa::DISPID dispid;
        std::int32_t value;
        std::int32_t after;  // the setting after the put
        const char* refusal; // nullptr: accepted
    };
    const row_t rows[] = {
        {"smallest poll period refused", id::poll_period, 100, 100, nullptr},
        {"poll period below 100 accepted", id::poll_period, 99, 100,
         "Out of range of the poll_period"},
        {"zero retries refused", id::retry_count, 0, 0, nullptr},
        {"negative retries accepted", id::retry_count, -1, 0, "Out of range of the retry count"},
        {"30 workers refused", id::num_threads, 30, 30, nullptr},
        {"31 workers accepted", id::num_threads, 31, 30, "Out of the range of the thread number"},
        {"no worker accepted", id::num_threads, 0, 30, "Out of the range of the thread number"},
        {"one worker refused", id::num_threads, 1, 1, nullptr},
    };
    auto m = create_manager();
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.fault);
        const auto r = invoke(m.get(), row.dispid, pa::DISPATCH_PROPERTYPUT, {row.value});
        if (row.refusal)
            expect_failure(r, "Kestrin2.com_manager.1", row.refusal);
        else
            EXPECT_EQ(r.hr, pa::S_OK) << r.description;
        EXPECT_EQ(m.to_int(m.get(row.dispid)), row.after);
    }
}

TEST_F(Kestrin2Manager, InvalidAddressFailsBeforeAnythingIsQueued) {
    // None of them is looked up: a name is refused for its port alone.
    const char* const addresses[] = {"",          "unit 7",      "10.0.0",          "10.0.0.256",
                                     "1.2.3.4.5", "127.0.0.1/0", "127.0.0.1/65536", " 10.0.0.1",
                                     "unit-7/0"};
    struct call_t {
        const char* member;
        pa::DISPID dispid;
        std::vector<pa::variant_t> tail; // arguments after the address
    };
    const call_t calls[] = {
        {"get", id::get, {sys_descr}},
        {"set", id::set, {sys_contact, "text"}},
        {"get_next", id::get_next, {sys_descr}},
        {"watch", id::watch, {sys_descr}},
    };
    auto m = create_manager();
    for (const char* address : addresses) {
        for (const call_t& call : calls) {
            SCOPED_TRACE(std::string(call.member) + " \"" + address + "\"");
            std::vector<pa::variant_t> args{address};
            args.insert(args.end(), call.tail.begin(), call.tail.end());
            const auto started = clock_type::now();
            expect_failure(invoke(m.get(), call.dispid, pa::DISPATCH_METHOD, args),
                           "Kestrin2.com_manager.1", "Invalid IP address");
            EXPECT_LT(clock_type::now() - started, 1s) << "no request was made";
        }
    }
    EXPECT_EQ(m.to_int(m.get(id::watch_size)), 0);
    const auto all = m.to_object(m.call(id::get_all));
    EXPECT_EQ(all.to_int(all.get(kestrin2::vector_dispid::length)), 0);

    // An address with a port is one.
    m.call(id::watch, {"10.0.0.1/16161", sys_descr});
    EXPECT_EQ(m.to_int(m.get(id::watch_size)), 1);
}

TEST_F(Kestrin2Manager, MembersAnswerToTheirNamesInAnyCase) {
    struct row_t {
        const char* progid;
        const char* name;
        pa::DISPID dispid;
    };
    const row_t rows[] = {
        {"Kestrin2.com_manager.1", "start", 1},
        {"Kestrin2.com_manager.1", "STOP", 2},
        {"Kestrin2.com_manager.1", "get", 3},
        {"Kestrin2.com_manager.1", "set", 4},
        {"Kestrin2.com_manager.1", "watch", 5},
        {"Kestrin2.com_manager.1", "end_watch", 6},
        {"Kestrin2.com_manager.1", "get_all", 7},
        {"Kestrin2.com_manager.1", "get_changes", 8},
        {"Kestrin2.com_manager.1", "num_threads", 9},
        {"Kestrin2.com_manager.1", "Poll_Period", 10},
        {"Kestrin2.com_manager.1", "timeout", 11},
        {"Kestrin2.com_manager.1", "retry_count", 12},
        {"Kestrin2.com_manager.1", "user", 13},
        {"Kestrin2.com_manager.1", "password", 14},
        {"Kestrin2.com_manager.1", "get_device_changes", 15},
        {"Kestrin2.com_manager.1", "clear_watch", 16},
        {"Kestrin2.com_manager.1", "end_device_watch", 17},
        {"Kestrin2.com_manager.1", "watch_size", 18},
        {"Kestrin2.com_manager.1", "get_next", 19},
        {"Kestrin2.com_variable.1", "ip", 1},
        {"Kestrin2.com_variable.1", "name", 2},
        {"Kestrin2.com_variable.1", "Value", 3},
        {"Kestrin2.com_variable.1", "valid", 4},
        {"Kestrin2.com_variable.1", "type", 5},
        {"Kestrin2.com_variable_vector.1", "length", 1},
        {"Kestrin2.com_variable_vector.1", "at", 2},
        {"Kestrin2.com_variable_vector.1", "0", 256},
        {"Kestrin2.com_variable_vector.1", "17", 273},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(std::string(row.progid) + " " + row.name);
        EXPECT_EQ(create(row.progid).id_of(row.name), row.dispid);
    }
    auto m = create_manager();
    const char* names[] = {"poll"};
    pa::DISPID ids[1];
    EXPECT_EQ(m.get()->GetIDsOfNames(pa::GUID_NULL, names, 1, 0, ids), pa::DISP_E_UNKNOWNNAME);
}

// A client in the process may call the dual interfaces directly; their slots
// must match the late-bound members.
TEST_F(Kestrin2Manager, DualInterfaceSlotsReachTheSameMembers) {
    auto m = create_manager();
    auto manager = m.object().query<kestrin2::Icom_manager>();
    ASSERT_TRUE(manager);
    EXPECT_EQ(manager->put_poll_period(250), pa::S_OK);
    EXPECT_EQ(m.to_int(m.get(id::poll_period)), 250);
    EXPECT_EQ(manager->put_retry_count(-1), pa::DISP_E_EXCEPTION);
    EXPECT_EQ(take_error_info(), "Kestrin2.com_manager.1: Out of range of the retry count");

    pa::bstr_t ip("10.0.0.7");
    pa::bstr_t name(sys_contact);
    ASSERT_EQ(manager->watch(ip.get(), name.get()), pa::S_OK);
    std::int32_t size = 0;
    ASSERT_EQ(manager->get_watch_size(&size), pa::S_OK);
    EXPECT_EQ(size, 1);

    pa::com_ptr_t<pa::IDispatch> all;
    ASSERT_EQ(manager->get_all(all.put()), pa::S_OK);
    auto vector = all.query<kestrin2::Icom_variable_vector>();
    ASSERT_TRUE(vector);
    std::int32_t length = 0;
    ASSERT_EQ(vector->get_length(&length), pa::S_OK);
    EXPECT_EQ(length, 1);
    pa::com_ptr_t<pa::IDispatch> element;
    ASSERT_EQ(vector->at(0, element.put()), pa::S_OK);
    auto variable = element.query<kestrin2::Icom_variable>();
    ASSERT_TRUE(variable);
    pa::BSTR text = nullptr;
    ASSERT_EQ(variable->get_ip(&text), pa::S_OK);
    EXPECT_EQ(pa::bstr_t::attach(text).str(), "10.0.0.7");
    ASSERT_EQ(variable->get_name(&text), pa::S_OK);
    EXPECT_EQ(pa::bstr_t::attach(text).str(), sys_contact);
    std::int32_t valid = 7;
    ASSERT_EQ(variable->get_valid(&valid), pa::S_OK);
    EXPECT_EQ(valid, 0) << "never polled";

    ASSERT_EQ(manager->end_device_watch(ip.get()), pa::S_OK);
    ASSERT_EQ(manager->get_watch_size(&size), pa::S_OK);
    EXPECT_EQ(size, 0);
}

TEST_F(Kestrin2Manager, EachClassSupportsErrorInfoForItsOwnInterface) {
    struct row_t {
        const char* progid;
        pa::IID iid;
    };
    const row_t rows[] = {
        {"Kestrin2.com_manager.1", kestrin2::IID_Icom_manager},
        {"Kestrin2.com_variable.1", kestrin2::IID_Icom_variable},
        {"Kestrin2.com_variable_vector.1", kestrin2::IID_Icom_variable_vector},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.progid);
        const auto object = create(row.progid);
        auto support = object.object().query<pa::ISupportErrorInfo>();
        ASSERT_TRUE(support);
        EXPECT_EQ(support->InterfaceSupportsErrorInfo(row.iid), pa::S_OK);
        EXPECT_EQ(support->InterfaceSupportsErrorInfo(pa::IDispatch::iid), pa::S_FALSE);
        for (const row_t& other : rows) {
            if (other.iid == row.iid)
                continue;
            void* out = nullptr;
            EXPECT_EQ(object.get()->QueryInterface(other.iid, &out), pa::E_NOINTERFACE);
            EXPECT_EQ(out, nullptr);
        }
    }
}

// ---------------------------------------------------------------- variables

using Kestrin2Variable = Kestrin2Test;

TEST_F(Kestrin2Variable, DirectlyCreatedVariableAnswersEveryGetterWithoutAValue) {
    const auto v = create("Kestrin2.com_variable.1");
    namespace vid = kestrin2::variable_dispid;
    const auto check_empty = [&v] {
        for (pa::DISPID text : {vid::ip, vid::name, vid::value}) {
            const auto r = invoke(v.get(), text, pa::DISPATCH_PROPERTYGET);
            EXPECT_EQ(r.hr, pa::S_OK);
            EXPECT_EQ(r.value.vt, pa::VT_BSTR);
            EXPECT_EQ(r.value.bstrVal, nullptr) << "no text at all, not even an empty one";
        }
        for (pa::DISPID number : {vid::valid, vid::type}) {
            const auto r = invoke(v.get(), number, pa::DISPATCH_PROPERTYGET);
            EXPECT_EQ(r.hr, pa::S_OK);
            EXPECT_EQ(r.value.vt, pa::VT_I4);
            EXPECT_EQ(r.value.lVal, 0);
        }
    };
    check_empty();
    for (pa::DISPID text : {vid::ip, vid::name, vid::value})
        EXPECT_EQ(invoke(v.get(), text, pa::DISPATCH_PROPERTYPUT, {"10.0.0.1"}).hr, pa::S_OK);
    check_empty();
}

TEST_F(Kestrin2Variable, PutsChangeOnlyTheObjectsCopy) {
    namespace vid = kestrin2::variable_dispid;
    auto m = create_manager();
    m.call(id::watch, {"10.0.0.2", sys_name});
    const auto all = m.to_object(m.call(id::get_all));
    const auto v = all.to_object(all.call(kestrin2::vector_dispid::at, {std::int32_t{0}}));
    EXPECT_EQ(v.to_string(v.get(vid::ip)), "10.0.0.2");
    EXPECT_EQ(v.to_string(v.get(vid::name)), sys_name);
    v.put(vid::ip, "10.0.0.3");
    v.put(vid::name, sys_descr);
    v.put(vid::value, "changed here");
    EXPECT_EQ(v.to_string(v.get(vid::ip)), "10.0.0.3");
    EXPECT_EQ(v.to_string(v.get(vid::name)), sys_descr);
    EXPECT_EQ(v.to_string(v.get(vid::value)), "changed here");

    const auto again = m.to_object(m.call(id::get_all));
    const auto fresh = again.to_object(again.call(kestrin2::vector_dispid::at, {std::int32_t{0}}));
    EXPECT_EQ(fresh.to_string(fresh.get(vid::ip)), "10.0.0.2");
    EXPECT_EQ(fresh.to_string(fresh.get(vid::name)), sys_name);
    EXPECT_NE(fresh.to_string(fresh.get(vid::value)), "changed here");
}

// ---------------------------------------------------------------- vectors

using Kestrin2Vector = Kestrin2Test;
namespace vec = kestrin2::vector_dispid;

TEST_F(Kestrin2Vector, ElementsByIndexAndByElementDispid) {
    auto m = create_manager();
    // Devices in address order, each device's variables in key order.
    m.call(id::watch, {"10.0.0.9", sys_name});
    m.call(id::watch, {"10.0.0.10", sys_descr});
    m.call(id::watch, {"10.0.0.9", sys_contact});
    const auto v = m.to_object(m.call(id::get_all));
    EXPECT_EQ(v.to_int(v.get(vec::length)), 3);
    const std::pair<const char*, const char*> expected[] = {
        {"10.0.0.10", sys_descr}, {"10.0.0.9", sys_contact}, {"10.0.0.9", sys_name}};
    for (std::int32_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const auto e = v.to_object(v.call(vec::at, {i}));
        EXPECT_EQ(e.to_string(e.get(kestrin2::variable_dispid::ip)), expected[i].first);
        EXPECT_EQ(e.to_string(e.get(kestrin2::variable_dispid::name)), expected[i].second);
        // The same element late bound, as the same object.
        const auto by_dispid =
            invoke(v.get(), v.id_of(std::to_string(i)), pa::DISPATCH_PROPERTYGET);
        ASSERT_EQ(by_dispid.hr, pa::S_OK);
        ASSERT_EQ(by_dispid.value.vt, pa::VT_DISPATCH);
        EXPECT_EQ(by_dispid.value.pdispVal, e.get());
    }

    struct row_t {
        const char* fault;
        pa::DISPID dispid;
        std::uint16_t flags;
        std::vector<pa::variant_t> args;
        pa::HRESULT hr;
        const char* source;
        const char* text;
    };
    const row_t rows[] = {
        {"at(-1) answered",
         vec::at,
         pa::DISPATCH_METHOD,
         {std::int32_t{-1}},
         pa::DISP_E_EXCEPTION,
         "Kestrin2.com_variable_vector.1",
         "Illegal index -1 for vector with 3 element(s)."},
        {"at(length) answered",
         vec::at,
         pa::DISPATCH_METHOD,
         {std::int32_t{3}},
         pa::DISP_E_EXCEPTION,
         "Kestrin2.com_variable_vector.1",
         "Illegal index 3 for vector with 3 element(s)."},
        {"element beyond the end answered",
         259,
         pa::DISPATCH_PROPERTYGET,
         {},
         pa::DISP_E_EXCEPTION,
         "Ulvane vector",
         "Illegal index 3 for vector with 3 element(s)."},
        {"element called as a method",
         256,
         pa::DISPATCH_METHOD,
         {},
         pa::DISP_E_TYPEMISMATCH,
         "",
         ""},
        {"element called as method or get",
         256,
         pa::DISPATCH_METHOD | pa::DISPATCH_PROPERTYGET,
         {},
         pa::DISP_E_TYPEMISMATCH,
         "",
         ""},
        {"element beyond the end as a method",
         300,
         pa::DISPATCH_METHOD,
         {},
         pa::DISP_E_TYPEMISMATCH,
         "",
         ""},
        {"element written",
         256,
         pa::DISPATCH_PROPERTYPUT,
         {std::int32_t{1}},
         pa::DISP_E_TYPEMISMATCH,
         "",
         ""},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.fault);
        const auto r = invoke(v.get(), row.dispid, row.flags, row.args);
        EXPECT_EQ(r.hr, row.hr);
        EXPECT_EQ(r.source, row.source);
        EXPECT_EQ(r.description, row.text);
        EXPECT_EQ(r.value.vt, pa::VT_EMPTY);
        if (row.dispid >= 256 && row.hr == pa::DISP_E_EXCEPTION) {
            EXPECT_EQ(r.code, 1001);
        }
    }
}

TEST_F(Kestrin2Vector, EmptyVectorsHaveNoElements) {
    auto m = create_manager();
    const pa::dispatch_driver_t vectors[] = {
        m.to_object(m.call(id::get_all)),
        m.to_object(m.call(id::get_changes)),
        m.to_object(m.call(id::get_device_changes, {"10.0.0.1"})),
        create("Kestrin2.com_variable_vector.1"),
    };
    for (const auto& v : vectors) {
        EXPECT_EQ(v.to_int(v.get(vec::length)), 0);
        expect_failure(invoke(v.get(), vec::at, pa::DISPATCH_METHOD, {std::int32_t{0}}),
                       "Kestrin2.com_variable_vector.1",
                       "Illegal index 0 for vector with 0 element(s).");
        const auto r = invoke(v.get(), 256, pa::DISPATCH_PROPERTYGET);
        EXPECT_EQ(r.hr, pa::DISP_E_EXCEPTION);
        EXPECT_EQ(r.source, "Ulvane vector");
    }
}

TEST_F(Kestrin2Vector, ResultsCarryOneReferenceForTheCaller) {
    auto m = create_manager();
    m.call(id::watch, {"10.0.0.4", sys_descr});

    auto all = invoke(m.get(), id::get_all, pa::DISPATCH_METHOD);
    ASSERT_EQ(all.value.vt, pa::VT_DISPATCH);
    pa::IDispatch* vector = all.value.pdispVal;
    all.value.vt = pa::VT_EMPTY; // the reference is ours to give back by hand

    auto at = invoke(vector, vec::at, pa::DISPATCH_METHOD, {std::int32_t{0}});
    ASSERT_EQ(at.value.vt, pa::VT_DISPATCH);
    pa::IDispatch* element = at.value.pdispVal;
    at.value.vt = pa::VT_EMPTY;
    auto by_dispid = invoke(vector, 256, pa::DISPATCH_PROPERTYGET);
    ASSERT_EQ(by_dispid.value.pdispVal, element);

    // The vector holds one reference, `at` gave one, the element DISPID one.
    by_dispid.value.clear();
    EXPECT_EQ(vector->Release(), 0u);
    EXPECT_EQ(element->Release(), 0u);
}

// ---------------------------------------------------------------- the library

using Kestrin2Library = Kestrin2Test;

TEST_F(Kestrin2Library, ReleasingTheLastObjectStopsThePollerAndLetsTheLibraryGo) {
    {
        auto m = create_manager();
        m.put(id::poll_period, std::int32_t{100});
        m.put(id::timeout, std::int32_t{5000});
        m.put(id::retry_count, std::int32_t{0});
        // A socket that takes requests and never answers: once it has one,
        // a worker waits in its request.
        const int silent = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ASSERT_GE(silent, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        ::inet_pton(AF_INET, "127.0.0.60", &local.sin_addr);
        ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
        socklen_t size = sizeof local;
        ::getsockname(silent, reinterpret_cast<sockaddr*>(&local), &size);
        const std::string target = "127.0.0.60/" + std::to_string(ntohs(local.sin_port));
        m.call(id::watch, {target, sys_descr});
        m.call(id::watch, {target, sys_name});
        m.call(id::start);
        pollfd asked{silent, POLLIN, 0};
        ASSERT_EQ(::poll(&asked, 1, 10000), 1) << "no request reached the device";
        ASSERT_TRUE(pa::is_library_loaded(library_path()));
        const auto released = clock_type::now();
        m.reset();
        EXPECT_LT(clock_type::now() - released, 3s) << "requests in flight are abandoned";
        ::close(silent);
    }
    const auto until = clock_type::now() + 10s;
    while (pa::is_library_loaded(library_path()) && clock_type::now() < until) {
        pa::free_unused_libraries();
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_FALSE(pa::is_library_loaded(library_path())) << "a thread of the library still runs";

    // Loaded again, it starts afresh.
    auto m = create_manager();
    EXPECT_EQ(m.to_int(m.get(id::watch_size)), 0);
}

} // namespace
