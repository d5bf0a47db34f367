#include "platform/automation/dbus_codec.h"

#include "platform/automation/dbus_bus.h"

#include <new>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace platform::automation::dbus {

wire_value to_wire(const VARIANT& given, const export_fn& export_object) {
    const VARIANT* v = &given;
    VARIANT deref;
    if (given.vt & VT_BYREF) {
        deref.vt = static_cast<VARTYPE>(given.vt & ~VT_BYREF);
        switch (deref.vt) {
        case VT_I4:
            deref.lVal = *given.plVal;
            break;
        case VT_UI4:
            deref.ulVal = *given.pulVal;
            break;
        case VT_I2:
            deref.iVal = *given.piVal;
            break;
        case VT_UI1:
            deref.bVal = *given.pbVal;
            break;
        case VT_R8:
            deref.dblVal = *given.pdblVal;
            break;
        case VT_BOOL:
            deref.boolVal = *given.pboolVal;
            break;
        case VT_ERROR:
            deref.scode = *given.pscode;
            break;
        case VT_BSTR:
            deref.bstrVal = *given.pbstrVal;
            break;
        case VT_DISPATCH:
            deref.pdispVal = *given.ppdispVal;
            break;
        case VT_UNKNOWN:
            deref.punkVal = *given.ppunkVal;
            break;
        case VT_VARIANT:
            return to_wire(*given.pvarVal, export_object);
        default:
            throw std::invalid_argument("a by-reference argument of an unknown type");
        }
        v = &deref;
    }
    switch (v->vt) {
    case VT_EMPTY:
    case VT_NULL:
        return {v->vt, sdbus::Variant(std::uint8_t{0})};
    case VT_I4:
        return {v->vt, sdbus::Variant(v->lVal)};
    case VT_UI4:
        return {v->vt, sdbus::Variant(v->ulVal)};
    case VT_I2:
        return {v->vt, sdbus::Variant(v->iVal)};
    case VT_UI1:
        return {v->vt, sdbus::Variant(v->bVal)};
    case VT_R8:
        return {v->vt, sdbus::Variant(v->dblVal)};
    case VT_BOOL:
        return {v->vt, sdbus::Variant(v->boolVal != VARIANT_FALSE)};
    case VT_ERROR:
        return {v->vt, sdbus::Variant(v->scode)};
    case VT_BSTR: {
        if (!v->bstrVal)
            return {v->vt, sdbus::Variant(false)};
        const auto text = bstr_view(v->bstrVal);
        return {v->vt, sdbus::Variant(std::vector<std::uint8_t>(text.begin(), text.end()))};
    }
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return {v->vt, sdbus::Variant(sdbus::ObjectPath(export_object(v->punkVal)))};
    default:
        throw std::invalid_argument("a value of an unknown type");
    }
}

namespace {

template <class T> T wire_get(const sdbus::Variant& v) {
    if (!v.containsValueOfType<T>())
        throw std::invalid_argument("a value of the wrong type");
    return v.get<T>();
}

} // namespace

void from_wire(const wire_value& w, VARIANT& out, const import_fn& import_object) {
    const auto vt = std::get<0>(w);
    const auto& v = std::get<1>(w);
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
        out.vt = vt;
        return;
    case VT_I4:
        out.lVal = wire_get<std::int32_t>(v);
        break;
    case VT_UI4:
        out.ulVal = wire_get<std::uint32_t>(v);
        break;
    case VT_I2:
        out.iVal = wire_get<std::int16_t>(v);
        break;
    case VT_UI1:
        out.bVal = wire_get<std::uint8_t>(v);
        break;
    case VT_R8:
        out.dblVal = wire_get<double>(v);
        break;
    case VT_BOOL:
        out.boolVal = wire_get<bool>(v) ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    case VT_ERROR:
        out.scode = wire_get<std::int32_t>(v);
        break;
    case VT_BSTR:
        if (v.containsValueOfType<bool>()) {
            out.bstrVal = nullptr;
        } else {
            const auto bytes = wire_get<std::vector<std::uint8_t>>(v);
            out.bstrVal = SysAllocString(
                std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
            if (!out.bstrVal)
                throw std::bad_alloc();
        }
        break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        out.punkVal = import_object(std::string(wire_get<sdbus::ObjectPath>(v)));
        break;
    default:
        throw std::invalid_argument("a value of an unknown type");
    }
    out.vt = vt;
}

std::string object_path_of(const wire_value& w) {
    const auto vt = std::get<0>(w);
    const auto& v = std::get<1>(w);
    if ((vt == VT_DISPATCH || vt == VT_UNKNOWN) && v.containsValueOfType<sdbus::ObjectPath>())
        return v.get<sdbus::ObjectPath>();
    return no_object;
}

wire_value empty_wire_value() {
    return {VT_EMPTY, sdbus::Variant(std::uint8_t{0})};
}

} // namespace platform::automation::dbus
