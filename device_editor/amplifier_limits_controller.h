#pragma once
// The monitored amplifier's limits dialog without its widget (see
// amplifier_readings.h for what it reads and the requests it sets).
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "device_editor/amplifier_readings.h"
#include "device_editor/sheet_lock.h"

namespace model {
class CDeviceQOVG;
}

namespace device_editor {

class CZoDeviceDoc;

// Intended widget (dialog 338, modal): title Title(); per row k the name,
// scale lower and upper, "是否报警", alarm lower and upper edits and the
// unit combo (UnitChoices(k), item data 0 scaled, 1 raw) bound to
// GetRow(k), the combo's change calling OnUnitChanged; "启动报警" bound to
// global; "刷新" OnRefresh, "下载并固化" OnDownload, "确定" OnOk (the dialog
// closes when it returns true; FocusRow() names the edit to focus).
class CAmplifierLimitsController {
public:
    static constexpr int kNoUnit = -1;
    static constexpr int kScaled = 0;
    static constexpr int kRaw = 1;

    struct Row {
        std::string name;
        std::string scaleLower;
        std::string scaleUpper;
        bool alarmOn = false;
        std::string alarmLower;
        std::string alarmUpper;
        int unit = kNoUnit;
    };
    struct Failure {
        int message = 0;
        int row = 0;
    };

    CAmplifierLimitsController(CZoDeviceDoc& doc, model::CDeviceQOVG& unit, SheetLock lock = {});

    std::string Title() const;
    // The quantity with its unit, then "绝对值".
    static std::array<std::string, 2> UnitChoices(int k);

    // The rows and the global check from the record.
    void Load();
    Row& GetRow(int k) { return m_rows[static_cast<std::size_t>(k)]; }
    bool global = false;

    // The row's four limits as the record holds them, in the chosen form.
    void OnUnitChanged(int k, int unit);
    // The first failing check, rows in order.
    std::optional<Failure> Validate() const;
    // Validation (message), then an empty name (message); then everything
    // stored. True when the dialog may close.
    bool OnOk();
    // Validation, then the changed global switch and the alarm limits of
    // each row with a unit chosen, with their set requests.
    bool OnDownload();
    // The re-read requests of global monitoring and the three channels.
    void OnRefresh();
    // 1047: the rows again, the channel re-read requests cleared; 1048: the
    // global check again, its re-read request cleared.
    void OnNotify(int code);
    // The row whose name edit takes the focus after OnOk refused, or -1.
    int FocusRow() const { return m_focusRow; }

private:
    void ShowLimits(int k, bool raw);

    CZoDeviceDoc& m_doc;
    model::CDeviceQOVG& m_unit;
    SheetLock m_lock;
    std::array<Row, amplifier::kReadings> m_rows;
    int m_focusRow = -1;
};

} // namespace device_editor
