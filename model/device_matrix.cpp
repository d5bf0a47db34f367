#include "model/device_matrix.h"

#include <algorithm>

#include "model/device_drawing.h"
#include "model/device_models.h"
#include "model/schema.h"
#include "platform/text/format.h"

namespace model {

namespace pa = platform::archive;

ARCHIVE_IMPLEMENT_SERIAL(CDeviceMatrix, CBaseDevice, kSheetSchema);

namespace {
inline constexpr COLORREF kMatrixBack = 0x509600;
}

CDeviceMatrix::CDeviceMatrix() {
    m_colours[0] = kMatrixBack;
}

CDeviceMatrix::CDeviceMatrix(const TextMeasurer& dc, std::int32_t x, std::int32_t y,
                             std::int32_t id, const std::string& sizingText, std::int32_t model,
                             std::int32_t inputs, std::int32_t outputs) {
    m_kind = kDeviceMatrix;
    m_id = id;
    m_typeCode = kModelMatrix;
    m_typeName = std::string(ModelName(kModelMatrix));
    m_inputCount = std::clamp(inputs, 0, kMaxChannelsPerSide);
    m_outputCount = std::clamp(outputs, 0, kMaxChannelsPerSide);
    const std::int32_t width = device_drawing::RoundToTens(
        dc.MeasureText(device_drawing::TitleFont(), sizingText).cx + 50);
    const std::int32_t height = 32 + 12 * std::max(m_inputCount, m_outputCount);
    m_body = {x, y, x + width, y + height};
    m_title = {m_body.left, m_body.top - 20, m_body.right, m_body.top - 5};
    m_colours = ReadDeviceColours(model, kMatrixBack);
    SetName(platform::text::format("Device%d", id), dc);
    device_drawing::BuildSideChannels(*this, "Rece %d", "Send %d", 1);
}

void CDeviceMatrix::Serialize(pa::archive_t& ar) {
    if (ar.IsStoring()) {
        for (const auto& row : m_routes)
            for (const std::int32_t cell : row)
                ar << cell;
    } else if (IsKnownSchema(ar.GetObjectSchema())) {
        for (auto& row : m_routes)
            for (std::int32_t& cell : row)
                ar >> cell;
    }
    ar.SerializeClass(CBaseDevice::class_record);
    CBaseDevice::Serialize(ar);
}

void CDeviceMatrix::SetName(const std::string& name, const TextMeasurer& dc) {
    device_drawing::SizeTitle(*this, name, dc, 15);
}

void CDeviceMatrix::Draw(Canvas& dc, std::int32_t dx, std::int32_t dy) {
    device_drawing::DrawBox(dc, *this, dx, dy, m_name);
    device_drawing::DrawSideChannels(dc, *this, "Rece %d", "Send %d", 1, dx, dy);
}

void CDeviceMatrix::CopyFrom(const CBaseDevice& other) {
    if (&other == this || !device_drawing::SameKindOrReport(other, kDeviceMatrix))
        return;
    if (const auto* matrix = dynamic_cast<const CDeviceMatrix*>(&other))
        m_routes = matrix->m_routes;
    CBaseDevice::CopyFrom(other);
}

} // namespace model
