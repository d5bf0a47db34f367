#pragma once
// The meter's dialog without its widgets: one level bar per meter channel,
// each linked on the sheet to an output of another module, polled every
// 100 ms while the sheet is live; and the meter's own display settings per
// channel: peak-hold time (1 to 1000 ms), hold and infinite hold. These are
// stored in the sheet but never sent: the meter only reads.
//
// Widgets: channel k's controls sit at the template's positions offset by
// MeterChannelOffset(k); the window is MeterWindowSize. The hold-time edit
// forwards its events to OnHoldTimeEdit(k, ...) (Enter as "\r\n"), its
// up-down control's scrolling to OnHoldTimeScroll(k, position); the hold
// and infinite-hold buttons to OnHoldClick / OnInfiniteHoldClick(k). The
// widget's 100 ms timer is the IMeterTimer the controller starts and kills;
// its ticks call Tick. ShowMeterLevel (from the view) is forwarded to
// ShowMeterLevel, then the bar takes Channel(k).barLevel and the readout
// Channel(k).readout. A background click moves the focus to the scale, so
// that an edit holding it applies. After any call the widgets show
// Channel(k) (captions, edit text, up-down position, the buttons and the
// bar's hold settings).
//
// User-interface thread only.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "attri_dialogs/attri_controller.h"
#include "model/ari_meter.h"
#include "platform/gdi/geometry.h"

namespace attri_dialogs {

// The widget's repeating timer.
class IMeterTimer {
public:
    virtual ~IMeterTimer() = default;
    virtual void Start(std::int32_t periodMs) = 0;
    virtual void Kill() = 0;
};

// What a meter dialog shows of one channel.
struct MeterChannel {
    std::string number;                        // "In 1"
    std::string moduleCaption = "Not Linked";  // the linked module
    std::string channelCaption = "Not Linked"; // its output
    ValueEdit holdTime;
    std::int32_t upDown = 100;
    std::int32_t hold = 1;
    std::int32_t infiniteHold = 0;
    std::int32_t barLevel = -60; // dB, as the bar shows it
    std::string readout = "-100.00";
};

// The two caption rows of a channel linked to `linkedChannel` (its number
// among all channels of `linked`, inputs first).
struct MeterCaption {
    std::string module;
    std::string channel;
};
MeterCaption MeterChannelCaption(const model::CBaseAriModule& linked, std::int32_t linkedChannel);
// The read-back code of a module type; none for a type that is not polled.
std::optional<std::int32_t> MeterReadCode(std::int32_t typeCode);

inline constexpr std::int32_t kMeterPeriodMs = 100;
// Where channel k's controls go, from the template's (in pixels).
platform::gdi::Point MeterChannelOffset(std::int32_t k);
// The window of a meter with `channels` channels.
platform::gdi::Size MeterWindowSize(std::int32_t channels);

class CAttriMeterController final : public CAttriController {
public:
    CAttriMeterController(dsp_editor::CZoDSPView& view, model::CAriMeter& meter);

    model::CAriMeter& Meter() const { return m_meter; }
    std::int32_t Channels() const { return m_channels; }
    const MeterChannel& Channel(std::int32_t k) const { return m_rows[Ix(k)]; }
    ValueEdit& HoldTimeEdit(std::int32_t k) { return m_rows[Ix(k)].holdTime; }
    bool TimerRunning() const { return m_timerRunning; }

    // The dialog opened: while live the console's get list is cleared, and
    // the timer starts (also view-only; its first tick kills it).
    void Open(IMeterTimer* timer);
    // One 100 ms tick: a get per linked channel while live and editable.
    void Tick();
    // The close box: the timer is killed first.
    bool OnClose() override;

    // A level the unit answered for channel k (from 0); others are ignored.
    void ShowMeterLevel(std::int32_t k, double dB);

    // Whether the module changed.
    bool OnHoldTimeEdit(std::int32_t k, EEditEvent event);
    void OnHoldTimeScroll(std::int32_t k, std::int32_t position);
    bool OnHoldClick(std::int32_t k);
    bool OnInfiniteHoldClick(std::int32_t k);
    // Whether every channel holds 100 ms, hold on and infinite hold off.
    bool AtDefaults() const override;
    // Hold settings from the module; the captions stay as they were.
    void Refresh();

private:
    static std::size_t Ix(std::int32_t n) { return static_cast<std::size_t>(n); }
    void SetChannelCaption(std::int32_t k, std::int32_t linkedId, std::int32_t linkedChannel);
    // Reads, clamps and shows channel k's edit; applies a new hold time.
    bool ApplyHoldTime(std::int32_t k);
    // The undo copy, the change on the module and the copy, the modified
    // flag and the binding group; no command.
    void ApplyHold(std::int32_t k, const model::CAriMeter::PeakHold& hold);
    void KillTimer();

    model::CAriMeter& m_meter;
    CConsoleCommandSink m_sink;
    std::int32_t m_channels = 0;
    std::array<MeterChannel, model::CAriMeter::kMaxInputs> m_rows;
    IMeterTimer* m_timer = nullptr;
    bool m_timerRunning = false;
};

} // namespace attri_dialogs
