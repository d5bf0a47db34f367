#pragma once
// CDeviceNy: a unit of the maker's model range on a device sheet, a box with
// its inputs down the left side and its outputs down the right. Models 4, 7,
// 8, 9, 10 and 19 are shown as two CDeviceNy with one id: sub-type 1 the
// input half, 2 the output half. The sub-type also names the channels and
// says which are network channels:
//
//   sub-type  inputs               outputs
//   0         "", physical         "", physical
//   1         "In %d", physical    "Send %d", network
//   2         "Rece %d", network   "Out %d", physical
//   3         "Rece %d"            "Send %d"  (kinds by model: 1, 2, 3)
//   other     "!!ERROR!!", physical
//
// colours[0] body fill ("Back"), [1] frame ("Fore"), [2] channel labels
// ("Other"), [3] title text ("Title"). The device flag is the online mark:
// set only while the run state finds the unit, never after a load.
//
// Archive form (schema 2; 1 and 2 read alike): bundle 1, bundle 2 (int32
// each); then the class reference of CBaseDevice and its part.
#include <cstdint>
#include <string>

#include "model/base_device.h"

namespace model {

class CDeviceNy : public CBaseDevice {
    ARCHIVE_DECLARE_SERIAL(CDeviceNy)
public:
    // For the archive: bundles 0, colours 0, IP "0.0.0.0", not selected.
    CDeviceNy();
    // A new unit of `model` at (x, y): counts, body and default colour by
    // model (models 5, 6 and 20 force their sub-type), title box above the
    // body, name "Device<id>", colours from Ostrel.ini, channels.
    CDeviceNy(const TextMeasurer& dc, std::int32_t x, std::int32_t y, std::int32_t id,
              std::int32_t model, std::int32_t subType);

    void Serialize(platform::archive::archive_t& ar) override;

    // Sets the name and sizes the title: the name's width in "Arial" 14
    // plus 15, rounded up to a multiple of 10 plus 1.
    void SetName(const std::string& name, const TextMeasurer& dc) override;
    void Draw(Canvas& dc, std::int32_t dx, std::int32_t dy) override;

    // The bundles, then every device field and the channels.
    void CopyFrom(const CDeviceNy& other);

    // The text in the title box: "<name>#I" / "<name>#O" for the halves of
    // a two-half unit, else the name.
    std::string TitleText() const;

    std::int32_t m_bundle1 = 0; // first transmit bundle (TxBundle1)
    std::int32_t m_bundle2 = 0; // second transmit bundle (TxBundle2)

protected:
    struct unit_shape_t {
        std::int32_t channels; // inputs and outputs alike
        std::int32_t width, height;
        COLORREF back;
        std::int32_t channelProperty;
        bool subTypeThree; // sub-type 3 names channels as the single-piece units do
    };
    // What both initialising constructors do once the model's shape is known.
    void BuildUnit(const TextMeasurer& dc, std::int32_t x, std::int32_t y, std::int32_t id,
                   std::int32_t model, std::int32_t subType, const unit_shape_t& shape);
};

} // namespace model
