#pragma once
// Identifiers of the test server library's classes, as its clients know them.
#include "platform/automation/guid.h"
#include "platform/automation/interfaces.h"

namespace autotest {

namespace pa = platform::automation;

inline constexpr pa::CLSID CLSID_thing = pa::make_guid("{5B0C6F5E-8A31-4D8E-9B6A-2E51C0A1F001}");
inline constexpr pa::CLSID CLSID_vector = pa::make_guid("{5B0C6F5E-8A31-4D8E-9B6A-2E51C0A1F002}");
inline constexpr pa::CLSID CLSID_bstr_vector = pa::make_guid("{5B0C6F5E-8A31-4D8E-9B6A-2E51C0A1F003}");
inline constexpr pa::GUID LIBID_autotest = pa::make_guid("{5B0C6F5E-8A31-4D8E-9B6A-2E51C0A1F0FF}");

// Ithing
inline constexpr pa::DISPID DISPID_add = 1;          // method (I4, I4) -> I4
inline constexpr pa::DISPID DISPID_name = 2;         // property get / put, BSTR
inline constexpr pa::DISPID DISPID_calls = 3;        // property get only, I4
inline constexpr pa::DISPID DISPID_limit = 4;        // property put only, I4 (>= 0)
inline constexpr pa::DISPID DISPID_fail = 5;         // method (BSTR) leaving error information
inline constexpr pa::DISPID DISPID_explode = 6;      // method throwing std::runtime_error("boom")
inline constexpr pa::DISPID DISPID_explode_odd = 7;  // method throwing a non-standard exception
inline constexpr pa::DISPID DISPID_items = 8;        // method (I4 n) -> vector of n things
inline constexpr pa::DISPID DISPID_flag = 9;         // property get / put, BOOL
inline constexpr pa::DISPID DISPID_ratio = 10;       // property get / put, R8
inline constexpr pa::DISPID DISPID_echo = 11;        // method (VARIANT) -> VARIANT
inline constexpr pa::DISPID DISPID_start_worker = 12; // method (I4 ms): a thread of the library
inline constexpr pa::DISPID DISPID_same = 13;        // method (DISPATCH) -> I4: 1 for a thing
inline constexpr pa::DISPID DISPID_checksum = 14;    // property get, UI4
inline constexpr pa::DISPID DISPID_texts = 15;       // method (I4 n) -> BSTR vector "s0".."s<n-1>"

// Ivector and Ibstr_vector
inline constexpr pa::DISPID DISPID_length = 1;
inline constexpr pa::DISPID DISPID_at = 2;

} // namespace autotest
