#pragma once
// An error of the library's own numbering (qo::errorcode).
#include <cstdint>
#include <string_view>

#include "qo/errorcode_table.h"
#include "qo/exception.h"

namespace qo {

class errorcode_t : public exception_t {
public:
    // Text = `text` + ": " + the table text of the code, or
    // `text` + ": unkown qo::errorcode 0x<code>" for a code not in the table.
    errorcode_t(std::uint32_t code, std::string_view text);

    std::uint32_t code() const noexcept { return code_; }

    // The first table row with the code, or nullptr.
    static const errorcode_info_t* find(std::uint32_t code);

private:
    std::uint32_t code_;
};

} // namespace qo
