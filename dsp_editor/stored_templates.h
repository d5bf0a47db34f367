#pragma once
// Templates stored on the DSP unit: up to eight programs the unit keeps in
// slots 01-08 and switches between by itself. Storing sends the sheet's
// download program framed by "*SAVEM" and "*ENDMD#"; because the unit keeps
// parameter values across its templates, each store program also resets
// every parameter that another stored template of the same structure name
// changed. Every template of the unit with that name is stored again, each
// from its saved sheet file, in slot order.
//
// Ostrel.ini lists them: [FirAriTemplateNum] Number (units listed),
// [FirmAriTemplateDeviceMAC] 1..Number (their MACs), and per unit
// [<MAC>-FirmAriTemplate] <slot> (sheet file path), <slot>TYPENAME and
// <slot>CHILDTYPENAME (structure and parameter names).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dsp_editor {

class CStoreList;
class CZoDSPDoc;

inline constexpr int kTemplateSlots = 8;
// Both names travel in fields of this many characters.
inline constexpr std::size_t kTemplateNameLength = 12;

// Whether `slot` names one of the unit's template slots.
inline bool IsTemplateSlot(int slot) {
    return slot >= 1 && slot <= kTemplateSlots;
}

// The entry of slot 1-8 in a list of the unit's slots.
inline std::size_t TemplateSlotIndex(int slot) {
    return static_cast<std::size_t>(slot - 1);
}

// The sheet file of each slot of one unit, slot 1 first; empty: none.
using TemplateSlotPaths = std::array<std::string, kTemplateSlots>;

// The reset commands `other` (another stored template) needs: when its
// structure name is `structName` (case-sensitive), for each of its
// parameters off the reset state the command that resets it; each stands
// once from `start` on, except a filter's bypass, once per template.
void CompareFirmTemplates(const CZoDSPDoc& other, std::string_view structName, std::size_t start,
                          CStoreList& list);

} // namespace dsp_editor
