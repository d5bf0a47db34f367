#pragma once
// The device sheets both device-sheet benchmarks work on: `units` units of
// eight inputs and eight outputs each in rows of ten, every output of a unit
// linked to the same input of the next unit when their kinds agree, on a
// sheet with room around them.
#include <algorithm>
#include <cstdint>
#include <memory>

#include "device_editor/zo_device_doc.h"
#include "model/device_chnl.h"
#include "model/device_link.h"
#include "model/device_ny.h"
#include "model/gdi_types.h"

namespace device_bench {

inline constexpr int kColumns = 10;

inline void FillSheet(device_editor::CZoDeviceDoc& doc, const model::TextMeasurer& dc, int units) {
    std::int32_t right = 0, bottom = 0;
    for (int n = 0; n < units; ++n) {
        auto unit = std::make_unique<model::CDeviceNy>(dc, 60 + (n % kColumns) * 220,
                                                       60 + (n / kColumns) * 200, n + 1, 3, 3);
        right = std::max(right, unit->GetBoundRect().right);
        bottom = std::max(bottom, unit->GetBoundRect().bottom);
        doc.AddDevice(std::move(unit));
    }
    std::int32_t id = 1;
    for (int n = 0; n + 1 < units; ++n) {
        const model::CBaseDevice& from = *doc.GetDevice(n);
        const model::CBaseDevice& to = *doc.GetDevice(n + 1);
        for (std::int32_t k = 0; k < to.m_inputCount; ++k) {
            const model::CDeviceChnl* out =
                model::AsDeviceChnl(from.GetChnl(from.m_inputCount + k));
            const model::CDeviceChnl* in = model::AsDeviceChnl(to.GetChnl(k));
            if (out == nullptr || in == nullptr || out->m_kind != in->m_kind)
                continue;
            auto link = std::make_unique<model::CDeviceLink>();
            link->m_id = id++;
            link->m_sourceModule = to.m_id;
            link->m_sourceSubType = to.m_subType;
            link->m_sourceChannel = k;
            link->m_destModule = from.m_id;
            link->m_destSubType = from.m_subType;
            link->m_destChannel = from.m_inputCount + k;
            link->m_kind =
                in->m_kind == model::kChnlNetwork ? model::kLinkNetwork : model::kLinkPhysical;
            link->m_start = in->m_rect.CenterPoint();
            link->m_end = out->m_rect.CenterPoint();
            doc.AddLinkFromRecord(std::move(link));
        }
    }
    model::DeviceSheetSettings sheet = doc.GetSheetSettings();
    sheet.width = std::max(sheet.width, right + 100);
    sheet.height = std::max(sheet.height, bottom + 100);
    doc.SetSheetSettings(sheet);
}

} // namespace device_bench
