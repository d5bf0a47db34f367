#pragma once
// What the monitored amplifier's status window and its limits dialog share
// without their widgets (amplifier_monitor_controller.h,
// amplifier_limits_controller.h): the readings' scales, bars and texts.
// Neither talks to the unit: both read and write the unit's
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
#include <cstddef>
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

// The record's index of reading k.
std::size_t RecordIndex(int k);
// The text less blanks at both ends.
std::string Trimmed(const std::string& text);
// A typed decimal number: its leading number, 0 when there is none.
double Decimal(const std::string& text);
// The window title of message `id` for the unit.
std::string UnitTitle(int id, const model::CDeviceQOVG& unit);

} // namespace amplifier

// A level bar's range and markers.
struct LevelBar {
    int low = 1;
    int high = 1;
    std::vector<int> markers;
    int step = 30;
};

} // namespace device_editor
