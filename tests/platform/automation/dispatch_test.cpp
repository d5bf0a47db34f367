#include "fixture.h"
#include "test_server_ids.h"

#include "platform/automation/com_ptr.h"
#include "platform/automation/driver.h"
#include "platform/automation/error_info.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace pa = platform::automation;
using namespace autotest;

namespace {

struct call_result {
    pa::HRESULT hr = pa::S_OK;
    pa::variant_t value;
    pa::HRESULT scode = 0;
    std::uint16_t wcode = 0;
    std::string source;
    std::string description;
    unsigned arg_err = ~0u;
};

// One raw Invoke; args in the member's order, with the property-put name
// attached when asked.
call_result invoke(pa::IDispatch* object, pa::DISPID id, std::uint16_t flags,
                   std::vector<pa::variant_t> args, bool named_put = false)
{
    std::vector<pa::VARIANT> reversed(args.rbegin(), args.rend());
    pa::DISPID put_name = pa::DISPID_PROPERTYPUT;
    pa::DISPPARAMS params;
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = static_cast<unsigned>(reversed.size());
    if (named_put) {
        params.rgdispidNamedArgs = &put_name;
        params.cNamedArgs = 1;
    }
    call_result r;
    pa::EXCEPINFO excep;
    r.hr = object->Invoke(id, pa::GUID_NULL, 0, flags, &params, &r.value, &excep, &r.arg_err);
    r.scode = excep.scode;
    r.wcode = excep.wCode;
    r.source = pa::bstr_view(excep.bstrSource);
    r.description = pa::bstr_view(excep.bstrDescription);
    pa::clear_excepinfo(excep);
    return r;
}

long server_module_count()
{
    void* h = ::dlopen(AUTOTEST_SERVER_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (!h)
        return -1;
    auto fn = reinterpret_cast<long (*)()>(::dlsym(h, "autotest_module_count"));
    const long n = fn ? fn() : -2;
    ::dlclose(h);
    return n;
}

class AutomationDispatch : public ServerFixture {
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        ASSERT_EQ(pa::create_object("Autotest.thing.1", thing_.put()), pa::S_OK) << take_error_info();
    }
    void TearDown() override
    {
        thing_.reset();
        EXPECT_EQ(server_module_count(), 0) << "an object or lock of the server was leaked";
        ServerFixture::TearDown();
    }

    pa::com_ptr_t<pa::IDispatch> items(std::int32_t n, pa::DISPID which = DISPID_items)
    {
        auto r = invoke(thing_.get(), which, pa::DISPATCH_METHOD, {n});
        EXPECT_EQ(r.hr, pa::S_OK);
        EXPECT_EQ(r.value.vt, pa::VT_DISPATCH);
        return pa::com_ptr_t<pa::IDispatch>::attach(r.value.detach().pdispVal);
    }

    pa::com_ptr_t<pa::IDispatch> thing_;
};

constexpr std::uint16_t M = pa::DISPATCH_METHOD;
constexpr std::uint16_t G = pa::DISPATCH_PROPERTYGET;
constexpr std::uint16_t P = pa::DISPATCH_PROPERTYPUT;
constexpr std::uint16_t R = pa::DISPATCH_PROPERTYPUTREF;

struct flag_row {
    const char* fault;
    std::uint16_t flags;
    pa::HRESULT property_hr; // on `name` (get and put)
    pa::HRESULT method_hr;   // on `add`
};

TEST_F(AutomationDispatch, InvokeFlagTable)
{
    const flag_row rows[] = {
        {"no flag reaches nothing", 0, pa::DISP_E_MEMBERNOTFOUND, pa::DISP_E_MEMBERNOTFOUND},
        {"method flag on a property", M, pa::DISP_E_MEMBERNOTFOUND, pa::S_OK},
        {"get flag on a method", G, pa::S_OK, pa::DISP_E_MEMBERNOTFOUND},
        {"method|get reaches either", M | G, pa::S_OK, pa::S_OK},
        {"put flag on a method", P, pa::S_OK, pa::DISP_E_MEMBERNOTFOUND},
        {"put mixed with method", P | M, pa::E_INVALIDARG, pa::E_INVALIDARG},
        {"put mixed with get", P | G, pa::E_INVALIDARG, pa::E_INVALIDARG},
        {"put mixed with method and get", P | M | G, pa::E_INVALIDARG, pa::E_INVALIDARG},
        {"put by reference is no put", R, pa::DISP_E_MEMBERNOTFOUND, pa::DISP_E_MEMBERNOTFOUND},
        {"putref mixed with method", R | M, pa::E_INVALIDARG, pa::E_INVALIDARG},
        {"putref mixed with get", R | G, pa::E_INVALIDARG, pa::E_INVALIDARG},
        {"putref mixed with method and get", R | M | G, pa::E_INVALIDARG, pa::E_INVALIDARG},
        {"put|putref is a put", P | R, pa::S_OK, pa::DISP_E_MEMBERNOTFOUND},
        {"put|putref mixed with method", P | R | M, pa::E_INVALIDARG, pa::E_INVALIDARG},
        {"put|putref mixed with get", P | R | G, pa::E_INVALIDARG, pa::E_INVALIDARG},
        {"every flag", P | R | M | G, pa::E_INVALIDARG, pa::E_INVALIDARG},
    };
    for (const auto& row : rows) {
        const bool put = (row.flags & (P | R)) != 0;
        auto on_property = put ? invoke(thing_.get(), DISPID_name, row.flags, {"x"}, true)
                               : invoke(thing_.get(), DISPID_name, row.flags, {});
        EXPECT_EQ(on_property.hr, row.property_hr) << row.fault << " (property)";
        auto on_method = put ? invoke(thing_.get(), DISPID_add, row.flags, {1}, true)
                             : invoke(thing_.get(), DISPID_add, row.flags, {2, 3});
        EXPECT_EQ(on_method.hr, row.method_hr) << row.fault << " (method)";
        if (on_method.hr == pa::S_OK) {
            EXPECT_EQ(on_method.value.vt, pa::VT_I4) << row.fault;
            EXPECT_EQ(on_method.value.lVal, 5) << row.fault;
        }
    }
}

TEST_F(AutomationDispatch, GetAndPutShareADispidAndOneSidedPropertiesRefuseTheOtherSide)
{
    EXPECT_EQ(invoke(thing_.get(), DISPID_name, P, {"alpha"}, true).hr, pa::S_OK);
    auto got = invoke(thing_.get(), DISPID_name, G, {});
    ASSERT_EQ(got.hr, pa::S_OK);
    EXPECT_EQ(got.value.vt, pa::VT_BSTR);
    EXPECT_EQ(pa::bstr_view(got.value.bstrVal), "alpha");
    // A put need not name its value.
    EXPECT_EQ(invoke(thing_.get(), DISPID_name, P, {"beta"}).hr, pa::S_OK);
    EXPECT_EQ(pa::bstr_view(invoke(thing_.get(), DISPID_name, G, {}).value.bstrVal), "beta");

    EXPECT_EQ(invoke(thing_.get(), DISPID_calls, P, {1}, true).hr, pa::DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(invoke(thing_.get(), DISPID_limit, G, {}).hr, pa::DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(invoke(thing_.get(), DISPID_limit, P, {4}, true).hr, pa::S_OK);
    EXPECT_EQ(invoke(thing_.get(), 99, M | G, {}).hr, pa::DISP_E_MEMBERNOTFOUND);
}

TEST_F(AutomationDispatch, NullTextStaysNullAndEmptyStaysEmpty)
{
    auto fresh = invoke(thing_.get(), DISPID_name, G, {});
    ASSERT_EQ(fresh.hr, pa::S_OK);
    EXPECT_EQ(fresh.value.vt, pa::VT_BSTR);
    EXPECT_EQ(fresh.value.bstrVal, nullptr);
    ASSERT_EQ(invoke(thing_.get(), DISPID_name, P, {""}, true).hr, pa::S_OK);
    auto empty = invoke(thing_.get(), DISPID_name, G, {});
    ASSERT_NE(empty.value.bstrVal, nullptr);
    EXPECT_EQ(pa::SysStringLen(empty.value.bstrVal), 0u);
}

struct argument_row {
    const char* fault;
    pa::DISPID id;
    std::uint16_t flags;
    std::vector<pa::variant_t> args;
    bool named_put;
    pa::HRESULT hr;
    unsigned arg_err; // ~0u: not set
};

TEST_F(AutomationDispatch, WrongArgumentCountsAndTypes)
{
    pa::variant_t object(thing_.get());
    const argument_row rows[] = {
        {"method given too few", DISPID_add, M, {1}, false, pa::DISP_E_BADPARAMCOUNT, ~0u},
        {"method given too many", DISPID_add, M, {1, 2, 3}, false, pa::DISP_E_BADPARAMCOUNT, ~0u},
        {"get given an argument", DISPID_name, G, {1}, false, pa::DISP_E_BADPARAMCOUNT, ~0u},
        {"put given no value", DISPID_name, P, {}, false, pa::DISP_E_BADPARAMCOUNT, ~0u},
        {"put given two values", DISPID_limit, P, {1, 2}, true, pa::DISP_E_BADPARAMCOUNT, ~0u},
        {"text that is no number, first argument", DISPID_add, M, {"x", 1}, false, pa::DISP_E_TYPEMISMATCH, 1},
        {"object for a number, last argument", DISPID_add, M, {1, object}, false, pa::DISP_E_TYPEMISMATCH, 0},
        {"text that is no boolean", DISPID_flag, P, {"maybe"}, true, pa::DISP_E_TYPEMISMATCH, 0},
        {"number for an object", DISPID_same, M, {5}, false, pa::DISP_E_TYPEMISMATCH, 0},
        {"number too large for I4", DISPID_limit, P, {4294967296.0}, true, pa::DISP_E_TYPEMISMATCH, 0},
        {"numeric text converts", DISPID_add, M, {"40", 2}, false, pa::S_OK, ~0u},
        {"number converts to text", DISPID_name, P, {7}, true, pa::S_OK, ~0u},
        {"text converts to double", DISPID_ratio, P, {"1.5"}, true, pa::S_OK, ~0u},
    };
    for (const auto& row : rows) {
        auto r = invoke(thing_.get(), row.id, row.flags, row.args, row.named_put);
        EXPECT_EQ(r.hr, row.hr) << row.fault;
        EXPECT_EQ(r.arg_err, row.arg_err) << row.fault;
    }
    EXPECT_EQ(pa::bstr_view(invoke(thing_.get(), DISPID_name, G, {}).value.bstrVal), "7");
    EXPECT_EQ(invoke(thing_.get(), DISPID_ratio, G, {}).value.dblVal, 1.5);
    // Failed calls must not have reached the member.
    EXPECT_EQ(invoke(thing_.get(), DISPID_calls, G, {}).value.lVal, 1);
}

TEST_F(AutomationDispatch, NamedArgumentsAndInterfaceIdAreChecked)
{
    // A method given the put's named argument.
    EXPECT_EQ(invoke(thing_.get(), DISPID_add, M, {1, 2}, true).hr, pa::DISP_E_NONAMEDARGS);
    pa::variant_t value(1);
    pa::DISPID other = 3;
    pa::DISPPARAMS params{&value, &other, 1, 1};
    EXPECT_EQ(thing_->Invoke(DISPID_limit, pa::GUID_NULL, 0, P, &params, nullptr, nullptr, nullptr),
              pa::DISP_E_NONAMEDARGS);
    pa::DISPPARAMS none;
    EXPECT_EQ(thing_->Invoke(DISPID_calls, pa::IDispatch::iid, 0, G, &none, nullptr, nullptr, nullptr),
              pa::DISP_E_UNKNOWNINTERFACE);
    EXPECT_EQ(thing_->Invoke(DISPID_calls, pa::GUID_NULL, 0, G, nullptr, nullptr, nullptr, nullptr),
              pa::E_POINTER);
}

TEST_F(AutomationDispatch, TypesOfEveryKindCrossTheTable)
{
    ASSERT_EQ(invoke(thing_.get(), DISPID_flag, P, {true}, true).hr, pa::S_OK);
    auto flag = invoke(thing_.get(), DISPID_flag, G, {});
    EXPECT_EQ(flag.value.vt, pa::VT_BOOL);
    EXPECT_EQ(flag.value.boolVal, pa::VARIANT_TRUE);

    auto sum = invoke(thing_.get(), DISPID_checksum, G, {});
    EXPECT_EQ(sum.value.vt, pa::VT_UI4);
    EXPECT_EQ(sum.value.ulVal, 0xDEADBEEFu);

    for (pa::variant_t v : {pa::variant_t("text"), pa::variant_t(12), pa::variant_t(2.25),
                            pa::variant_t(thing_.get()), pa::variant_t()}) {
        auto echoed = invoke(thing_.get(), DISPID_echo, M, {v});
        ASSERT_EQ(echoed.hr, pa::S_OK);
        EXPECT_EQ(echoed.value.vt, v.vt);
        pa::variant_t as_text, expected_text;
        if (v.vt != pa::VT_DISPATCH) {
            ASSERT_GE(echoed.value.change_type(pa::VT_BSTR, as_text), 0);
            ASSERT_GE(v.change_type(pa::VT_BSTR, expected_text), 0);
            EXPECT_EQ(pa::bstr_view(as_text.bstrVal), pa::bstr_view(expected_text.bstrVal));
        } else {
            EXPECT_EQ(echoed.value.pdispVal, thing_.get());
        }
    }

    // A result nobody asked for is freed, not leaked.
    pa::variant_t a(1), b(2);
    pa::VARIANT args[] = {b, a};
    pa::DISPPARAMS params{args, nullptr, 2, 0};
    EXPECT_EQ(thing_->Invoke(DISPID_add, pa::GUID_NULL, 0, M, &params, nullptr, nullptr, nullptr), pa::S_OK);
    EXPECT_EQ(invoke(thing_.get(), DISPID_items, M, {2}).hr, pa::S_OK);
}

TEST_F(AutomationDispatch, NamesAreFoundWithoutRegardToCase)
{
    struct row {
        const char* name;
        pa::HRESULT hr;
        pa::DISPID id;
    } rows[] = {
        {"add", pa::S_OK, DISPID_add},
        {"ADD", pa::S_OK, DISPID_add},
        {"Name", pa::S_OK, DISPID_name},
        {"start_WORKER", pa::S_OK, DISPID_start_worker},
        {"nosuch", pa::DISP_E_UNKNOWNNAME, pa::DISPID_UNKNOWN},
        {"ad", pa::DISP_E_UNKNOWNNAME, pa::DISPID_UNKNOWN},
        {"", pa::DISP_E_UNKNOWNNAME, pa::DISPID_UNKNOWN},
    };
    for (const auto& r : rows) {
        const char* names[] = {r.name};
        pa::DISPID id = 1234;
        EXPECT_EQ(thing_->GetIDsOfNames(pa::GUID_NULL, names, 1, 0, &id), r.hr) << r.name;
        EXPECT_EQ(id, r.id) << r.name;
    }
    // Argument names are not known: the member is, the argument is not.
    const char* with_argument[] = {"add", "a"};
    pa::DISPID ids[2] = {0, 0};
    EXPECT_EQ(thing_->GetIDsOfNames(pa::GUID_NULL, with_argument, 2, 0, ids), pa::DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], DISPID_add);
    EXPECT_EQ(ids[1], pa::DISPID_UNKNOWN);
}

struct error_row {
    const char* fault;
    pa::DISPID id;
    std::uint16_t flags;
    std::vector<pa::variant_t> args;
    pa::HRESULT scode;
    const char* description;
};

TEST_F(AutomationDispatch, FailuresBringTheirErrorInformation)
{
    const error_row rows[] = {
        {"member reporting an error", DISPID_fail, M, {"no way"}, pa::DISP_E_EXCEPTION, "thing::fail : no way"},
        {"put refusing a value", DISPID_limit, P, {-1}, pa::DISP_E_EXCEPTION, "Out of range of the limit"},
        {"member throwing a standard exception", DISPID_explode, M, {}, pa::DISP_E_EXCEPTION, "boom"},
        {"member throwing something else", DISPID_explode_odd, M, {}, pa::DISP_E_EXCEPTION,
         "Unknown error in Cthing::explode_odd()."},
    };
    for (const auto& row : rows) {
        auto r = invoke(thing_.get(), row.id, row.flags, row.args, row.flags == P);
        EXPECT_EQ(r.hr, pa::DISP_E_EXCEPTION) << row.fault;
        EXPECT_EQ(r.scode, row.scode) << row.fault;
        EXPECT_EQ(r.source, "Autotest.thing.1") << row.fault;
        EXPECT_EQ(r.description, row.description) << row.fault;
        EXPECT_EQ(r.value.vt, pa::VT_EMPTY) << row.fault;
        // Filling the EXCEPINFO consumed the record.
        EXPECT_EQ(take_error_info(), "") << row.fault;
    }
}

TEST_F(AutomationDispatch, WithoutExcepinfoTheRecordStaysOnTheThread)
{
    pa::variant_t text("late");
    pa::DISPPARAMS params{&text, nullptr, 1, 0};
    EXPECT_EQ(thing_->Invoke(DISPID_fail, pa::GUID_NULL, 0, M, &params, nullptr, nullptr, nullptr),
              pa::DISP_E_EXCEPTION);
    EXPECT_EQ(take_error_info(), "Autotest.thing.1: thing::fail : late");

    // A stale record must not be reported with a later success, nor with a
    // later failure of another call.
    pa::set_error_info("stale", "stale text");
    EXPECT_EQ(invoke(thing_.get(), DISPID_calls, G, {}).hr, pa::S_OK);
    EXPECT_EQ(take_error_info(), "");

    pa::com_ptr_t<pa::ISupportErrorInfo> support = thing_.query<pa::ISupportErrorInfo>();
    ASSERT_TRUE(support);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(pa::make_guid("{5B0C6F5E-8A31-4D8E-9B6A-2E51C0A1F101}")), pa::S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(pa::IUnknown::iid), pa::S_FALSE);
}

TEST_F(AutomationDispatch, DriverRaisesOneExceptionType)
{
    pa::dispatch_driver_t d(thing_);
    EXPECT_EQ(pa::dispatch_driver_t::to_int(d.call(DISPID_add, {20, 22})), 42);
    d.put("Name", "gamma");
    EXPECT_EQ(pa::dispatch_driver_t::to_string(d.get("name")), "gamma");
    try {
        d.call("fail", {"bad"});
        FAIL() << "no exception";
    } catch (const pa::automation_error& e) {
        EXPECT_EQ(e.hr(), pa::DISP_E_EXCEPTION);
        EXPECT_EQ(e.source(), "Autotest.thing.1");
        EXPECT_EQ(e.description(), "thing::fail : bad");
    }
    try {
        d.call(DISPID_add, {1});
        FAIL() << "no exception";
    } catch (const pa::automation_error& e) {
        EXPECT_EQ(e.hr(), pa::DISP_E_BADPARAMCOUNT);
        EXPECT_EQ(e.source(), "Autotest.thing.1");
        EXPECT_EQ(e.description(), "add takes 2 arguments, not 1");
    }
    EXPECT_THROW(d.id_of("nosuch"), pa::automation_error);
    EXPECT_THROW(pa::dispatch_driver_t::to_int(pa::variant_t("x")), pa::automation_error);
}

TEST_F(AutomationDispatch, VectorAtChecksBothEnds)
{
    auto vec = items(3);
    pa::dispatch_driver_t d(vec);
    EXPECT_EQ(pa::dispatch_driver_t::to_int(d.get(DISPID_length)), 3);
    auto first = pa::dispatch_driver_t::to_object(d.call(DISPID_at, {0}));
    EXPECT_EQ(pa::dispatch_driver_t::to_string(first.get(DISPID_name)), "item0");

    for (std::int32_t index : {-1, 3}) {
        auto r = invoke(vec.get(), DISPID_at, M, {index});
        EXPECT_EQ(r.hr, pa::DISP_E_EXCEPTION) << index;
        EXPECT_EQ(r.source, "Autotest.vector.1");
        EXPECT_EQ(r.description, "Illegal index " + std::to_string(index) + " for vector with 3 element(s).");
    }
    auto empty = items(0);
    EXPECT_EQ(pa::dispatch_driver_t::to_int(pa::dispatch_driver_t(empty).get(DISPID_length)), 0);
}

TEST_F(AutomationDispatch, ElementNamesReadAsNumbers)
{
    auto vec = items(3);
    struct row {
        const char* fault;
        const char* name;
        pa::HRESULT hr;
        pa::DISPID id;
    } rows[] = {
        {"plain number", "2", pa::S_OK, 258},
        {"empty name counts as 0", "", pa::S_OK, 256},
        {"leading digits count", "2a", pa::S_OK, 258},
        {"leading blanks skipped", " 7", pa::S_OK, 263},
        {"plus sign", "+1", pa::S_OK, 257},
        {"member names still work", "LENGTH", pa::S_OK, DISPID_length},
        {"a letter first is no number", "x1", pa::DISP_E_UNKNOWNNAME, pa::DISPID_UNKNOWN},
        {"a minus sign is no index", "-1", pa::DISP_E_UNKNOWNNAME, pa::DISPID_UNKNOWN},
        {"too large for a DISPID", "4294967295", pa::DISP_E_UNKNOWNNAME, pa::DISPID_UNKNOWN},
    };
    for (const auto& r : rows) {
        const char* names[] = {r.name};
        pa::DISPID id = 1234;
        EXPECT_EQ(vec->GetIDsOfNames(pa::GUID_NULL, names, 1, 0, &id), r.hr) << r.fault;
        EXPECT_EQ(id, r.id) << r.fault;
    }
    // The first name that is a number wins, in its own position.
    const char* names[] = {"length", "1"};
    pa::DISPID ids[2] = {0, 0};
    EXPECT_EQ(vec->GetIDsOfNames(pa::GUID_NULL, names, 2, 0, ids), pa::S_OK);
    EXPECT_EQ(ids[0], pa::DISPID_UNKNOWN);
    EXPECT_EQ(ids[1], 257);
}

struct element_row {
    const char* fault;
    pa::DISPID id;
    std::uint16_t flags;
    pa::HRESULT object_vector_hr; // flags checked first
    pa::HRESULT text_vector_hr;   // range checked first
};

TEST_F(AutomationDispatch, ElementDispidsWithEachFlag)
{
    auto objects = items(3);
    auto texts = items(3, DISPID_texts);
    const element_row rows[] = {
        {"pure get in range", 258, G, pa::S_OK, pa::S_OK},
        {"method in range", 258, M, pa::DISP_E_TYPEMISMATCH, pa::DISP_E_TYPEMISMATCH},
        {"method|get in range", 256, M | G, pa::DISP_E_TYPEMISMATCH, pa::DISP_E_TYPEMISMATCH},
        {"put in range", 257, P, pa::DISP_E_TYPEMISMATCH, pa::DISP_E_TYPEMISMATCH},
        {"no flag in range", 257, 0, pa::DISP_E_TYPEMISMATCH, pa::DISP_E_TYPEMISMATCH},
        {"pure get beyond the end", 261, G, pa::DISP_E_EXCEPTION, pa::DISP_E_EXCEPTION},
        {"pure get just past the end", 259, G, pa::DISP_E_EXCEPTION, pa::DISP_E_EXCEPTION},
        {"method beyond the end", 261, M, pa::DISP_E_TYPEMISMATCH, pa::DISP_E_EXCEPTION},
        {"method|get beyond the end", 261, M | G, pa::DISP_E_TYPEMISMATCH, pa::DISP_E_EXCEPTION},
    };
    for (const auto& row : rows) {
        auto o = invoke(objects.get(), row.id, row.flags, {});
        auto t = invoke(texts.get(), row.id, row.flags, {});
        EXPECT_EQ(o.hr, row.object_vector_hr) << row.fault;
        EXPECT_EQ(t.hr, row.text_vector_hr) << row.fault;
        const std::string index = std::to_string(row.id - 256);
        if (o.hr == pa::DISP_E_EXCEPTION) {
            EXPECT_EQ(o.wcode, 1001) << row.fault;
            EXPECT_EQ(o.source, "Autotest vector") << row.fault;
            EXPECT_EQ(o.description, "Illegal index " + index + " for vector with 3 element(s).") << row.fault;
        }
        if (t.hr == pa::DISP_E_EXCEPTION) {
            EXPECT_EQ(t.wcode, 1001) << row.fault;
            EXPECT_EQ(t.source, "Autotest BSTR vector") << row.fault;
            EXPECT_EQ(t.description, "Illegal index " + index + " for vector with 3 element(s).") << row.fault;
        }
        if (o.hr == pa::S_OK) {
            ASSERT_EQ(o.value.vt, pa::VT_DISPATCH) << row.fault;
            auto item = pa::dispatch_driver_t::to_object(o.value);
            EXPECT_EQ(pa::dispatch_driver_t::to_string(item.get(DISPID_name)), "item2");
            ASSERT_EQ(t.value.vt, pa::VT_BSTR) << row.fault;
            EXPECT_EQ(pa::bstr_view(t.value.bstrVal), "s2");
        }
    }
    auto none = items(0);
    auto r = invoke(none.get(), 256, G, {});
    EXPECT_EQ(r.hr, pa::DISP_E_EXCEPTION);
    EXPECT_EQ(r.description, "Illegal index 0 for vector with 0 element(s).");
}

TEST_F(AutomationDispatch, ReferenceCountsReturnToZero)
{
    EXPECT_EQ(thing_->AddRef(), 2u);
    EXPECT_EQ(thing_->Release(), 1u);
    EXPECT_EQ(server_module_count(), 1);
    {
        auto vec = items(4);
        // The vector and its four items each hold the module.
        EXPECT_EQ(server_module_count(), 6);
        auto support = vec.query<pa::ISupportErrorInfo>();
        ASSERT_TRUE(support);
        EXPECT_FALSE(vec.query<pa::IErrorInfo>());
        auto element = invoke(vec.get(), 257, G, {});
        ASSERT_EQ(element.hr, pa::S_OK);
    }
    EXPECT_EQ(server_module_count(), 1);

    // Many threads taking and dropping references.
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([object = thing_.get()] {
            for (int i = 0; i < 10000; ++i) {
                object->AddRef();
                object->Release();
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(thing_->AddRef(), 2u);
    EXPECT_EQ(thing_->Release(), 1u);
}

TEST_F(AutomationDispatch, ServerRecognisesItsOwnObjects)
{
    pa::dispatch_driver_t d(thing_);
    auto other = pa::dispatch_driver_t::create("Autotest.thing");
    auto vec = items(1);
    EXPECT_EQ(pa::dispatch_driver_t::to_int(d.call(DISPID_same, {pa::variant_t(other.get())})), 1);
    EXPECT_EQ(pa::dispatch_driver_t::to_int(d.call(DISPID_same, {pa::variant_t(vec.get())})), 0);
    EXPECT_EQ(pa::dispatch_driver_t::to_int(
                  d.call(DISPID_same, {pa::variant_t(static_cast<pa::IDispatch*>(nullptr))})),
              0);
}

TEST(AutomationErrorInfo, RecordsArePerThread)
{
    pa::set_error_info(pa::GUID_NULL, "main", "main text");
    std::string seen_elsewhere = "unset";
    std::thread([&] {
        seen_elsewhere = take_error_info();
        pa::set_error_info("worker", "left behind at thread exit");
    }).join();
    EXPECT_EQ(seen_elsewhere, "");
    EXPECT_EQ(take_error_info(), "main: main text");
    EXPECT_EQ(take_error_info(), "");
}

} // namespace
