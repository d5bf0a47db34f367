#include "model/undo_history.h"

#include <algorithm>
#include <string>

#include "model/device_chnl.h"
#include "model/device_external.h"
#include "model/device_generic.h"
#include "model/device_matrix.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/device_qovg.h"
#include "model/device_text.h"
#include "resources/message_ids.h"

namespace model {

namespace {

bool IsKnownKind(std::int32_t kind) {
    return kind >= kDeviceUnit && kind <= kDeviceText;
}

} // namespace

void AssignDevice(CBaseDevice& target, const CBaseDevice& source) {
    if (auto* qovg = dynamic_cast<CDeviceQOVG*>(&target)) {
        if (const auto* from = dynamic_cast<const CDeviceQOVG*>(&source)) {
            qovg->CopyFrom(*from);
            return;
        }
    }
    if (auto* unit = dynamic_cast<CDeviceNy*>(&target)) {
        if (const auto* from = dynamic_cast<const CDeviceNy*>(&source))
            unit->CopyFrom(*from);
        else
            unit->CBaseDevice::CopyFrom(source);
        return;
    }
    if (auto* external = dynamic_cast<CDeviceExternal*>(&target))
        return external->CopyFrom(source);
    if (auto* generic = dynamic_cast<CDeviceGeneric*>(&target))
        return generic->CopyFrom(source);
    if (auto* matrix = dynamic_cast<CDeviceMatrix*>(&target))
        return matrix->CopyFrom(source);
    if (auto* text = dynamic_cast<CDeviceText*>(&target))
        return text->CopyFrom(source);
    target.CopyFrom(source);
}

namespace {

std::unique_ptr<CBaseDevice> NewOfKind(const CBaseDevice& device) {
    switch (device.m_kind) {
    case kDeviceUnit:
        if (device.m_typeCode == kModelQOVG)
            return std::make_unique<CDeviceQOVG>();
        return std::make_unique<CDeviceNy>();
    case kDeviceExternal:
        return std::make_unique<CDeviceExternal>();
    case kDeviceGeneric:
        return std::make_unique<CDeviceGeneric>();
    case kDeviceMatrix:
        return std::make_unique<CDeviceMatrix>();
    case kDeviceText:
        return std::make_unique<CDeviceText>();
    default:
        return std::make_unique<CBaseDevice>();
    }
}

std::unique_ptr<CDeviceLink> CopyLink(const CDeviceLink& link) {
    auto copy = std::make_unique<CDeviceLink>();
    copy->CopyFrom(link);
    return copy;
}

} // namespace

std::unique_ptr<CBaseDevice> CopyDevice(const CBaseDevice& device) {
    std::unique_ptr<CBaseDevice> copy = NewOfKind(device);
    AssignDevice(*copy, device);
    return copy;
}

CUndoHistory::CUndoHistory(IDeviceDoc& document) : m_document(document) {}

CUndoHistory::~CUndoHistory() = default;

CUndoAction& CUndoHistory::Record(std::int32_t kind) {
    while (m_steps.size() > m_position)
        m_steps.pop_back();
    ++m_position;
    m_steps.push_back(std::make_unique<CUndoAction>());
    m_steps.back()->m_kind = kind;
    return *m_steps.back();
}

void CUndoHistory::AddAction(std::int32_t kind, std::span<CBaseDevice* const> devices,
                             std::int32_t dx, std::int32_t dy) {
    if (kind != kUndoMove && kind != kUndoAdd && kind != kUndoMoveTitle)
        return;
    CUndoAction& step = Record(kind);
    for (const CBaseDevice* device : devices)
        if (device != nullptr)
            step.m_devices.push_back(CopyDevice(*device));
    if (kind != kUndoAdd) {
        step.m_dx = dx;
        step.m_dy = dy;
    }
}

void CUndoHistory::AddLinkAction(std::int32_t kind, std::span<CDeviceLink* const> links) {
    if (kind != kUndoAdd && kind != kUndoDelete)
        return;
    CUndoAction& step = Record(kind);
    for (const CDeviceLink* link : links)
        if (link != nullptr)
            step.m_links.push_back(CopyLink(*link));
}

void CUndoHistory::AddDeviceLinkAction(std::int32_t kind, std::span<CBaseDevice* const> devices,
                                       std::span<CDeviceLink* const> links) {
    if (kind != kUndoDelete && kind != kUndoChange)
        return;
    CUndoAction& step = Record(kind);
    const auto held = [&](std::int32_t id) {
        return std::any_of(step.m_links.begin(), step.m_links.end(),
                           [id](const auto& l) { return l->m_id == id; });
    };
    for (const CDeviceLink* link : links)
        if (link != nullptr)
            step.m_links.push_back(CopyLink(*link));
    for (const CBaseDevice* device : devices)
        if (device != nullptr)
            step.m_devices.push_back(CopyDevice(*device));
    if (kind != kUndoDelete)
        return;
    for (const auto& device : step.m_devices) {
        for (const auto& channel : device->m_channels) {
            const CDeviceChnl* chnl = AsDeviceChnl(channel.get());
            if (chnl == nullptr)
                continue;
            for (const auto& link : chnl->m_links)
                if (!held(link->m_id))
                    step.m_links.push_back(CopyLink(*link));
        }
    }
}

void CUndoHistory::AddSheetAction(std::int32_t kind, const IDeviceDoc& doc) {
    if (kind != kUndoSheet)
        return;
    CUndoAction& step = Record(kind);
    step.m_sheetCopy = doc.CreateSheetHolder();
    step.m_sheetCopy->CopySheetProperties(doc);
}

IUndoHost* CUndoHistory::HostShowingDocument(const char* what) const {
    IUndoHost* host = m_document.GetUndoHost();
    if (host == nullptr) {
        // A document without windows: a call here is a wiring fault, not a
        // user's choice, so it must leave a trace.
        Messages().Log(0, std::string(what) + " refused: the device document has no undo host");
        return nullptr;
    }
    return host->IsActiveViewOf(m_document) ? host : nullptr;
}

bool CUndoHistory::Undo() {
    if (m_position == 0)
        return false;
    IUndoHost* host = HostShowingDocument("undo");
    if (host == nullptr)
        return false;
    --m_position;
    Apply(*m_steps[m_position], true, *host);
    m_document.SetModifiedFlag(true);
    host->InvalidateAll();
    return true;
}

bool CUndoHistory::Redo() {
    if (m_position >= m_steps.size())
        return false;
    IUndoHost* host = HostShowingDocument("redo");
    if (host == nullptr)
        return false;
    ++m_position;
    Apply(*m_steps[m_position - 1], false, *host);
    m_document.SetModifiedFlag(true);
    host->InvalidateAll();
    return true;
}

void CUndoHistory::Apply(CUndoAction& step, bool undo, IUndoHost& host) {
    const std::int32_t sign = undo ? -1 : 1;
    switch (step.m_kind) {
    case kUndoMove:
        Move(step, sign, host);
        break;
    case kUndoMoveTitle:
        MoveTitles(step, sign);
        break;
    case kUndoAdd:
        if (undo)
            RemoveAdded(step);
        else
            AddCopies(step, false, host);
        break;
    case kUndoDelete:
        if (undo)
            AddCopies(step, true, host);
        else
            DeleteAgain(step);
        break;
    case kUndoChange:
        ExchangeDevices(step);
        break;
    case kUndoSheet:
        ExchangeSheet(step, host);
        break;
    default:
        break;
    }
}

void CUndoHistory::Move(const CUndoAction& step, std::int32_t sign, IUndoHost& host) {
    for (const auto& copy : step.m_devices) {
        CBaseDevice* device = m_document.FindDevice(copy->m_id, copy->m_subType);
        if (device == nullptr)
            continue;
        m_document.MoveDevice(*device, sign * step.m_dx, sign * step.m_dy);
        host.UpdateLinkEnds(*device);
    }
}

void CUndoHistory::MoveTitles(const CUndoAction& step, std::int32_t sign) {
    for (const auto& copy : step.m_devices)
        if (CBaseDevice* device = m_document.FindDevice(copy->m_id, copy->m_subType))
            m_document.MoveDeviceTitle(*device, sign * step.m_dx, sign * step.m_dy);
}

void CUndoHistory::RemoveAdded(const CUndoAction& step) {
    if (!step.m_devices.empty()) {
        // The document takes a unit's other half with it; a copy whose
        // device went with an earlier one finds nothing.
        for (const auto& copy : step.m_devices)
            m_document.DeleteDevice(copy->m_id, copy->m_subType);
        return;
    }
    for (const auto& link : step.m_links)
        if (m_document.FindLink(link->m_id) != nullptr)
            m_document.DeleteLink(link->m_id);
}

void CUndoHistory::AddCopies(const CUndoAction& step, bool placeLinks, IUndoHost& host) {
    const bool devices_only = !placeLinks && !step.m_devices.empty();
    for (const auto& copy : step.m_devices) {
        if (!IsKnownKind(copy->m_kind)) {
            // The devices after it stay out; the links still go back, each
            // only where both its ends are there again, so that no channel
            // keeps a copy of a link the document lacks.
            ShowMessage(resources::kMsgRedoWrongDeviceType);
            break;
        }
        std::unique_ptr<CBaseDevice> device = CopyDevice(*copy);
        CBaseDevice& added = *device;
        m_document.AddDevice(std::move(device));
        if (placeLinks)
            host.UpdateLinkEnds(added);
    }
    if (devices_only)
        return;
    for (const auto& link : step.m_links)
        m_document.AddLinkFromRecord(CopyLink(*link));
}

void CUndoHistory::DeleteAgain(const CUndoAction& step) {
    for (const auto& link : step.m_links)
        if (m_document.FindLink(link->m_id) != nullptr)
            m_document.DeleteLink(link->m_id);
    for (const auto& copy : step.m_devices)
        m_document.DeleteDevice(copy->m_id, copy->m_subType);
}

void CUndoHistory::ExchangeDevices(CUndoAction& step) {
    for (const auto& copy : step.m_devices) {
        if (!IsKnownKind(copy->m_kind)) {
            ShowMessage(resources::kMsgUndoWrongDeviceType, 104, "UPDATE");
            continue;
        }
        CBaseDevice* device = m_document.FindDevice(copy->m_id, copy->m_subType);
        if (device == nullptr)
            continue;
        const std::int32_t was_selected = device->m_selected;
        const std::unique_ptr<CBaseDevice> current = CopyDevice(*device);
        m_document.ChangeDevice(*device, *copy);
        AssignDevice(*copy, *current);
        if ((device->m_selected != 0) != (was_selected != 0))
            m_document.SetDeviceSelection(*device, device->m_selected != 0);
    }
}

void CUndoHistory::ExchangeSheet(CUndoAction& step, IUndoHost& host) {
    if (!step.m_sheetCopy)
        return;
    const std::unique_ptr<IDeviceDoc> current = m_document.CreateSheetHolder();
    current->CopySheetProperties(m_document);
    m_document.CopySheetProperties(*step.m_sheetCopy);
    step.m_sheetCopy->CopySheetProperties(*current);
    host.UpdateStatusPanes(1);
}

} // namespace model
