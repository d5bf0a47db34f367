#include "device_editor/config_view_controller.h"

#include <utility>

namespace device_editor {

CConfigViewController::CConfigViewController(std::filesystem::path programFolder,
                                             IHardwareConfigFrame& frame)
    : m_file(std::move(programFolder)), m_frame(frame) {}

void CConfigViewController::Refresh() {
    m_rows.clear();
    for (const StoredUnit& unit : m_file.List())
        m_rows.push_back({LowerCase(unit.mac), unit.model});
}

} // namespace device_editor
