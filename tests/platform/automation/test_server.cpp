// A server library for the automation layer's tests: one class with members
// of every kind, two vectors (one per order of the element checks) and the
// four exported functions.
#include "test_server_ids.h"

#include "platform/automation/server.h"
#include "platform/automation/vector_dispatch.h"

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace autotest {

namespace {

using namespace platform::automation;

struct Ithing : IDispatch {
    static constexpr IID iid = make_guid("{5B0C6F5E-8A31-4D8E-9B6A-2E51C0A1F101}");
};
struct Ivector : IDispatch {
    static constexpr IID iid = make_guid("{5B0C6F5E-8A31-4D8E-9B6A-2E51C0A1F102}");
};
struct Ibstr_vector : IDispatch {
    static constexpr IID iid = make_guid("{5B0C6F5E-8A31-4D8E-9B6A-2E51C0A1F103}");
};

class Cthing : public dispatch_object_t<Cthing, Ithing> {
public:
    static constexpr IID implementation_iid = make_guid("{5B0C6F5E-8A31-4D8E-9B6A-2E51C0A1F201}");
    static const dispatch_class_t& dispatch_class();

    Cthing() = default;
    explicit Cthing(std::string_view name) : name_(name) {}

    HRESULT add(std::int32_t a, std::int32_t b, std::int32_t* sum)
    {
        ++calls_;
        *sum = a + b;
        return S_OK;
    }
    HRESULT get_name(BSTR* out)
    {
        *out = name_.copy();
        return S_OK;
    }
    HRESULT put_name(BSTR value)
    {
        name_ = value ? bstr_t(bstr_view(value)) : bstr_t();
        return S_OK;
    }
    HRESULT get_calls(std::int32_t* out)
    {
        *out = calls_;
        return S_OK;
    }
    HRESULT put_limit(std::int32_t value)
    {
        if (value < 0)
            return error("Out of range of the limit");
        limit_ = value;
        return S_OK;
    }
    HRESULT fail(BSTR text) { return error("thing::fail : " + std::string(bstr_view(text))); }
    HRESULT explode() { throw std::runtime_error("boom"); }
    HRESULT explode_odd() { throw 42; }
    HRESULT items(std::int32_t n, IDispatch** out);
    HRESULT texts(std::int32_t n, IDispatch** out);
    HRESULT get_flag(VARIANT_BOOL* out)
    {
        *out = flag_;
        return S_OK;
    }
    HRESULT put_flag(VARIANT_BOOL value)
    {
        flag_ = value;
        return S_OK;
    }
    HRESULT get_ratio(double* out)
    {
        *out = ratio_;
        return S_OK;
    }
    HRESULT put_ratio(double value)
    {
        ratio_ = value;
        return S_OK;
    }
    HRESULT echo(const VARIANT& in, VARIANT* out) { return VariantCopy(out, &in); }
    HRESULT start_worker(std::int32_t ms)
    {
        start_module_thread([ms] { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); })
            .detach();
        return S_OK;
    }
    HRESULT same(IDispatch* other, std::int32_t* out)
    {
        *out = implementation_cast<Cthing>(other) ? 1 : 0;
        return S_OK;
    }
    HRESULT get_checksum(std::uint32_t* out)
    {
        *out = 0xDEADBEEFu;
        return S_OK;
    }

private:
    bstr_t name_;
    std::int32_t calls_ = 0;
    std::int32_t limit_ = 0;
    VARIANT_BOOL flag_ = VARIANT_FALSE;
    double ratio_ = 0.5;
};

class Cvector : public vector_dispatch_t<Cvector, Ivector> {
public:
    static const dispatch_class_t& dispatch_class();
    static constexpr element_access_t element_access{"Autotest vector", element_check::flags_first};

    void append(com_ptr_t<IDispatch> item) { items_.push_back(std::move(item)); }

    HRESULT get_length(std::int32_t* out)
    {
        *out = static_cast<std::int32_t>(items_.size());
        return S_OK;
    }
    HRESULT at(std::int32_t index, IDispatch** out)
    {
        if (index < 0 || static_cast<std::size_t>(index) >= items_.size())
            return error(illegal_index_text(index, static_cast<std::int64_t>(items_.size())));
        *out = com_ptr_t<IDispatch>(items_[static_cast<std::size_t>(index)]).detach();
        return S_OK;
    }
    std::uint32_t element_count() { return static_cast<std::uint32_t>(items_.size()); }
    HRESULT element(std::uint32_t index, VARIANT* out)
    {
        out->vt = VT_DISPATCH;
        out->pdispVal = com_ptr_t<IDispatch>(items_[index]).detach();
        return S_OK;
    }

private:
    std::vector<com_ptr_t<IDispatch>> items_;
};

class Cbstr_vector : public vector_dispatch_t<Cbstr_vector, Ibstr_vector> {
public:
    static const dispatch_class_t& dispatch_class();
    static constexpr element_access_t element_access{"Autotest BSTR vector", element_check::range_first};

    void append(std::string_view text) { texts_.emplace_back(text); }

    HRESULT get_length(std::int32_t* out)
    {
        *out = static_cast<std::int32_t>(texts_.size());
        return S_OK;
    }
    HRESULT at(std::int32_t index, BSTR* out)
    {
        if (index < 0 || static_cast<std::size_t>(index) >= texts_.size())
            return error(illegal_index_text(index, static_cast<std::int64_t>(texts_.size())));
        *out = SysAllocString(texts_[static_cast<std::size_t>(index)]);
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    std::uint32_t element_count() { return static_cast<std::uint32_t>(texts_.size()); }
    HRESULT element(std::uint32_t index, VARIANT* out)
    {
        out->bstrVal = SysAllocString(texts_[index]);
        if (!out->bstrVal)
            return E_OUTOFMEMORY;
        out->vt = VT_BSTR;
        return S_OK;
    }

private:
    std::vector<std::string> texts_;
};

HRESULT Cthing::items(std::int32_t n, IDispatch** out)
{
    if (n < 0)
        return error("a vector cannot have fewer than 0 items");
    auto vec = make_object<Cvector>();
    for (std::int32_t i = 0; i < n; ++i)
        vec->append(com_ptr_t<IDispatch>(make_object<Cthing>("item" + std::to_string(i)).get()));
    return hand_out(std::move(vec), out);
}

HRESULT Cthing::texts(std::int32_t n, IDispatch** out)
{
    auto vec = make_object<Cbstr_vector>();
    for (std::int32_t i = 0; i < n; ++i)
        vec->append("s" + std::to_string(i));
    return hand_out(std::move(vec), out);
}

const dispatch_class_t& Cthing::dispatch_class()
{
    static const member_t members[] = {
        method<&Cthing::add>("add", DISPID_add),
        property_get<&Cthing::get_name>("name", DISPID_name),
        property_put<&Cthing::put_name>("name", DISPID_name),
        property_get<&Cthing::get_calls>("calls", DISPID_calls),
        property_put<&Cthing::put_limit>("limit", DISPID_limit),
        method<&Cthing::fail>("fail", DISPID_fail),
        method<&Cthing::explode>("explode", DISPID_explode),
        method<&Cthing::explode_odd>("explode_odd", DISPID_explode_odd),
        method<&Cthing::items>("items", DISPID_items),
        property_get<&Cthing::get_flag>("flag", DISPID_flag),
        property_put<&Cthing::put_flag>("flag", DISPID_flag),
        property_get<&Cthing::get_ratio>("ratio", DISPID_ratio),
        property_put<&Cthing::put_ratio>("ratio", DISPID_ratio),
        method<&Cthing::echo>("echo", DISPID_echo),
        method<&Cthing::start_worker>("start_worker", DISPID_start_worker),
        method<&Cthing::same>("same", DISPID_same),
        property_get<&Cthing::get_checksum>("checksum", DISPID_checksum),
        method<&Cthing::texts>("texts", DISPID_texts),
    };
    static const dispatch_class_t cls{"Cthing", "Autotest.thing.1", members};
    return cls;
}

const dispatch_class_t& Cvector::dispatch_class()
{
    static const member_t members[] = {
        property_get<&Cvector::get_length>("length", DISPID_length),
        method<&Cvector::at>("at", DISPID_at),
    };
    static const dispatch_class_t cls{"Cvector", "Autotest.vector.1", members};
    return cls;
}

const dispatch_class_t& Cbstr_vector::dispatch_class()
{
    static const member_t members[] = {
        property_get<&Cbstr_vector::get_length>("length", DISPID_length),
        method<&Cbstr_vector::at>("at", DISPID_at),
    };
    static const dispatch_class_t cls{"Cbstr_vector", "Autotest.bstr_vector.1", members};
    return cls;
}

const class_entry_t classes[] = {
    {CLSID_thing, "Autotest.thing.1", "Autotest.thing", "thing Class", "Apartment", true,
     &create_instance_of<Cthing>},
    {CLSID_vector, "Autotest.vector.1", "Autotest.vector", "vector Class", "Both", false,
     &create_instance_of<Cvector>},
    {CLSID_bstr_vector, "Autotest.bstr_vector.1", "Autotest.bstr_vector", "bstr_vector Class",
     "Both", false, &create_instance_of<Cbstr_vector>},
};

const server_info_t& server_info()
{
    static const server_info_t info{classes, LIBID_autotest, "AUTOTESTLib", "1.0"};
    return info;
}

} // namespace

} // namespace autotest

OSTREL_AUTOMATION_INPROC_SERVER(autotest::server_info())

// For the tests only: the library's lock count.
extern "C" __attribute__((visibility("default"))) long autotest_module_count()
{
    return platform::automation::this_module().count();
}
