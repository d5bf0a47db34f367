#pragma once
// Schema numbers of the sheet objects' archive forms: every class writes 2;
// loaders read their own fields for 1 and 2 alike (a class whose schema 1
// lacks fields says so) and none for any other number.
#include <cstdint>

namespace model {

inline constexpr std::uint16_t kSheetSchema = 2;

constexpr bool IsKnownSchema(std::uint32_t schema) {
    return schema == 1 || schema == 2;
}

} // namespace model
