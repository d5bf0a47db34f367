#include "model/device_ny.h"

#include <memory>

#include "model/device_chnl.h"
#include "model/device_drawing.h"
#include "model/device_models.h"
#include "model/schema.h"
#include "platform/text/format.h"

namespace model {

namespace pa = platform::archive;
using platform::text::format;

ARCHIVE_IMPLEMENT_SERIAL(CDeviceNy, CBaseDevice, kSheetSchema);

namespace {

struct unit_row_t {
    std::int32_t channels, width, height;
    COLORREF back;
    std::int32_t forcedSubType; // 0: as given
};

unit_row_t UnitRow(std::int32_t model, std::int32_t subType) {
    switch (model) {
    case 1:
        return {8, 90, 128, 0xFFCC99, 0};
    case 2:
        return {8, 90, 128, 0xFFFF99, 0};
    case 3:
        return {8, 90, 128, 0xFF9900, 0};
    case 4:
        return {8, 90, 128, 0xD1B9FB, 0};
    case 5:
        return {16, 100, 224, 0x84CEFF, 1};
    case 6:
        return {16, 100, 224, 0xFF00FF, 2};
    case 7:
        return subType == 1 ? unit_row_t{4, 90, 80, 0x7F7FFF, 0}
                            : unit_row_t{12, 100, 176, 0x7F7FFF, 0};
    case 8:
        return subType == 1 ? unit_row_t{12, 100, 176, 0xCCCC66, 0}
                            : unit_row_t{4, 90, 80, 0xCCCC66, 0};
    case 9:
        return {2, 90, 56, 0xD6F7FF, 0};
    case 10:
        return {2, 90, 56, 0xFF97CB, 0};
    case 19:
        return {2, 90, 56, 0x669999, 0};
    case 20:
        return {2, 90, 56, 0xFF99CC, 2};
    default:
        return {8, 90, 128, 0xD1B9FB, 0};
    }
}

struct chnl_scheme_t {
    const char* name; // with "%d" for the position, or a plain text
    std::int32_t kind;
};

// Name and kind of a unit channel: `position` counts from 1 among the
// inputs (or the outputs).
chnl_scheme_t UnitChannel(std::int32_t model, std::int32_t subType, bool input,
                          std::int32_t position) {
    switch (subType) {
    case 0:
        return {"", kChnlPhysical};
    case 1:
        return input ? chnl_scheme_t{"In %d", kChnlPhysical}
                     : chnl_scheme_t{"Send %d", kChnlNetwork};
    case 2:
        return input ? chnl_scheme_t{"Rece %d", kChnlNetwork}
                     : chnl_scheme_t{"Out %d", kChnlPhysical};
    case 3: {
        std::int32_t kind = kChnlNetwork; // any other model given sub-type 3
        if (model == 2)
            kind = input ? kChnlNetwork : kChnlPhysical;
        else if (model == 3)
            kind = (input ? position <= 6 : position <= 2) ? kChnlNetwork : kChnlPhysical;
        return {input ? "Rece %d" : "Send %d", kind};
    }
    default:
        return {"!!ERROR!!", kChnlPhysical};
    }
}

} // namespace

CDeviceNy::CDeviceNy() {
    m_ip = "0.0.0.0";
}

CDeviceNy::CDeviceNy(const TextMeasurer& dc, std::int32_t x, std::int32_t y, std::int32_t id,
                     std::int32_t model, std::int32_t subType) {
    const unit_row_t row = UnitRow(model, subType);
    if (row.forcedSubType != 0)
        subType = row.forcedSubType;
    BuildUnit(dc, x, y, id, model, subType,
              {row.channels, row.width, row.height, row.back, 0, true});
}

void CDeviceNy::BuildUnit(const TextMeasurer& dc, std::int32_t x, std::int32_t y, std::int32_t id,
                          std::int32_t model, std::int32_t subType, const unit_shape_t& shape) {
    m_kind = kDeviceUnit;
    m_selected = 0;
    m_id = id;
    m_subType = subType;
    m_mac = "00602b";
    m_ip = "0.0.0.0";
    m_bundle1 = m_bundle2 = 0;
    m_typeCode = model;
    m_typeName = std::string(ModelName(model));
    m_inputCount = m_outputCount = shape.channels;
    m_body = {x, y, x + shape.width, y + shape.height};
    m_title = {m_body.left, m_body.top - 20, m_body.right, m_body.top - 5};
    SetName(format("Device%d", id), dc);
    m_colours = ReadDeviceColours(model, shape.back);

    const std::int32_t names_sub_type = subType == 3 && !shape.subTypeThree ? -1 : subType;

    for (std::int32_t i = 0; i < shape.channels; ++i) {
        const chnl_scheme_t s = UnitChannel(model, names_sub_type, true, i + 1);
        const Rect square{m_body.left + 1, m_body.top + 16 + 12 * i, m_body.left + 11,
                          m_body.top + 26 + 12 * i};
        auto chnl = std::make_unique<CDeviceChnl>(format(s.name, i + 1), i, id, subType, square, 0,
                                                  s.kind, 0);
        chnl->m_property = shape.channelProperty;
        m_channels.push_back(std::move(chnl));
    }
    for (std::int32_t j = 0; j < shape.channels; ++j) {
        const chnl_scheme_t s = UnitChannel(model, names_sub_type, false, j + 1);
        const Rect square{m_body.right - 11, m_body.top + 16 + 12 * j, m_body.right - 1,
                          m_body.top + 26 + 12 * j};
        auto chnl =
            std::make_unique<CDeviceChnl>(format(s.name, j + 1), shape.channels + j, id, subType,
                                          square, 1, s.kind, s.kind == kChnlNetwork ? 1 : 0);
        chnl->m_property = shape.channelProperty;
        m_channels.push_back(std::move(chnl));
    }
}

void CDeviceNy::Serialize(pa::archive_t& ar) {
    if (ar.IsStoring())
        ar << m_bundle1 << m_bundle2;
    else if (IsKnownSchema(ar.GetObjectSchema()))
        ar >> m_bundle1 >> m_bundle2;
    ar.SerializeClass(CBaseDevice::class_record);
    CBaseDevice::Serialize(ar);
    // The online mark belongs to the run state that set it; a sheet saved
    // while running carries it, and the base part read it just now.
    if (ar.IsLoading())
        m_flag = 0;
}

void CDeviceNy::SetName(const std::string& name, const TextMeasurer& dc) {
    device_drawing::SizeTitle(*this, name, dc, 15);
}

std::string CDeviceNy::TitleText() const {
    if (!IsTwoHalfModel(m_typeCode))
        return m_name;
    if (m_subType == 1)
        return m_name + "#I";
    if (m_subType == 2)
        return m_name + "#O";
    return {};
}

void CDeviceNy::Draw(Canvas& dc, std::int32_t dx, std::int32_t dy) {
    device_drawing::DrawBox(dc, *this, dx, dy, TitleText());
    const std::int32_t w = m_body.Width();
    for (std::size_t k = 0; k < m_channels.size(); ++k) {
        const CDeviceChnl* chnl = AsDeviceChnl(m_channels[k]);
        if (chnl == nullptr)
            continue;
        const bool input = chnl->m_direction == 0;
        const std::int32_t index = static_cast<std::int32_t>(k);
        const std::int32_t position = input ? index + 1 : index - m_inputCount + 1;
        const Rect& sq = chnl->m_rect;
        const std::int32_t h = (w - sq.Width()) / 2, h1 = (w - sq.Width() - 1) / 2;
        Rect box{0, sq.top, 0, sq.bottom};
        const char* scheme = nullptr;
        switch (chnl->m_deviceSubType) {
        case 1:
            scheme = input ? "In %d" : "Send %d";
            box.left = input ? sq.right + 3 : sq.right - h1 - 15;
            box.right = input ? sq.left + 10 + h : sq.left - 1;
            break;
        case 2:
            scheme = input ? "Rece %d" : "Out %d";
            box.left = input ? sq.right + 1 : sq.right - h1 - 10;
            box.right = input ? sq.left + 15 + h1 : sq.left - 1;
            break;
        case 3:
            scheme = input ? "Rece %d" : "Send %d";
            box.left = input ? sq.right + 1 : sq.right - h1 - 10;
            box.right = input ? sq.left + 10 + h1 : sq.left - 1;
            break;
        default:
            break;
        }
        if (scheme == nullptr)
            chnl->Draw(dc, m_selected != 0, false, nullptr, {}, m_colours[2], dx, dy);
        else
            chnl->Draw(dc, m_selected != 0, true, &box,
                       device_drawing::ChannelLabel(scheme, position), m_colours[2], dx, dy);
    }
}

void CDeviceNy::CopyFrom(const CDeviceNy& other) {
    m_bundle1 = other.m_bundle1;
    m_bundle2 = other.m_bundle2;
    CBaseDevice::CopyFrom(other);
}

} // namespace model
