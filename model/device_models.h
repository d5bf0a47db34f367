#pragma once
// The device model table: the model code a device keeps in its type code
// names its row; the row's name is drawn in a unit's body, names its colour
// keys in Ostrel.ini ("<name>Back", ...) and is shown by the DSP editor.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/gdi_types.h"

namespace model {

struct CProgramSettings;

// Fixed 30-byte, zero-padded rows, as the table was laid out.
inline constexpr std::size_t kModelNameSize = 30;
inline constexpr std::size_t kModelCount = 22;

namespace detail {
struct model_name_t {
    char text[kModelNameSize];
};
} // namespace detail

inline constexpr std::array<detail::model_name_t, kModelCount> g_szModelName = {{
    {"BASE"},      {"QLA-1"},      {"QLA-8A"},    {"QLA-206A"},  {"QLM-0808A"}, {"QLM-1600A"},
    {"QLM-0016A"}, {"QLM-0412A"},  {"QLM-1204A"}, {"QLM-0202A"}, {"QLM-800"},   {"PC"},
    {"CD"},        {"MP"},         {"SPEAKER"},   {"AMPLIFIER"}, {"GENERIC"},   {"TEXT"},
    {"MATRIX"},    {"QLM-0202NM"}, {"QLR-450"},   {"QLV-3300A"},
}};

// Model codes the program refers to by name.
inline constexpr std::int32_t kModelPc = 11;
inline constexpr std::int32_t kModelCd = 12;
inline constexpr std::int32_t kModelMp = 13;
inline constexpr std::int32_t kModelSpeaker = 14;
inline constexpr std::int32_t kModelAmplifier = 15;
inline constexpr std::int32_t kModelGeneric = 16;
inline constexpr std::int32_t kModelText = 17;
inline constexpr std::int32_t kModelMatrix = 18;
inline constexpr std::int32_t kModelQOVG = 21;

// The row's name; empty for a code outside the table (a file may carry any
// number).
std::string_view ModelName(std::int32_t model);

// Models 4, 7, 8, 9, 10 and 19: a unit drawn as two devices with one id,
// sub-type 1 the input half and 2 the output half.
constexpr bool IsTwoHalfModel(std::int32_t model) {
    return model == 4 || model == 7 || model == 8 || model == 9 || model == 10 || model == 19;
}

// colours[0..3] of a new device of that model from Ostrel.ini, section
// "ColorScheme": "<name>Back" (default `back`), "<name>Fore", "<name>Other"
// and "<name>Title" (default 0 each), in the slots body fill, frame, channel
// labels, title text. Taken from the current program settings, or from the
// given snapshot for a constructor that reads more of it.
std::array<COLORREF, 4> ReadDeviceColours(std::int32_t model, COLORREF back);
std::array<COLORREF, 4> ReadDeviceColours(const CProgramSettings& settings, std::int32_t model,
                                          COLORREF back);

} // namespace model
