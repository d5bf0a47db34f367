#include "model/device_generic.h"

#include <algorithm>

#include "model/device_drawing.h"
#include "model/device_models.h"
#include "model/schema.h"

namespace model {

namespace pa = platform::archive;

ARCHIVE_IMPLEMENT_SERIAL(CDeviceGeneric, CBaseDevice, kSheetSchema);

namespace {
inline constexpr COLORREF kGenericBack = 0x00FFFF;
}

CDeviceGeneric::CDeviceGeneric() {
    m_colours[0] = kGenericBack;
}

CDeviceGeneric::CDeviceGeneric(const TextMeasurer& dc, std::int32_t x, std::int32_t y,
                               std::int32_t id, const std::string& name, std::int32_t model,
                               std::int32_t inputs, std::int32_t outputs) {
    m_kind = kDeviceGeneric;
    m_id = id;
    m_typeCode = kModelGeneric;
    m_typeName = std::string(ModelName(kModelGeneric));
    m_inputCount = std::clamp(inputs, 0, kMaxChannelsPerSide);
    m_outputCount = std::clamp(outputs, 0, kMaxChannelsPerSide);
    const std::int32_t width =
        device_drawing::RoundToTens(dc.MeasureText(device_drawing::TitleFont(), name).cx + 50);
    const std::int32_t height = 32 + 12 * std::max(m_inputCount, m_outputCount);
    m_body = {x, y, x + width, y + height};
    m_title = {m_body.left, m_body.top - 20, m_body.right, m_body.top - 5};
    m_colours = ReadDeviceColours(model, kGenericBack);
    SetName(name, dc);
    device_drawing::BuildSideChannels(*this, "In #%d", "Out #%d", 0);
}

void CDeviceGeneric::Serialize(pa::archive_t& ar) {
    if (ar.IsLoading())
        ar.GetObjectSchema(); // no own fields, but the schema is this class's to take
    ar.SerializeClass(CBaseDevice::class_record);
    CBaseDevice::Serialize(ar);
}

void CDeviceGeneric::SetName(const std::string& name, const TextMeasurer& dc) {
    device_drawing::SizeTitle(*this, name, dc, 15);
}

void CDeviceGeneric::Draw(Canvas& dc, std::int32_t dx, std::int32_t dy) {
    device_drawing::DrawBox(dc, *this, dx, dy, m_name);
    device_drawing::DrawSideChannels(dc, *this, "In %d", "Out %d", 3, dx, dy);
}

void CDeviceGeneric::CopyFrom(const CBaseDevice& other) {
    if (&other == this || !device_drawing::SameKindOrReport(other, kDeviceGeneric))
        return;
    CBaseDevice::CopyFrom(other);
}

} // namespace model
