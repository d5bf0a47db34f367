// The value codec of the D-Bus transport, reading what a peer sends: the
// input is a recipe for a D-Bus message, mostly in the form of a call to
// Invoke (id, flags, arguments as (type tag, value) pairs of any D-Bus type,
// named-argument ids), at times of any form. The message is read as the
// server reads a call; every argument it decodes must encode and decode
// again to the same value.
#include <sdbus-c++/Error.h>
#include <sdbus-c++/Message.h>
#include <sdbus-c++/Types.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/dbus_codec.h"
#include "platform/automation/variant.h"

// A message that belongs to no connection; the library makes one for every
// Variant but does not declare the call in its headers.
namespace sdbus {
PlainMessage createPlainMessage();
}

namespace {

namespace pa = platform::automation;
namespace pd = platform::automation::dbus;

class recipe_t {
public:
    recipe_t(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    template <class T> T number() {
        T value{};
        std::uint8_t bytes[sizeof(T)] = {};
        for (auto& b : bytes)
            b = byte();
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }
    bool empty() const { return at_ >= size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

constexpr std::string_view basic_types = "ybnqiuxtdsog";

std::string make_signature(recipe_t& r, int depth) {
    const std::uint8_t c = r.byte();
    if (depth >= 3 || c % 16 < basic_types.size())
        return std::string(1, basic_types[c % basic_types.size()]);
    switch (c % 16) {
    case 12:
        return "a" + make_signature(r, depth + 1);
    case 13:
        return "v";
    case 14: {
        std::string s = "(";
        for (int n = 1 + r.byte() % 3; n > 0; --n)
            s += make_signature(r, depth + 1);
        return s + ")";
    }
    default:
        return "a{" + std::string(1, basic_types[r.byte() % basic_types.size()]) +
               make_signature(r, depth + 1) + "}";
    }
}

// Where the complete type that starts at `at` ends.
std::size_t type_end(std::string_view sig, std::size_t at) {
    if (sig[at] == 'a')
        return type_end(sig, at + 1);
    if (sig[at] != '(' && sig[at] != '{')
        return at + 1;
    std::size_t i = at + 1;
    while (sig[i] != ')' && sig[i] != '}')
        i = type_end(sig, i);
    return i + 1;
}

std::string text(recipe_t& r, std::string_view alphabet) {
    std::string s;
    for (int n = r.byte() % 12; n > 0; --n)
        s += alphabet[r.byte() % alphabet.size()];
    return s;
}

void write_value(sdbus::Message& m, std::string_view sig, recipe_t& r, int depth) {
    switch (sig[0]) {
    case 'y': m << r.number<std::uint8_t>(); return;
    case 'b': m << (r.byte() % 2 == 1); return;
    case 'n': m << r.number<std::int16_t>(); return;
    case 'q': m << r.number<std::uint16_t>(); return;
    case 'i': m << r.number<std::int32_t>(); return;
    case 'u': m << r.number<std::uint32_t>(); return;
    case 'x': m << r.number<std::int64_t>(); return;
    case 't': m << r.number<std::uint64_t>(); return;
    case 'd': m << r.number<double>(); return;
    case 's': m << text(r, "abc /\t\"=09"); return;
    case 'o': {
        std::string path = "/" + text(r, "ab_9");
        for (std::size_t i = 1; i < path.size(); ++i)
            if (path[i] == '/' && path[i - 1] == '/')
                path[i] = 'x';
        m << sdbus::ObjectPath(path);
        return;
    }
    case 'g': m << sdbus::Signature(make_signature(r, 0)); return;
    case 'v': {
        const std::string inner = make_signature(r, depth + 1);
        m.openVariant(inner);
        write_value(m, inner, r, depth + 1);
        m.closeVariant();
        return;
    }
    case '(': {
        const std::string_view contents = sig.substr(1, type_end(sig, 0) - 2);
        m.openStruct(std::string(contents));
        for (std::size_t i = 0; i < contents.size(); i = type_end(contents, i))
            write_value(m, contents.substr(i), r, depth + 1);
        m.closeStruct();
        return;
    }
    case 'a': {
        const std::string_view element = sig.substr(1, type_end(sig, 1) - 1);
        m.openContainer(std::string(element));
        for (int n = r.byte() % 4; n > 0; --n) {
            if (element[0] == '{') {
                const std::string_view entry = element.substr(1, element.size() - 2);
                m.openDictEntry(std::string(entry));
                write_value(m, entry, r, depth + 1);
                write_value(m, entry.substr(1), r, depth + 1);
                m.closeDictEntry();
            } else {
                write_value(m, element, r, depth + 1);
            }
        }
        m.closeContainer();
        return;
    }
    }
    std::abort(); // a signature make_signature does not make
}

// Tags the codec knows, and a few it does not, most of the time.
pa::VARTYPE make_tag(recipe_t& r) {
    static constexpr pa::VARTYPE tags[] = {
        pa::VT_EMPTY, pa::VT_NULL, pa::VT_I2,      pa::VT_I4,      pa::VT_R8,
        pa::VT_BSTR,  pa::VT_BOOL, pa::VT_ERROR,   pa::VT_DISPATCH, pa::VT_UNKNOWN,
        pa::VT_UI1,   pa::VT_UI4,  pa::VT_VARIANT, pa::VT_BYREF | pa::VT_I4};
    const std::uint8_t c = r.byte();
    if (c < 0xF0)
        return tags[c % std::size(tags)];
    return r.number<pa::VARTYPE>();
}

sdbus::PlainMessage make_message(recipe_t& r) {
    sdbus::PlainMessage m = sdbus::createPlainMessage();
    if (r.byte() % 8 == 0) {
        // Any form at all: the read below must fail cleanly.
        for (int n = r.byte() % 5; n > 0; --n) {
            const std::string sig = make_signature(r, 0);
            write_value(m, sig, r, 0);
        }
    } else {
        m << r.number<std::int32_t>() << r.number<std::uint16_t>();
        m.openContainer("(qv)");
        for (int n = r.byte() % 8; n > 0 && !r.empty(); --n) {
            m.openStruct("qv");
            m << make_tag(r);
            const std::string sig = make_signature(r, 0);
            m.openVariant(sig);
            write_value(m, sig, r, 0);
            m.closeVariant();
            m.closeStruct();
        }
        m.closeContainer();
        std::vector<std::int32_t> named;
        for (int n = r.byte() % 3; n > 0; --n)
            named.push_back(r.number<std::int32_t>());
        m << named;
    }
    m.seal();
    m.rewind(true);
    return m;
}

bool same(const pa::VARIANT& a, const pa::VARIANT& b) {
    if (a.vt != b.vt)
        return false;
    switch (a.vt) {
    case pa::VT_I4: return a.lVal == b.lVal;
    case pa::VT_UI4: return a.ulVal == b.ulVal;
    case pa::VT_I2: return a.iVal == b.iVal;
    case pa::VT_UI1: return a.bVal == b.bVal;
    case pa::VT_R8: return std::memcmp(&a.dblVal, &b.dblVal, sizeof(double)) == 0;
    case pa::VT_BOOL: return a.boolVal == b.boolVal;
    case pa::VT_ERROR: return a.scode == b.scode;
    case pa::VT_BSTR:
        return (a.bstrVal == nullptr) == (b.bstrVal == nullptr) &&
               pa::bstr_view(a.bstrVal) == pa::bstr_view(b.bstrVal);
    case pa::VT_DISPATCH:
    case pa::VT_UNKNOWN: return a.punkVal == b.punkVal;
    default: return true;
    }
}

// No object is known here: every path arrives as none.
pa::IUnknown* import_none(const std::string&) {
    return nullptr;
}

std::string export_none(pa::IUnknown* object) {
    if (object != nullptr)
        std::abort(); // nothing was imported, so nothing can go back
    return "/";
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    recipe_t recipe(data, size);
    std::int32_t id = 0;
    std::uint16_t flags = 0;
    std::vector<pd::wire_value> args;
    std::vector<std::int32_t> named;
    try {
        sdbus::PlainMessage m = make_message(recipe);
        m >> id >> flags >> args >> named;
    } catch (const sdbus::Error&) {
        return 0; // a form the server's read refuses, as the library does
    }

    for (const pd::wire_value& w : args) {
        (void)pd::object_path_of(w);
        pa::variant_t value;
        try {
            pd::from_wire(w, value, import_none);
        } catch (const std::invalid_argument&) {
            continue;
        }
        pa::variant_t again;
        pd::from_wire(pd::to_wire(value, export_none), again, import_none);
        if (!same(value, again))
            std::abort();
    }
    return 0;
}
