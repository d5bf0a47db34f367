#pragma once
// Error information: the record a failing call leaves on its thread
// (source, description, the interface that failed) for its caller to fetch.
// One record per thread, shared by every library in the process.
#include "platform/automation/interfaces.h"

#include <string>
#include <string_view>

namespace platform::automation {

// Replaces the thread's record (null clears it); takes its own reference.
HRESULT SetErrorInfo(IErrorInfo* info);
// Hands out the thread's record and clears it: S_OK with the record, S_FALSE
// and null when there is none.
HRESULT GetErrorInfo(IErrorInfo** out);

// A new record with one reference for the caller.
HRESULT create_error_info(const IID& iid, std::string_view source, std::string_view description,
                          IErrorInfo** out);
// Creates a record and makes it the thread's.
HRESULT set_error_info(const IID& iid, std::string_view source, std::string_view description);
inline HRESULT set_error_info(std::string_view source, std::string_view description)
{
    return set_error_info(GUID_NULL, source, description);
}

// A short English text for the codes this layer knows, "Error 0x%08X" for the others.
std::string hresult_text(HRESULT hr);

} // namespace platform::automation
