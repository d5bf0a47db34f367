#pragma once
// The modeless read-only view of the stored units without its widget.
#include <filesystem>
#include <string>
#include <vector>

#include "device_editor/hardware_config.h"
#include "device_editor/unit_configuration.h"

namespace device_editor {

// CDeviceDlgConfigView: the accepted unit files, 12-character MAC in lower
// case and model.
class CConfigViewController {
public:
    struct Row {
        std::string mac;
        std::string model;
    };
    CConfigViewController(std::filesystem::path programFolder, IHardwareConfigFrame& frame);
    // Lists the files again.
    void Refresh();
    const std::vector<Row>& Rows() const { return m_rows; }
    // The window closes: the frame destroys it on this code.
    void Close() { m_frame.Notify(kNotifyCloseHwConfig); }

private:
    CUnitConfigFile m_file;
    IHardwareConfigFrame& m_frame;
    std::vector<Row> m_rows;
};

} // namespace device_editor
