#include "device_editor/add_config_controller.h"

#include <algorithm>

#include "device_editor/config_password_controller.h"
#include "device_editor/unit_configuration.h"
#include "model/messages.h"
#include "platform/text/ascii.h"
#include "resources/message_ids.h"

namespace device_editor {

int CAddConfigController::SetGroup(int group, std::string_view text) {
    m_groups[group] = std::string(text);
    const std::size_t length = Utf8Length(text);
    if (group == 0 && length == 6)
        return 1;
    if (group == 1 && length == 4)
        return 2;
    return -1;
}

bool CAddConfigController::IsSerialComplete() const {
    return Utf8Length(m_groups[0]) == 6 && Utf8Length(m_groups[1]) == 4 &&
           Utf8Length(m_groups[2]) == 8 &&
           ParseSerial(m_groups[0] + "-" + m_groups[1] + "-" + m_groups[2]).has_value();
}

std::optional<NewUnit> CAddConfigController::Accept(int& focus) const {
    const std::string serial = m_groups[0] + "-" + m_groups[1] + "-" + m_groups[2];
    const std::optional<ParsedSerial> parsed = ParseSerial(serial);
    const auto isHex = [](std::string_view text) {
        return std::all_of(text.begin(), text.end(),
                           [](char c) { return platform::text::hex_digit_value(c) >= 0; });
    };
    // The first group names the unit's file: six hexadecimal digits only.
    focus = Utf8Length(m_groups[0]) != 6 || !isHex(m_groups[0]) ? 0
            : Utf8Length(m_groups[1]) != 4                      ? 1
            : Utf8Length(m_groups[2]) != 8                      ? 2
            : !parsed                                           ? 1
                                                                : -1;
    if (focus >= 0) {
        model::ShowMessage(resources::kMsgSerialFormat);
        return std::nullopt;
    }
    const UnitModel row = AddableUnitModels().at(static_cast<std::size_t>(m_model));
    return NewUnit{
        serial,     std::string(row.name), row.code, parsed->macDigits, parsed->bundle1, row.inputs,
        row.outputs};
}

} // namespace device_editor
