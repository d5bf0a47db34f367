#pragma once
// The monitored amplifier's status window without its widget (see
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

} // namespace device_editor
