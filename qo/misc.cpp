#include "qo/bstr.h"
#include "qo/error_info.h"
#include "qo/format.h"
#include "qo/module_dir.h"

#include "qo/detail/text_limit.h"
#include "qo/wapi/exception.h"
#include "qo/wapi/system_text.h"

#include <unistd.h>

#include <climits>
#include <vector>

namespace qo {

platform::automation::BSTR string_to_bstr(std::string_view text) {
    platform::automation::BSTR result = platform::automation::SysAllocString(text);
    if (!result)
        throw wapi::exception_t(wapi::error_not_enough_memory, "qo::string_to_bstr");
    return result;
}

std::string vformat(std::string_view format, const std::vector<platform::text::format_arg>& args) {
    std::string text = platform::text::vformat(format, args);
    detail::cut_text(text);
    return text;
}

const std::string& module_dir() {
    static const std::string dir = [] {
        std::vector<char> path(PATH_MAX);
        for (;;) {
            const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
            if (length < 0)
                return std::string();
            if (static_cast<std::size_t>(length) < path.size()) {
                std::string text(path.data(), static_cast<std::size_t>(length));
                return text.substr(0, text.rfind('/') + 1);
            }
            path.resize(path.size() * 2);
        }
    }();
    return dir;
}

} // namespace qo

std::string bstr_to_string(platform::automation::BSTR text) {
    return std::string(platform::automation::bstr_view(text));
}

platform::automation::HRESULT fill_excepinfo(platform::automation::EXCEPINFO* info,
                                             std::string_view source,
                                             std::string_view description) {
    if (info) {
        *info = platform::automation::EXCEPINFO{};
        info->wCode = 1001;
        info->bstrSource = platform::automation::SysAllocString(source);
        info->bstrDescription = platform::automation::SysAllocString(description);
    }
    return platform::automation::DISP_E_EXCEPTION;
}
