#pragma once
// The monitored amplifier's status window and its limits dialog without
// their widgets. Neither talks to the unit: both read and write the unit's
// monitoring record (model::CDeviceQOVG) and set request flags in it, which
// the run state's status poller carries to the unit; the poller's
// notifications 0x415 (new readings and volumes) and 0x416 (new sleep
// state) reach the status window, and the limits dialog's answers (1047
// channel parameters read, 1048 global monitoring read) are passed on to
// the open limits dialog. Every write of the record is made under the
// sheet lock; every stored change marks the sheet modified with an undo
// step (kind 3) holding the unit as it was before.
//
// The monitored readings k = 0 current, 1 voltage, 2 temperature are the
// unit's analog inputs 6 + k (index 5 + k); a raw value r (0..1023) shows as
// r x full scale / 1023 (15 A, 100 V, 80 degrees). An unknown reading (-1)
// shows an empty field, puts its bar at the bottom and never blinks; so does
// an unknown volume (not a number). The run state makes both unknown when
// the unit can no longer be read.
//
// Requests: sleep switch = output toggle 0, store output gain = firmware
// query, set output gains = gain set, read the sleep state = query 0; the
// limits dialog's set / re-read global monitoring = settings changed /
// settings edit, set / re-read channel k = analog run flags 1 / 2 of
// index 5 + k.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device_editor/sheet_lock.h"

namespace model {
class CDeviceQOVG;
}

namespace device_editor {

class CZoDeviceDoc;

// The limits dialog's notifications, passed on by the status window.
inline constexpr int kNotifyChannelsRead = 1047;
inline constexpr int kNotifyGlobalRead = 1048;

namespace amplifier {

inline constexpr int kReadings = 3;
inline constexpr int kRawFullScale = 1023;
inline constexpr std::uint32_t kAlarmRed = 0x0000FF;
inline constexpr std::uint32_t kFieldGrey = 0xC8D0D4;
inline constexpr int kBlinkMs = 300;
inline constexpr int kIdleMs = 1000;

// The record index of reading k.
constexpr int AnalogIndex(int k) {
    return 5 + k;
}
double FullScale(int k);
// A raw value shown raw ("%d") or scaled ("%.1f").
std::string ShowValue(int raw, int k, bool rawDisplay);
// The same for a reading; empty while it is unknown (negative).
std::string ShowReading(int raw, int k, bool rawDisplay);
// A typed value stored: rounded as it is in raw display, else
// value x 1023 / full scale to the nearest integer.
int StoreValue(double typed, int k, bool rawDisplay);
// The seven scale marks of reading k, top to bottom, joined by blank
// lines.
std::string ScaleLabels(const model::CDeviceQOVG& unit, int k);
// A reading's bar position (the current and voltage bars stretch their
// lower part); 1 for an unknown reading.
int ReadingBarPosition(int k, int raw);
// A volume's bar position: 1211 + 10 (dB - 21), to the nearest integer; 1
// for an unknown volume.
int VolumeBarPosition(float dB);
// "%.1f", empty for an unknown volume.
std::string ShowVolume(float dB);
// The output-gain slider: position 1 - 10 dB to the nearest integer, and
// back (1 - position) / 10.
int SliderPosition(float dB);
float SliderGain(int position);

} // namespace amplifier

// A level bar's range and markers.
struct LevelBar {
    int low = 1;
    int high = 1;
    std::vector<int> markers;
    int step = 30;
};

class CAmplifierLimitsController;

// Intended widget (dialog 337, modeless, the document's status window of the
// unit): title Title(); the captions Caption(k) over the value fields; the
// scale texts ScaleLabel(k); five level bars (left and right volume from
// VolumeBar(), voltage, current and temperature from ReadingBar(k)) placed
// from GetReadings() after 0x415; the sleep button "功放休眠开关" from
// GetSleepSwitch() (again after 0x416) calling OnSleepSwitch; "固化输出增益"
// calling OnStoreGain; "参数设置..." opening the limits dialog with
// SetOpenLimits around it, then ScaleLabel and ReadingBar again; timer 3
// calling Blink() and restarting with the interval it returns, the fields
// painted in FieldColour(k); the output-gain slider (range 1..1271, tick
// 250, at SliderPos()) showing OnSliderMoving in the box and calling
// OnSliderReleased; the box calling OnGainBoxCommit on Enter or focus loss.
class CAmplifierMonitorController {
public:
    struct Readings {
        std::array<int, amplifier::kReadings> barPositions{};
        std::array<std::string, amplifier::kReadings> texts;
        std::array<int, 2> volumePositions{}; // left, right
        std::array<std::string, 2> volumeTexts;
    };
    struct SleepSwitch {
        std::string caption; // "On" or "Off"
        bool pressed = false;
    };
    struct GainBox {
        std::string text;
        std::optional<int> sliderPosition; // when the gain changed
    };

    // `doc` and `unit` outlive the controller.
    CAmplifierMonitorController(CZoDeviceDoc& doc, model::CDeviceQOVG& unit, SheetLock lock = {});

    // Asks the poller for the sleep state and takes the switch's state.
    void Open();

    std::string Title() const;
    // "电流(安)", "电压(伏)", "温度(摄氏度)".
    static std::string Caption(int k);
    std::string ScaleLabel(int k) const;
    // 1..(scale upper - scale lower + 1) with the alarm limits as markers.
    LevelBar ReadingBar(int k) const;
    // 1..1210 with markers at 1000 and 1.
    static LevelBar VolumeBar();

    Readings GetReadings() const;
    SleepSwitch GetSleepSwitch() const;
    // 0x415: nothing to keep (GetReadings shows the record); 0x416: the
    // switch shows the unit's state again; 1047 and 1048 go to the open
    // limits dialog.
    void OnAppNotify(int code);
    void SetOpenLimits(CAmplifierLimitsController* limits) { m_limits = limits; }

    // Timer 3: the next alarm colours; returns the next interval (300 ms
    // while polled with global monitoring on, else 1000 ms).
    int Blink();
    std::uint32_t FieldColour(int k) const { return m_colours[static_cast<std::size_t>(k)]; }

    void OnSleepSwitch();
    void OnStoreGain();

    int SliderPos() const;
    static std::string OnSliderMoving(int position);
    // Both output gains := the slider's gain, with the set-gains request.
    void OnSliderReleased(int position);
    // The box's text (line breaks removed) as a decimal number clamped to
    // -100.0..0.0; stored as both gains when it differs from the left gain.
    // An empty box shows the left gain again.
    GainBox OnGainBoxCommit(std::string text);

private:
    void StoreGains(float dB);

    CZoDeviceDoc& m_doc;
    model::CDeviceQOVG& m_unit;
    SheetLock m_lock;
    bool m_switchOn = false;
    bool m_blinkPhase = false;
    std::array<std::uint32_t, amplifier::kReadings> m_colours = {
        amplifier::kFieldGrey, amplifier::kFieldGrey, amplifier::kFieldGrey};
    CAmplifierLimitsController* m_limits = nullptr;
};

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
