#pragma once
// Text <-> BSTR at the automation boundary. Both sides hold UTF-8 text.
#include <string>
#include <string_view>

#include "platform/automation/types.h"

namespace qo {

// A new BSTR with the text, freed by whoever receives it. Running out of
// memory throws qo::wapi::exception_t "qo::string_to_bstr".
platform::automation::BSTR string_to_bstr(std::string_view text);

} // namespace qo

// The text of a BSTR; a null BSTR gives the empty text.
std::string bstr_to_string(platform::automation::BSTR text);
