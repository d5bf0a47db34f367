#pragma once
// The hardware-configuration add dialog's logic without its widget: the
// unit model and the three groups of the serial number.
#include <optional>
#include <string>
#include <string_view>

#include "device_editor/hardware_config.h"

namespace device_editor {

// CDeviceDlgAddConfig: a model combo (AddableUnitModels(), first selected)
// and three serial groups of 6, 4 and 8 characters.
class CAddConfigController {
public:
    // -1 no move; else the group (0-2) the focus moves to.
    int SetGroup(int group, std::string_view text);
    const std::string& Group(int group) const { return m_groups[group]; }
    void SelectModel(int index) { m_model = index; }
    int SelectedModel() const { return m_model; }
    // OK is enabled exactly then: 6, 4 and 8 characters and the serial
    // parses.
    bool IsSerialComplete() const;
    // OK: the new unit, or none after message resources::kMsgSerialFormat with the
    // group at fault in `focus`.
    std::optional<NewUnit> Accept(int& focus) const;

private:
    std::string m_groups[3];
    int m_model = 0;
};

} // namespace device_editor
