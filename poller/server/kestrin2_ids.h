#pragma once
// What a client of libkestrin2.so knows of it: the identifiers and names of
// its classes and the DISPIDs of their members. These are the contract;
// they never change.
#include <string_view>

#include "platform/automation/guid.h"
#include "platform/automation/interfaces.h"

namespace kestrin2 {

inline constexpr platform::automation::CLSID CLSID_com_manager =
    platform::automation::make_guid("{381EF319-04C3-4191-AD9D-FED30FE4DF7B}");
inline constexpr platform::automation::CLSID CLSID_com_variable =
    platform::automation::make_guid("{7F51AE75-0AE1-4551-A459-FF4C6879BAB4}");
inline constexpr platform::automation::CLSID CLSID_com_variable_vector =
    platform::automation::make_guid("{FA1CF5A5-69FD-4692-BAEB-216C6133AD9E}");

inline constexpr platform::automation::IID IID_Icom_manager =
    platform::automation::make_guid("{F6B25DD6-538D-4077-AC5F-ADC89BB6FCB0}");
inline constexpr platform::automation::IID IID_Icom_variable =
    platform::automation::make_guid("{1D5701B0-0A63-499D-A0B9-BA8458EF149F}");
inline constexpr platform::automation::IID IID_Icom_variable_vector =
    platform::automation::make_guid("{71A67566-B1E1-4953-A907-5F91DF5BF51C}");

inline constexpr platform::automation::GUID LIBID_KESTRIN2Lib =
    platform::automation::make_guid("{8BEC4E65-ABD9-48BE-A2E5-1CBEF43817F7}");
inline constexpr std::string_view typelib_name = "KESTRIN2Lib";
inline constexpr std::string_view typelib_version = "1.0";

inline constexpr std::string_view progid_com_manager = "Kestrin2.com_manager.1";
inline constexpr std::string_view progid_com_variable = "Kestrin2.com_variable.1";
inline constexpr std::string_view progid_com_variable_vector = "Kestrin2.com_variable_vector.1";
inline constexpr std::string_view vi_progid_com_manager = "Kestrin2.com_manager";
inline constexpr std::string_view vi_progid_com_variable = "Kestrin2.com_variable";
inline constexpr std::string_view vi_progid_com_variable_vector = "Kestrin2.com_variable_vector";

// Source of the failure of a late-bound element access beyond the end of a
// vector.
inline constexpr std::string_view vector_element_source = "Ulvane vector";

namespace manager_dispid {
inline constexpr platform::automation::DISPID start = 1;
inline constexpr platform::automation::DISPID stop = 2;
inline constexpr platform::automation::DISPID get = 3;
inline constexpr platform::automation::DISPID set = 4;
inline constexpr platform::automation::DISPID watch = 5;
inline constexpr platform::automation::DISPID end_watch = 6;
inline constexpr platform::automation::DISPID get_all = 7;
inline constexpr platform::automation::DISPID get_changes = 8;
inline constexpr platform::automation::DISPID num_threads = 9;
inline constexpr platform::automation::DISPID poll_period = 10;
inline constexpr platform::automation::DISPID timeout = 11;
inline constexpr platform::automation::DISPID retry_count = 12;
inline constexpr platform::automation::DISPID user = 13;
inline constexpr platform::automation::DISPID password = 14;
inline constexpr platform::automation::DISPID get_device_changes = 15;
inline constexpr platform::automation::DISPID clear_watch = 16;
inline constexpr platform::automation::DISPID end_device_watch = 17;
inline constexpr platform::automation::DISPID watch_size = 18;
inline constexpr platform::automation::DISPID get_next = 19;
} // namespace manager_dispid

namespace variable_dispid {
inline constexpr platform::automation::DISPID ip = 1;
inline constexpr platform::automation::DISPID name = 2;
inline constexpr platform::automation::DISPID value = 3;
inline constexpr platform::automation::DISPID valid = 4;
inline constexpr platform::automation::DISPID type = 5;
} // namespace variable_dispid

namespace vector_dispid {
inline constexpr platform::automation::DISPID length = 1;
inline constexpr platform::automation::DISPID at = 2;
// Element n answers DISPID element_base + n (pure property get only).
inline constexpr platform::automation::DISPID element_base = 256;
} // namespace vector_dispid

} // namespace kestrin2
