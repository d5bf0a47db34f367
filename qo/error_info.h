#pragma once
// Error information for an automation caller whose call failed.
#include <string_view>

#include "platform/automation/types.h"

// Fills `info` (when not null) with code 1001, the source and the
// description as new BSTRs and every other field zero; returns
// DISP_E_EXCEPTION for the method to return.
platform::automation::HRESULT fill_excepinfo(platform::automation::EXCEPINFO* info,
                                             std::string_view source, std::string_view description);
