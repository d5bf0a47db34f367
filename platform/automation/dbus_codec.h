#pragma once
// VARIANTs on the wire of the D-Bus transport. Internal to the transport.
//
// A VARIANT travels as (type tag, value). Texts travel as bytes (a BSTR need
// not be valid UTF-8, which D-Bus strings must be); a null BSTR as the
// boolean false; objects as object paths, "/" for none.
#include "platform/automation/variant.h"

#include <sdbus-c++/Types.h>

#include <cstdint>
#include <functional>
#include <string>

namespace platform::automation::dbus {

using wire_value = sdbus::Struct<std::uint16_t, sdbus::Variant>;

// The path an object goes as ("/" for none); whatever the sender counts for
// the hand-over happens here.
using export_fn = std::function<std::string(IUnknown*)>;
// The object a path arrives as: a new reference, or null.
using import_fn = std::function<IUnknown*(const std::string&)>;

// By-reference arguments go as their values: out-arguments cannot come back
// across the bus. Throws std::invalid_argument for a type that cannot cross.
wire_value to_wire(const VARIANT& value, const export_fn& export_object);

// Fills `out` (EMPTY on entry). Throws std::invalid_argument for a tag or
// value it cannot read, std::bad_alloc.
void from_wire(const wire_value& w, VARIANT& out, const import_fn& import_object);

// The object path a value carries, or "/" when it carries none.
std::string object_path_of(const wire_value& w);

// EMPTY, for a result that could not be sent.
wire_value empty_wire_value();

} // namespace platform::automation::dbus
