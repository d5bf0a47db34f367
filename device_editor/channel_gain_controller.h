#pragma once
// CChannelGainController: the channel gain dialog of a unit without its
// widget. Sets the input gain (steps of 6 dB, 0..11) and the +48 V phantom
// power of each input channel; while the unit is marked on line in the
// running sheet every change goes to the unit at once as its gain command
// (ChannelGainCommand of the run state) and is kept only when the unit
// answered, otherwise it is only stored in the channel.
//
// Intended widget (dialog 140): caption from the dialog's own text plus
// CaptionSuffix(); label 1012 AddressLabel(); eight columns of twelve
// two-state picture buttons (1014 + 12 c + row, row 0 = "+66 dB" .. row 11 =
// "0 dB") with a phantom-power bar under each (1276 + c) and a label
// (1222 + c), all drawn from Column(c); the narrow, medium or full width from
// LayoutState(); a horizontal scroll bar over 0..ScrollMax() (hidden, and
// the dialog cut above it, when that is 0): line moves ScrollBy(+-1), page
// ScrollBy(+-8), thumb ScrollTo(pos); button clicks OnGainButton, bar clicks
// OnPhantomBar, then every column is drawn again; F5 is swallowed; the
// close box calls OnClose before the dialog ends.
//
// Units: channel index i counts the unit's inputs from 0; column c shows
// channel ScrollPos() + c. A stored step of 12..15 (the channel allows
// 0..15) selects no button.
#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "device_editor/sheet_lock.h"

namespace model {
class CBaseDevice;
class CDeviceChnl;
} // namespace model

namespace device_editor {

class CZoDeviceDoc;
class IUnitPort;

class CChannelGainController {
public:
    static constexpr int kColumns = 8;
    static constexpr int kRows = 12;

    // What one column shows.
    struct Column {
        bool shown = false;   // a channel of the unit stands in it
        int channel = -1;     // its index
        std::string label;    // "In %d", index + 1
        bool enabled = false; // the channel's gain can be set (property 3)
        int selectedRow = -1; // the button of the stored step, -1 for none
        bool phantom = false; // the bar's state
    };

    // Whether the dialog opens for the device: a unit of model 3, or of
    // model 4, 5, 7, 8 or 9 with sub-type 1.
    static bool OpensFor(const model::CBaseDevice& device);

    // `unit` and `doc` outlive the controller. The unit file is read from
    // "Configuration" under `programFolder`.
    CChannelGainController(CZoDeviceDoc& doc, model::CBaseDevice& unit, IUnitPort& port,
                           std::filesystem::path programFolder, SheetLock lock = {});
    ~CChannelGainController();
    CChannelGainController(const CChannelGainController&) = delete;
    CChannelGainController& operator=(const CChannelGainController&) = delete;

    // The address check, then the channel properties from the unit file
    // (the other half's too); remembers the unit as opened for the undo
    // step.
    void Open();

    // "(" + the unit's name + ")".
    std::string CaptionSuffix() const;
    // 0 narrow, 1 medium (model 7), 2 wide (models 3, 4, 5, 8).
    int LayoutState() const;
    // 8 for model 5, 4 for model 8, else 0 (no scroll bar).
    int ScrollMax() const;
    int ScrollPos() const { return m_scroll; }
    // Clamped to 0..ScrollMax().
    void ScrollTo(int position);
    void ScrollBy(int delta) { ScrollTo(m_scroll + delta); }

    // The address the commands go to ("0.0.0.0" until the main frame knows
    // the unit in the adapter's subnet) and label 1012.
    const std::string& Address() const { return m_address; }
    std::string AddressLabel() const;

    Column GetColumn(int column) const;

    // Button `row` (0..11, step 11 - row) of column `column`: asks question
    // 394, then stores the step, or sends it to an online unit and stores it
    // when the unit answered (line 383), else refreshes the address and the
    // properties and lists line 384.
    void OnGainButton(int column, int row);
    // The phantom bar of the column: switching on asks question 393 first;
    // then stored or sent as a gain change is.
    void OnPhantomBar(int column);

    // The dialog closes: when a gain or phantom power was stored, the sheet
    // is marked modified with one undo step (kind 3) holding the unit as it
    // was opened.
    void OnClose();

    bool Changed() const { return m_changed; }

private:
    void CheckAddress();
    void LoadChannelProperties();
    // The channel of the column when its gain can be set, else null.
    model::CDeviceChnl* AdjustableChannel(int column) const;
    // Stores (offline) or sends and stores (online) the gain step and
    // phantom flag of channel `index`.
    void Apply(model::CDeviceChnl& channel, int index, int step, bool phantom);

    CZoDeviceDoc& m_doc;
    model::CBaseDevice& m_unit;
    IUnitPort& m_port;
    std::filesystem::path m_programFolder;
    SheetLock m_lock;
    std::string m_address = "0.0.0.0";
    int m_scroll = 0;
    bool m_changed = false;
    std::unique_ptr<model::CBaseDevice> m_opened;
};

} // namespace device_editor
