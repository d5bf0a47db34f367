#include "device_editor/zo_device_doc.h"

#include <algorithm>

#include "device_editor/sheet_snap.h"
#include "model/device_external.h"
#include "model/device_generic.h"
#include "model/device_matrix.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/device_qovg.h"
#include "model/device_text.h"
#include "model/messages.h"
#include "model/program_settings.h"
#include "model/sheet_classes.h"
#include "model/sheet_size.h"
#include "platform/archive/file.h"
#include "platform/text/format.h"

namespace device_editor {

namespace pa = platform::archive;
using model::CBaseDevice;
using model::CDeviceChnl;
using model::CDeviceLink;
using model::Rect;

namespace {

constexpr std::uint32_t kStoredVersion = 2;

bool IsKnownVersion(std::int32_t version) {
    return version == 1 || version == 2;
}

template <class T> void Erase(std::vector<T*>& v, const T* item) {
    const auto it = std::find(v.begin(), v.end(), item);
    if (it != v.end())
        v.erase(it);
}

std::uint64_t DeviceKey(std::int32_t id, std::int32_t subType) {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(id)) << 32 |
           static_cast<std::uint32_t>(subType);
}

constexpr auto DeviceKeyOf = [](const CBaseDevice& device) {
    return DeviceKey(device.m_id, device.m_subType);
};

std::uint64_t LinkKey(std::int32_t id) {
    return static_cast<std::uint32_t>(id);
}

constexpr auto LinkKeyOf = [](const CDeviceLink& link) { return LinkKey(link.m_id); };

} // namespace

template <class T> T* CZoDeviceDoc::KeyIndex<T>::Find(std::uint64_t key) const {
    const auto it = m_entries.find(key);
    return it == m_entries.end() ? nullptr : it->second.first;
}

template <class T> void CZoDeviceDoc::KeyIndex<T>::Add(std::uint64_t key, T* item) {
    Entry& entry = m_entries[key];
    if (entry.count++ == 0)
        entry.first = item;
}

template <class T>
template <class Array, class KeyOf>
void CZoDeviceDoc::KeyIndex<T>::Remove(std::uint64_t key, const T* item, const Array& array,
                                       KeyOf keyOf) {
    const auto it = m_entries.find(key);
    if (it == m_entries.end())
        return;
    if (--it->second.count == 0) {
        m_entries.erase(it);
        return;
    }
    if (it->second.first != item)
        return;
    // The next one with the key takes its place: only a file with repeated
    // keys pays for this scan.
    for (const auto& other : array)
        if (keyOf(*other) == key) {
            it->second.first = other.get();
            return;
        }
}

template <class T>
template <class Array, class KeyOf>
void CZoDeviceDoc::KeyIndex<T>::Rebuild(const Array& array, KeyOf keyOf) {
    m_entries.clear();
    for (const auto& item : array)
        Add(keyOf(*item), item.get());
}

void CZoDeviceDoc::IndexDevices() {
    m_deviceIndex.Rebuild(m_devices, DeviceKeyOf);
}

void CZoDeviceDoc::IndexLinks() {
    m_linkIndex.Rebuild(m_links, LinkKeyOf);
}

CZoDeviceDoc::CZoDeviceDoc() = default;

CZoDeviceDoc::~CZoDeviceDoc() {
    // The status windows go before the devices they show.
    m_statusWindows.clear();
    m_selectedDevices.clear();
    m_selectedLinks.clear();
    if (m_frame != nullptr) {
        m_frame->ClearDownloadingRecord();
        m_frame->SetDeviceDocumentPath("");
    }
}

model::DeviceSheetSettings CZoDeviceDoc::NewSheetSettings() {
    const model::CProgramSettings::CDeviceSheetDefaults defaults =
        model::ProgramSettings()->deviceSheet;
    model::DeviceSheetSettings s;
    s.width = defaults.width;
    s.height = defaults.height;
    s.background = defaults.background;
    s.physicalLink = defaults.physicalLink;
    s.networkLink = defaults.networkLink;
    s.grid = 1;
    return s;
}

void CZoDeviceDoc::Notify(Kind kind, std::int32_t id, std::int32_t subType, const Rect& bounds,
                          const Rect& oldBounds) {
    m_observers.Notify({kind, id, subType, bounds, oldBounds});
}

void CZoDeviceDoc::NotifyDevice(Kind kind, const CBaseDevice& device, const Rect& oldBounds) {
    Notify(kind, device.m_id, device.m_subType, device.GetBoundRect(), oldBounds);
}

void CZoDeviceDoc::AnnounceReset() {
    Notify(Kind::Reset);
    SetModifiedFlag(false);
}

void CZoDeviceDoc::SetModifiedFlag(bool modified) {
    if (m_modified == modified)
        return;
    m_modified = modified;
    Notify(Kind::ModifiedChanged);
    if (m_frame != nullptr)
        m_frame->RefreshFrameTitles();
}

std::string CZoDeviceDoc::GetTitle() const {
    return m_modified ? m_fileTitle + " *" : m_fileTitle;
}

void CZoDeviceDoc::SetTitle(const std::string& fileTitle) {
    if (m_fileTitle == fileTitle)
        return;
    m_fileTitle = fileTitle;
    if (m_frame != nullptr)
        m_frame->RefreshFrameTitles();
}

void CZoDeviceDoc::SetPath(const std::filesystem::path& path) {
    m_path = path;
    if (m_frame != nullptr)
        m_frame->SetDeviceDocumentPath(path.string());
    SetTitle(path.filename().string());
}

void CZoDeviceDoc::OnCloseDocument() {
    if (m_frame == nullptr)
        return;
    m_frame->ClearOutputList();
    m_frame->ClearOutputBarShown();
}

void CZoDeviceDoc::OnNewDocument() {
    m_selectedDevices.clear();
    m_selectedLinks.clear();
    m_devices.clear();
    m_links.clear();
    IndexDevices();
    IndexLinks();
    m_sheet = NewSheetSettings();
    m_undo = std::make_unique<model::CUndoHistory>(*this);
    AnnounceReset();
}

void CZoDeviceDoc::OnOpenDocument(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = pa::read_file(path);
    OpenDocument(bytes);
    SetPath(path);
}

void CZoDeviceDoc::OpenDocument(std::span<const std::uint8_t> bytes) {
    pa::archive_t ar(bytes, model::SheetClasses());
    Load(ar);
    if (!IsKnownVersion(m_sheet.version)) {
        model::ShowMessage(157);
        const std::int32_t version = m_sheet.version;
        m_sheet = NewSheetSettings();
        m_sheet.version = version;
    }
    m_undo = std::make_unique<model::CUndoHistory>(*this);
    AnnounceReset();
}

std::vector<std::uint8_t> CZoDeviceDoc::SaveDocument() {
    pa::archive_t ar;
    Serialize(ar);
    return ar.TakeBytes();
}

void CZoDeviceDoc::OnSaveDocument(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = SaveDocument();
    pa::write_file_atomic(path, bytes);
    SetPath(path);
    SetModifiedFlag(false);
}

void CZoDeviceDoc::Serialize(pa::archive_t& ar) {
    if (ar.IsStoring()) {
        m_sheet.version = static_cast<std::int32_t>(kStoredVersion);
        ar << kStoredVersion;
        ar << pa::raw_size{m_sheet.width, m_sheet.height};
        ar << m_sheet.physicalLink << m_sheet.networkLink << m_sheet.background << m_sheet.grid;
        m_devices.Serialize(ar);
        m_links.Serialize(ar);
        return;
    }
    Load(ar);
    Notify(Kind::Reset);
}

void CZoDeviceDoc::Load(pa::archive_t& ar) {
    // Everything is read aside first: a file that fails to load halfway
    // leaves the document as it was.
    model::DeviceSheetSettings sheet = m_sheet;
    std::uint32_t version = 0;
    ar >> version;
    sheet.version = static_cast<std::int32_t>(version);
    if (IsKnownVersion(sheet.version)) {
        pa::raw_size size;
        ar >> size;
        sheet.width = model::ClampSheetSide(size.cx);
        sheet.height = model::ClampSheetSide(size.cy);
        ar >> sheet.physicalLink >> sheet.networkLink >> sheet.background >> sheet.grid;
    }
    pa::object_array_t<CBaseDevice> devices;
    pa::object_array_t<CDeviceLink> links;
    devices.Serialize(ar);
    links.Serialize(ar);

    // Loaded objects are never selected (their loaders clear the flags).
    m_selectedDevices.clear();
    m_selectedLinks.clear();
    m_sheet = sheet;
    m_devices = std::move(devices);
    m_links = std::move(links);
    IndexDevices();
    IndexLinks();
}

void CZoDeviceDoc::SetSheetSettings(const model::DeviceSheetSettings& settings) {
    if (m_sheet == settings)
        return;
    m_sheet = settings;
    Notify(Kind::SettingsChanged);
}

void CZoDeviceDoc::CopySheetProperties(const model::IDeviceDoc& other) {
    SetSheetSettings(other.GetSheetSettings());
}

std::unique_ptr<model::IDeviceDoc> CZoDeviceDoc::CreateSheetHolder() const {
    return std::make_unique<CZoDeviceDoc>();
}

CBaseDevice* CZoDeviceDoc::GetDevice(int index) const {
    return index < 0 ? nullptr : m_devices.get(static_cast<std::size_t>(index));
}

CDeviceLink* CZoDeviceDoc::GetLink(int index) const {
    return index < 0 ? nullptr : m_links.get(static_cast<std::size_t>(index));
}

CBaseDevice* CZoDeviceDoc::GetSelected(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_selectedDevices.size())
        return nullptr;
    return m_selectedDevices[static_cast<std::size_t>(index)];
}

CDeviceLink* CZoDeviceDoc::GetSelectedLink(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_selectedLinks.size())
        return nullptr;
    return m_selectedLinks[static_cast<std::size_t>(index)];
}

CBaseDevice* CZoDeviceDoc::FindDevice(std::int32_t id, std::int32_t subType) const {
    return m_deviceIndex.Find(DeviceKey(id, subType));
}

CBaseDevice* CZoDeviceDoc::FindSameIdDevice(std::int32_t id, std::int32_t subType,
                                            std::int32_t model) const {
    if (!model::IsTwoHalfModel(model))
        return nullptr;
    for (const auto& device : m_devices)
        if (device->m_id == id && device->m_subType != subType)
            return device.get();
    return nullptr;
}

CDeviceLink* CZoDeviceDoc::FindLink(std::int32_t id) const {
    return m_linkIndex.Find(LinkKey(id));
}

bool CZoDeviceDoc::IsDeviceSelected(std::int32_t id, std::int32_t subType) const {
    return std::any_of(m_selectedDevices.begin(), m_selectedDevices.end(),
                       [&](const auto* d) { return d->m_id == id && d->m_subType == subType; });
}

CDeviceChnl* CZoDeviceDoc::FindChannel(std::int32_t id, std::int32_t subType,
                                       std::int32_t channel) const {
    const CBaseDevice* device = FindDevice(id, subType);
    return device == nullptr ? nullptr : model::AsDeviceChnl(device->GetChnl(channel));
}

namespace {

template <class Array> std::int32_t SmallestFreeId(const Array& items) {
    std::vector<std::int32_t> ids;
    ids.reserve(items.size());
    for (const auto& item : items)
        if (item->m_id > 0)
            ids.push_back(item->m_id);
    std::sort(ids.begin(), ids.end());
    std::int32_t next = 1;
    for (const std::int32_t id : ids) {
        if (id > next)
            break;
        if (id == next)
            ++next;
    }
    return next;
}

} // namespace

std::int32_t CZoDeviceDoc::NextDeviceId() const {
    return SmallestFreeId(m_devices);
}

std::int32_t CZoDeviceDoc::NextLinkId() const {
    return SmallestFreeId(m_links);
}

void CZoDeviceDoc::AddDevice(std::unique_ptr<CBaseDevice> device) {
    if (!device)
        return;
    CBaseDevice* added = device.get();
    m_devices.push_back(std::move(device));
    m_deviceIndex.Add(DeviceKeyOf(*added), added);
    NotifyDevice(Kind::ObjectAdded, *added);
    if (added->m_selected != 0) {
        m_selectedDevices.push_back(added);
        Notify(Kind::SelectionChanged);
    }
}

bool CZoDeviceDoc::AddLinkFromRecord(std::unique_ptr<CDeviceLink> link) {
    if (!link)
        return false;
    CDeviceChnl* source =
        FindChannel(link->m_sourceModule, link->m_sourceSubType, link->m_sourceChannel);
    CDeviceChnl* dest = FindChannel(link->m_destModule, link->m_destSubType, link->m_destChannel);
    if (source == nullptr || dest == nullptr)
        return false;
    PlaceLink(std::move(link), *source, *dest);
    return true;
}

void CZoDeviceDoc::PlaceLink(std::unique_ptr<CDeviceLink> link, CDeviceChnl& source,
                             CDeviceChnl& dest) {
    const bool source_took = source.AddLinkCopy(*link);
    const bool dest_took = dest.AddLinkCopy(*link);
    CDeviceLink* added = link.get();
    m_links.push_back(std::move(link));
    m_linkIndex.Add(LinkKeyOf(*added), added);
    // A connected channel is drawn filled: its device needs a repaint.
    const CBaseDevice* source_device = FindDevice(added->m_sourceModule, added->m_sourceSubType);
    const CBaseDevice* dest_device = FindDevice(added->m_destModule, added->m_destSubType);
    if (source_took)
        NotifyDevice(Kind::ObjectChanged, *source_device, source_device->GetBoundRect());
    if (dest_took && !(source_took && dest_device == source_device))
        NotifyDevice(Kind::ObjectChanged, *dest_device, dest_device->GetBoundRect());
    Notify(Kind::LinkAdded, added->m_id, 0, added->GetBoundRect());
    if (added->m_selected != 0) {
        m_selectedLinks.push_back(added);
        Notify(Kind::SelectionChanged);
    }
}

void CZoDeviceDoc::DetachLink(const CDeviceLink& link) {
    DetachLinkExcept(link, {});
}

void CZoDeviceDoc::DetachLinkExcept(const CDeviceLink& link,
                                    std::span<const CBaseDevice* const> going) {
    // Read the ends first: `link` may be one of the copies removed here.
    const std::int32_t id = link.m_id;
    const std::int32_t ends[2][3] = {
        {link.m_sourceModule, link.m_sourceSubType, link.m_sourceChannel},
        {link.m_destModule, link.m_destSubType, link.m_destChannel}};
    std::vector<const CBaseDevice*> changed;
    for (const auto& [module, subType, number] : ends) {
        const CBaseDevice* device = FindDevice(module, subType);
        CDeviceChnl* channel =
            device == nullptr ? nullptr : model::AsDeviceChnl(device->GetChnl(number));
        if (channel == nullptr || !channel->HasLink(id))
            continue;
        channel->RemoveLink(id);
        if (std::find(going.begin(), going.end(), device) == going.end() &&
            std::find(changed.begin(), changed.end(), device) == changed.end())
            changed.push_back(device);
    }
    for (const CBaseDevice* device : changed)
        NotifyDevice(Kind::ObjectChanged, *device, device->GetBoundRect());
}

void CZoDeviceDoc::DeleteLink(std::int32_t linkId) {
    DeleteLinkExcept(linkId, {});
}

void CZoDeviceDoc::DeleteLinkExcept(std::int32_t linkId,
                                    std::span<const CBaseDevice* const> going) {
    for (std::size_t i = 0; i < m_links.size(); ++i) {
        if (m_links[i]->m_id != linkId)
            continue;
        DetachLinkExcept(*m_links[i], going);
        const bool was_selected = std::find(m_selectedLinks.begin(), m_selectedLinks.end(),
                                            m_links[i]) != m_selectedLinks.end();
        Erase(m_selectedLinks, m_links[i]);
        const Rect bounds = m_links[i]->GetBoundRect();
        const std::uint64_t key = LinkKeyOf(*m_links[i]);
        m_linkIndex.Remove(key, m_links.remove(i).get(), m_links, LinkKeyOf);
        Notify(Kind::LinkRemoved, linkId, 0, bounds);
        if (was_selected)
            Notify(Kind::SelectionChanged);
        return;
    }
}

void CZoDeviceDoc::DeleteLinksAt(const CBaseDevice& device,
                                 std::span<const CBaseDevice* const> going) {
    for (const auto& channel : device.m_channels) {
        const CDeviceChnl* chnl = model::AsDeviceChnl(channel.get());
        if (chnl == nullptr)
            continue;
        // Last to first, as each deletion takes its copy out of this list.
        for (int k = chnl->GetLinkCount() - 1; k >= 0; --k) {
            const CDeviceLink* copy = chnl->GetLink(k);
            if (copy == nullptr)
                continue;
            const std::int32_t id = copy->m_id;
            if (FindLink(id) != nullptr)
                DeleteLinkExcept(id, going);
        }
    }
}

void CZoDeviceDoc::RemoveDevice(const CBaseDevice* device) {
    RemoveStatusWindow(device->m_id, device->m_subType);
    const bool was_selected = std::find(m_selectedDevices.begin(), m_selectedDevices.end(),
                                        device) != m_selectedDevices.end();
    Erase(m_selectedDevices, device);
    for (std::size_t i = 0; i < m_devices.size(); ++i) {
        if (m_devices[i] != device)
            continue;
        const std::int32_t id = device->m_id, subType = device->m_subType;
        const Rect bounds = device->GetBoundRect();
        m_deviceIndex.Remove(DeviceKey(id, subType), m_devices.remove(i).get(), m_devices,
                             DeviceKeyOf);
        Notify(Kind::ObjectRemoved, id, subType, bounds);
        break;
    }
    if (was_selected)
        Notify(Kind::SelectionChanged);
}

void CZoDeviceDoc::DeleteDevice(std::int32_t id, std::int32_t subType) {
    CBaseDevice* device = FindDevice(id, subType);
    if (device == nullptr)
        return;
    CBaseDevice* other = FindSameIdDevice(id, subType, device->m_typeCode);
    // Neither half is announced as changed on its way out.
    const CBaseDevice* going[] = {device, other};
    if (other != nullptr) {
        DeleteLinksAt(*other, going);
        RemoveDevice(other);
    }
    DeleteLinksAt(*device, going);
    RemoveDevice(device);
}

void CZoDeviceDoc::DeselectDevice(std::int32_t id, std::int32_t subType) {
    const auto it =
        std::find_if(m_selectedDevices.begin(), m_selectedDevices.end(),
                     [&](const auto* d) { return d->m_id == id && d->m_subType == subType; });
    if (it == m_selectedDevices.end())
        return;
    m_selectedDevices.erase(it);
    Notify(Kind::SelectionChanged);
}

void CZoDeviceDoc::SetDeviceSelection(CBaseDevice& device, bool selected) {
    if (!selected) {
        DeselectDevice(device.m_id, device.m_subType);
        return;
    }
    if (std::find(m_selectedDevices.begin(), m_selectedDevices.end(), &device) !=
        m_selectedDevices.end())
        return;
    m_selectedDevices.push_back(&device);
    Notify(Kind::SelectionChanged);
}

void CZoDeviceDoc::MoveDevice(CBaseDevice& device, std::int32_t dx, std::int32_t dy) {
    if (dx == 0 && dy == 0)
        return;
    const Rect before = device.GetBoundRect();
    device.Offset(dx, dy);
    NotifyDevice(Kind::ObjectChanged, device, before);
}

void CZoDeviceDoc::MoveDeviceTitle(CBaseDevice& device, std::int32_t dx, std::int32_t dy) {
    if (dx == 0 && dy == 0)
        return;
    const Rect before = device.GetBoundRect();
    device.m_title.OffsetRect(dx, dy);
    NotifyDevice(Kind::ObjectChanged, device, before);
}

void CZoDeviceDoc::ChangeDevice(CBaseDevice& device, const CBaseDevice& from) {
    const Rect before = device.GetBoundRect();
    const std::uint64_t key = DeviceKeyOf(device);
    model::AssignDevice(device, from);
    // A change that gives the device another key puts it elsewhere in the
    // order of its new key's devices: the index is made again.
    if (DeviceKeyOf(device) != key)
        IndexDevices();
    NotifyDevice(Kind::ObjectChanged, device, before);
}

void CZoDeviceDoc::UpdateLinkEnds(const CBaseDevice& device) {
    const auto join = [](Rect& area, const Rect& r) {
        const Rect before = area;
        area.UnionRect(before, r);
    };
    std::vector<std::int32_t> ids;
    for (const auto& channel : device.m_channels)
        if (const CDeviceChnl* chnl = model::AsDeviceChnl(channel.get()))
            for (const auto& copy : chnl->m_links)
                if (std::find(ids.begin(), ids.end(), copy->m_id) == ids.end())
                    ids.push_back(copy->m_id);

    for (const std::int32_t id : ids) {
        // The ends are named alike by the document's link and its copies;
        // take them from the document's link when it has one.
        const CDeviceLink* named = FindLink(id);
        CDeviceChnl* source = nullptr;
        CDeviceChnl* dest = nullptr;
        const auto find_ends = [&](const CDeviceLink& l) {
            source = FindChannel(l.m_sourceModule, l.m_sourceSubType, l.m_sourceChannel);
            dest = FindChannel(l.m_destModule, l.m_destSubType, l.m_destChannel);
        };
        if (named != nullptr) {
            find_ends(*named);
        } else {
            for (const auto& channel : device.m_channels)
                if (const CDeviceChnl* chnl = model::AsDeviceChnl(channel.get()))
                    for (const auto& copy : chnl->m_links)
                        if (copy->m_id == id && source == nullptr && dest == nullptr)
                            find_ends(*copy);
        }
        std::vector<CDeviceLink*> versions;
        if (CDeviceLink* link = FindLink(id))
            versions.push_back(link);
        for (CDeviceChnl* end : {source, dest})
            if (end != nullptr)
                for (auto& copy : end->m_links)
                    if (copy->m_id == id)
                        versions.push_back(copy.get());
        Rect old_area, new_area;
        bool moved = false;
        for (CDeviceLink* link : versions) {
            join(old_area, link->GetBoundRect());
            const model::Point old_start = link->m_start, old_end = link->m_end;
            // The input end is the source pair; the start point is where the
            // user began, at the output when drawn from it.
            model::Point& input_end = link->m_drawnFromOutput != 0 ? link->m_end : link->m_start;
            model::Point& output_end = link->m_drawnFromOutput != 0 ? link->m_start : link->m_end;
            if (source != nullptr)
                input_end = source->m_rect.CenterPoint();
            if (dest != nullptr)
                output_end = dest->m_rect.CenterPoint();
            join(new_area, link->GetBoundRect());
            moved = moved || link->m_start != old_start || link->m_end != old_end;
        }
        if (moved)
            Notify(Kind::LinkChanged, id, 0, new_area, old_area);
    }
}

bool CZoDeviceDoc::HasDeviceMac(const std::string& mac) const {
    return std::any_of(m_devices.begin(), m_devices.end(),
                       [&](const auto& d) { return d->m_mac == mac; });
}

Rect CZoDeviceDoc::GetSelectionBounds() const {
    Rect bounds;
    for (const CBaseDevice* device : m_selectedDevices) {
        const Rect before = bounds;
        bounds.UnionRect(before, device->GetBoundRect());
    }
    return bounds;
}

model::Size CZoDeviceDoc::GetDevicesExtent() const {
    model::Size extent{0, 0};
    for (const auto& device : m_devices) {
        const Rect r = device->GetBoundRect();
        extent.cx = std::max(extent.cx, r.right - 5);
        extent.cy = std::max(extent.cy, r.bottom - 5);
    }
    return extent;
}

bool CZoDeviceDoc::CanLinkChannel(const CDeviceChnl& ch) {
    if (ch.m_property == 0)
        return false;
    return ch.GetLinkCount() == 0 || ch.m_networkSend != 0;
}

bool CZoDeviceDoc::CanLinkChannels(const CDeviceChnl& from, const CDeviceChnl& to) {
    return from.m_direction != to.m_direction && from.m_kind == to.m_kind && CanLinkChannel(to);
}

bool CZoDeviceDoc::ConnectLink(const CDeviceChnl& from, const CDeviceChnl& to,
                               std::unique_ptr<CDeviceLink> link) {
    if (!link)
        return false;
    // The view hands channels of this document's devices; look them up so
    // that a stray channel cannot slip a copy into nowhere.
    CDeviceChnl* a = FindChannel(from.m_moduleId, from.m_deviceSubType, from.m_number);
    CDeviceChnl* b = FindChannel(to.m_moduleId, to.m_deviceSubType, to.m_number);
    if (a != &from || b != &to)
        return false;
    const bool from_is_source = a->m_direction == 0;
    CDeviceChnl& source = from_is_source ? *a : *b;
    CDeviceChnl& dest = from_is_source ? *b : *a;
    link->m_end = b->m_rect.CenterPoint();
    link->m_id = NextLinkId();
    link->m_sourceModule = source.m_moduleId;
    link->m_sourceSubType = source.m_deviceSubType;
    link->m_sourceChannel = source.m_number;
    link->m_destModule = dest.m_moduleId;
    link->m_destSubType = dest.m_deviceSubType;
    link->m_destChannel = dest.m_number;
    link->m_drawnFromOutput = from_is_source ? 0 : 1;
    link->m_kind = a->m_kind == model::kChnlNetwork ? model::kLinkNetwork : model::kLinkPhysical;
    CDeviceLink* added = link.get();
    PlaceLink(std::move(link), source, dest);
    if (m_undo) {
        CDeviceLink* const links[] = {added};
        m_undo->AddLinkAction(model::kUndoAdd, links);
    }
    SetModifiedFlag(true);
    return true;
}

void CZoDeviceDoc::ClearSelection() {
    for (CBaseDevice* device : m_selectedDevices)
        device->m_selected = 0;
    for (CDeviceLink* link : m_selectedLinks)
        link->m_selected = 0;
    m_selectedDevices.clear();
    m_selectedLinks.clear();
}

int CZoDeviceDoc::SelectDevice(CBaseDevice* device, bool add) {
    const bool any = !m_selectedDevices.empty() || !m_selectedLinks.empty();
    if (device == nullptr) {
        if (add || !any)
            return kSelectUnchanged;
        ClearSelection();
        Notify(Kind::SelectionChanged);
        return kSelectAlone;
    }
    const bool selected = IsDeviceSelected(device->m_id, device->m_subType);
    if (add) {
        if (selected) {
            Unselect(device->m_id, device->m_subType);
        } else {
            device->m_selected = 1;
            m_selectedDevices.push_back(device);
            Notify(Kind::SelectionChanged);
        }
        return kSelectToggled;
    }
    if (selected)
        return kSelectUnchanged;
    ClearSelection();
    device->m_selected = 1;
    m_selectedDevices.push_back(device);
    Notify(Kind::SelectionChanged);
    return kSelectAlone;
}

int CZoDeviceDoc::SelectLink(CDeviceLink* link, bool add) {
    const bool any = !m_selectedDevices.empty() || !m_selectedLinks.empty();
    if (link == nullptr) {
        if (add || !any)
            return kSelectUnchanged;
        ClearSelection();
        Notify(Kind::SelectionChanged);
        return kSelectAlone;
    }
    const bool selected = std::any_of(m_selectedLinks.begin(), m_selectedLinks.end(),
                                      [&](const auto* l) { return l->m_id == link->m_id; });
    if (add) {
        if (selected) {
            UnselectLink(link->m_id);
        } else {
            link->m_selected = 1;
            m_selectedLinks.push_back(link);
            Notify(Kind::SelectionChanged);
        }
        return kSelectToggled;
    }
    if (selected)
        return kSelectUnchanged;
    ClearSelection();
    link->m_selected = 1;
    m_selectedLinks.push_back(link);
    Notify(Kind::SelectionChanged);
    return kSelectAlone;
}

void CZoDeviceDoc::SelectInRect(const Rect& rect) {
    bool changed = false;
    for (const auto& device : m_devices) {
        if (!device->IsBodyInRect(rect) ||
            std::find(m_selectedDevices.begin(), m_selectedDevices.end(), device.get()) !=
                m_selectedDevices.end())
            continue;
        device->m_selected = 1;
        m_selectedDevices.push_back(device.get());
        changed = true;
    }
    for (const auto& link : m_links) {
        if (!link->IsInRect(rect) || std::find(m_selectedLinks.begin(), m_selectedLinks.end(),
                                               link.get()) != m_selectedLinks.end())
            continue;
        link->m_selected = 1;
        m_selectedLinks.push_back(link.get());
        changed = true;
    }
    if (changed)
        Notify(Kind::SelectionChanged);
}

void CZoDeviceDoc::Unselect(std::int32_t id, std::int32_t subType) {
    const auto it =
        std::find_if(m_selectedDevices.begin(), m_selectedDevices.end(),
                     [&](const auto* d) { return d->m_id == id && d->m_subType == subType; });
    if (it == m_selectedDevices.end())
        return;
    (*it)->m_selected = 0;
    m_selectedDevices.erase(it);
    Notify(Kind::SelectionChanged);
}

void CZoDeviceDoc::UnselectLink(std::int32_t id) {
    const auto it = std::find_if(m_selectedLinks.begin(), m_selectedLinks.end(),
                                 [&](const auto* l) { return l->m_id == id; });
    if (it == m_selectedLinks.end())
        return;
    (*it)->m_selected = 0;
    m_selectedLinks.erase(it);
    Notify(Kind::SelectionChanged);
}

bool CZoDeviceDoc::DeleteSelection() {
    if (m_selectedDevices.empty() && m_selectedLinks.empty())
        return false;
    std::vector<CBaseDevice*> devices = m_selectedDevices;
    for (const CBaseDevice* device : m_selectedDevices) {
        CBaseDevice* other = FindSameIdDevice(device->m_id, device->m_subType, device->m_typeCode);
        if (other != nullptr && std::find(devices.begin(), devices.end(), other) == devices.end())
            devices.push_back(other);
    }
    if (m_undo)
        m_undo->AddDeviceLinkAction(model::kUndoDelete, devices, m_selectedLinks);
    while (!m_selectedLinks.empty())
        DeleteLink(m_selectedLinks.back()->m_id);
    while (!m_selectedDevices.empty()) {
        const CBaseDevice* last = m_selectedDevices.back();
        DeleteDevice(last->m_id, last->m_subType);
    }
    SetModifiedFlag(true);
    return true;
}

bool CZoDeviceDoc::FitsOnSheet(CBaseDevice& device, bool roomForTwin) {
    const Rect r = device.GetBoundRect();
    const std::int32_t w = m_sheet.width, h = m_sheet.height;
    if (r.Width() >= w || r.Height() >= h)
        return false;
    const std::int32_t body_width = device.GetBodySize().cx;
    std::int32_t dx = r.left < 10 ? 10 - r.left : 0;
    if (roomForTwin) {
        if (r.right + body_width + 10 > w - 10)
            dx = w - 20 - r.right - body_width;
    } else if (r.right > w - 10) {
        dx = w - r.right - 10;
    }
    std::int32_t dy = r.top < 10 ? 10 - r.top : 0;
    if (r.bottom > h - 10)
        dy = h - r.bottom - 10;
    if (dx == 0 && dy == 0)
        return true;
    const std::int32_t sx = SnapToGrid(dx), sy = SnapToGrid(dy);
    const bool in_document = std::any_of(m_devices.begin(), m_devices.end(),
                                         [&](const auto& d) { return d.get() == &device; });
    if (in_document)
        MoveDevice(device, sx, sy);
    else
        device.Offset(sx, sy);
    return true;
}

void CZoDeviceDoc::AddDropped(std::vector<std::unique_ptr<CBaseDevice>> devices) {
    std::vector<CBaseDevice*> added;
    for (auto& device : devices) {
        added.push_back(device.get());
        AddDevice(std::move(device));
    }
    if (m_undo)
        m_undo->AddAction(model::kUndoAdd, added, 0, 0);
    SetModifiedFlag(true);
}

bool CZoDeviceDoc::CreateDroppedDevice(std::int32_t x, std::int32_t y, std::int32_t model,
                                       const model::TextMeasurer& dc) {
    const std::int32_t id = NextDeviceId();
    const std::string device_name = platform::text::format("Device%d", id);
    std::vector<std::unique_ptr<CBaseDevice>> made;
    // A generic device or a matrix that does not fit is refused; the other
    // kinds go on the sheet wherever FitsOnSheet leaves them.
    const auto refuse_unless_fits = [&](std::unique_ptr<CBaseDevice> device) {
        if (!FitsOnSheet(*device, false)) {
            model::ShowMessage(160);
            return false;
        }
        made.push_back(std::move(device));
        return true;
    };
    if (model >= 1 && model <= 3) {
        made.push_back(std::make_unique<model::CDeviceNy>(dc, x, y, id, model, 3));
    } else if (model == 5 || model == 6 || model == 20) {
        made.push_back(std::make_unique<model::CDeviceNy>(dc, x, y, id, model, model == 5 ? 1 : 2));
    } else if (model::IsTwoHalfModel(model)) {
        auto first = std::make_unique<model::CDeviceNy>(dc, x, y, id, model, 1);
        FitsOnSheet(*first, true);
        const Rect body = first->m_body;
        made.push_back(std::move(first));
        made.push_back(std::make_unique<model::CDeviceNy>(dc, body.left + body.Width() + 9,
                                                          body.top, id, model, 2));
    } else if (model == model::kModelQOVG) {
        auto unit = std::make_unique<model::CDeviceQOVG>(dc, x, y, id, model, 2);
        FitsOnSheet(*unit, true);
        made.push_back(std::move(unit));
    } else if (model >= model::kModelPc && model <= model::kModelAmplifier) {
        made.push_back(std::make_unique<model::CDeviceExternal>(dc, x, y, id, model, 0));
    } else if (model == model::kModelGeneric) {
        const std::optional<GenericDeviceEntry> entry =
            m_dialogs == nullptr ? std::nullopt : m_dialogs->AddGeneric(device_name);
        if (!entry || !refuse_unless_fits(std::make_unique<model::CDeviceGeneric>(
                          dc, x, y, id, entry->name, model, entry->inputs, entry->outputs)))
            return false;
    } else if (model == model::kModelText) {
        auto text = std::make_unique<model::CDeviceText>(dc, x, y, id, "Text", model, 0);
        if (m_dialogs == nullptr || !m_dialogs->EditText(*text))
            return false;
        text->SetName(text->m_name, dc);
        made.push_back(std::move(text));
    } else if (model == model::kModelMatrix) {
        if (!refuse_unless_fits(
                std::make_unique<model::CDeviceMatrix>(dc, x, y, id, device_name, model, 4, 4)))
            return false;
    } else {
        return false;
    }
    // The halves of a unit were placed above, the first with room for its
    // twin; every other unit, external and text device is kept on the sheet
    // here.
    if (made.size() == 1 && model != model::kModelQOVG && model != model::kModelGeneric &&
        model != model::kModelMatrix)
        FitsOnSheet(*made.front(), false);
    AddDropped(std::move(made));
    return true;
}

void CZoDeviceDoc::AddStatusWindow(std::unique_ptr<IDeviceStatusWindow> window) {
    if (window)
        m_statusWindows.push_back(std::move(window));
}

IDeviceStatusWindow* CZoDeviceDoc::FindStatusWindow(std::int32_t id, std::int32_t subType) const {
    for (const auto& window : m_statusWindows)
        if (window->DeviceId() == id && window->DeviceSubType() == subType)
            return window.get();
    return nullptr;
}

void CZoDeviceDoc::RemoveStatusWindow(std::int32_t id, std::int32_t subType) {
    // Moved out first: a window's destructor may reach the list again.
    std::vector<std::unique_ptr<IDeviceStatusWindow>> going;
    for (auto it = m_statusWindows.begin(); it != m_statusWindows.end();) {
        if ((*it)->DeviceId() == id && (*it)->DeviceSubType() == subType) {
            going.push_back(std::move(*it));
            it = m_statusWindows.erase(it);
        } else {
            ++it;
        }
    }
}

bool CZoDeviceDoc::OnCommand(int id) {
    if (id != kCmdGrid)
        return false;
    if (m_undo)
        m_undo->AddSheetAction(model::kUndoSheet, *this);
    model::DeviceSheetSettings settings = m_sheet;
    settings.grid = settings.grid != 0 ? 0 : 1;
    SetSheetSettings(settings);
    SetModifiedFlag(true);
    return true;
}

bool CZoDeviceDoc::IsCommandChecked(int id) const {
    return id == kCmdGrid && m_sheet.grid != 0;
}

void CZoDeviceDoc::OnUpdatePane(int id) {
    if (id == kPaneSheetSize && m_frame != nullptr)
        m_frame->UpdateStatusPanes(2);
}

} // namespace device_editor
