#pragma once
// What clients of the firmware updater server (libgorlith.so) know of it:
// class and interface identifiers, ProgIDs and DISPIDs.
#include "platform/automation/guid.h"
#include "platform/automation/interfaces.h"

namespace gorlith {

namespace pa = platform::automation;

inline constexpr pa::GUID LIBID_GORLITHLib = pa::make_guid("{10C3D04E-5A72-47CF-BB97-088679DD1350}");

inline constexpr pa::CLSID CLSID_updater = pa::make_guid("{877FCD5F-037D-4FFB-ADCF-CA396CF069A0}");
inline constexpr pa::CLSID CLSID_unit = pa::make_guid("{CA47882B-CE85-46B5-8773-13420F3F5FEA}");
inline constexpr pa::CLSID CLSID_version = pa::make_guid("{7653C7A6-4A8D-4DF0-8655-BA2C25A947CF}");
inline constexpr pa::CLSID CLSID_com_vector = pa::make_guid("{CF7AEC74-FE4E-4B0B-A01B-A4124827131E}");
inline constexpr pa::CLSID CLSID_update_check = pa::make_guid("{126B6157-8E61-42CF-83C4-A4F9B7807A49}");
inline constexpr pa::CLSID CLSID_job = pa::make_guid("{BCF7D0F3-54A3-4CE9-9DC9-3427C51598E9}");

inline constexpr pa::IID IID_Iupdater = pa::make_guid("{D8D768DF-30DA-4CF8-9757-66723BBCD852}");
inline constexpr pa::IID IID_Iunit = pa::make_guid("{6AFF400F-4EEA-4A7C-8EC9-AECCB2CA082C}");
inline constexpr pa::IID IID_Iversion = pa::make_guid("{2B7BA63A-B530-42BA-ADCA-C03A9DC1A2E9}");
inline constexpr pa::IID IID_Icom_vector = pa::make_guid("{D4AB03BE-D1D6-4052-B6C4-5537D7750A4C}");
inline constexpr pa::IID IID_Iupdate_check = pa::make_guid("{D3923C40-D8E6-4324-A73E-1309B6DF5169}");
inline constexpr pa::IID IID_Ijob = pa::make_guid("{00CE1CAF-9EFB-46C4-9501-BE6CA73D6A06}");

inline constexpr const char* progid_updater = "Gorlith.updater.1";
inline constexpr const char* progid_unit = "Gorlith.unit.1";
inline constexpr const char* progid_version = "Gorlith.version.1";
inline constexpr const char* progid_com_vector = "Gorlith.com_vector.1";
inline constexpr const char* progid_update_check = "Gorlith.update_check.1";
inline constexpr const char* progid_job = "Gorlith.job.1";

// Iupdater
inline constexpr pa::DISPID DISPID_upload = 1;          // method (BSTR ip) -> Ijob
inline constexpr pa::DISPID DISPID_find_all = 2;        // method -> Icom_vector of Iversion
inline constexpr pa::DISPID DISPID_find_prefered = 3;   // method (Iversion) -> Iversion
inline constexpr pa::DISPID DISPID_find_compatible = 4; // method (Iversion) -> Icom_vector
inline constexpr pa::DISPID DISPID_timeout = 5;         // property I4, milliseconds
inline constexpr pa::DISPID DISPID_retries = 6;         // property I4
inline constexpr pa::DISPID DISPID_holdoff = 7;         // property I4, milliseconds
inline constexpr pa::DISPID DISPID_debug = 8;           // property put only, I4
inline constexpr pa::DISPID DISPID_init = 9;            // method (BSTR path)
inline constexpr pa::DISPID DISPID_write_timeout = 10;  // property I4, milliseconds

// Iunit
inline constexpr pa::DISPID DISPID_ver = 1;          // property get -> Iversion
inline constexpr pa::DISPID DISPID_check_update = 2; // method (Iversion) -> Iupdate_check
inline constexpr pa::DISPID DISPID_mac = 3;          // property BSTR
inline constexpr pa::DISPID DISPID_download = 4;     // method (Iversion) -> Ijob
inline constexpr pa::DISPID DISPID_type = 5;         // property get I4
inline constexpr pa::DISPID DISPID_download2 = 6;    // method (Iversion, I4 boot, I4 runtime) -> Ijob

// Iversion
inline constexpr pa::DISPID DISPID_name = 1;
inline constexpr pa::DISPID DISPID_path = 2;
inline constexpr pa::DISPID DISPID_code_cs = 3;
inline constexpr pa::DISPID DISPID_fpga_cs = 4;
inline constexpr pa::DISPID DISPID_fpga2_cs = 5;
inline constexpr pa::DISPID DISPID_boot_cs = 6;
inline constexpr pa::DISPID DISPID_valid = 7;
inline constexpr pa::DISPID DISPID_exists = 8;
inline constexpr pa::DISPID DISPID_is_compatible = 9; // method (Iversion) -> I4

// Iupdate_check
inline constexpr pa::DISPID DISPID_boot_update = 1;
inline constexpr pa::DISPID DISPID_code_update = 2;
inline constexpr pa::DISPID DISPID_fpga_update = 3;
inline constexpr pa::DISPID DISPID_config_update = 4;
inline constexpr pa::DISPID DISPID_boot_differs = 5;

// Ijob
inline constexpr pa::DISPID DISPID_percent = 1; // property get R8
inline constexpr pa::DISPID DISPID_status = 2;  // property get BSTR
inline constexpr pa::DISPID DISPID_done = 3;    // property get I4
inline constexpr pa::DISPID DISPID_cancel = 4;  // method
inline constexpr pa::DISPID DISPID_result = 5;  // method -> Iunit (upload jobs)

// Icom_vector (items also answer the names "0", "1", ... with DISPID 256 + n)
inline constexpr pa::DISPID DISPID_length = 1;
inline constexpr pa::DISPID DISPID_at = 2;

} // namespace gorlith
