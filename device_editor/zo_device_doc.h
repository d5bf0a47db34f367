#pragma once
// CZoDeviceDoc: the document of a device sheet, the drawing of an
// installation: its devices (units, external equipment, generic devices,
// matrices, text boxes) and the links between their channels, the
// selections, the sheet's settings and its undo history. Stored as a .zo
// file.
//
// Keys and invariants:
//  - a device is identified by (id, sub-type): the two halves of a unit of
//    models 4, 7, 8, 9, 10 and 19 share one id (sub-types 1 and 2), every
//    other device has an id of its own; a link is identified by its id;
//  - a link stands in the link array and, as a separate copy with its id,
//    in the link lists of the two channels it joins, which are then marked
//    connected;
//  - a selected object has its flag set and stands once in its selection;
//    loaded objects start unselected.
//
// What the document announces to its observers (model/document_observer.h;
// bounds are GetBoundRect of the device or link), each record sent once the
// document is consistent again:
//   AddDevice        ObjectAdded; SelectionChanged when it joined the selection
//   AddLinkFromRecord ObjectChanged (bounds unchanged) for each end device whose
//                    channel took a copy, then LinkAdded; SelectionChanged when
//                    the link joined the selection
//   DetachLink       ObjectChanged for each end device whose channel lost a copy
//   DeleteLink       as DetachLink, then LinkRemoved; SelectionChanged when the
//                    link was selected
//   DeleteDevice     per device (the other half first): each attached link as
//                    DeleteLink (no ObjectChanged for the devices going), then
//                    ObjectRemoved; SelectionChanged when it was selected
//   DeselectDevice, SetDeviceSelection   SelectionChanged when the selection
//                    gained or lost the device
//   MoveDevice, MoveDeviceTitle, ChangeDevice   ObjectChanged with the bounds
//                    before and after, one record per device
//   UpdateLinkEnds   LinkChanged for each link whose ends moved, with the area
//                    its versions covered before and after
//   SelectDevice, SelectLink, SelectInRect, Unselect, UnselectLink
//                    SelectionChanged once when a selection array or a
//                    selected flag changed (the views redraw the selection)
//   ConnectLink      as AddLinkFromRecord
//   DeleteSelection  each selected link as DeleteLink, then each selected
//                    device as DeleteDevice
//   CreateDroppedDevice  ObjectAdded per device (first half first), placed
//                    before it is added
//   FitsOnSheet      ObjectChanged with the bounds before and after when it
//                    moved a device of the document
//   OnCommand(32897) SettingsChanged, ModifiedChanged as SetModifiedFlag
//   SetSheetSettings, CopySheetProperties, the grid command
//                    SettingsChanged when they differ
//   SetModifiedFlag  ModifiedChanged when the flag flips
// The title (GetTitle, made from the flag) is not announced: whenever it
// changes the document asks the main frame to refresh the frame titles.
//   OnNewDocument, OpenDocument, a load through Serialize   Reset (then
//                    ModifiedChanged when the flag was set)
// Undo and redo change the document through these calls and so announce the
// same. Storing stamps the version it writes without an announcement
// (nothing shows the version).
//
// The .zo file (little-endian): version (uint32; a store writes 2); for
// version 1 or 2 the sheet width and height (int32 each, one 8-byte block),
// the physical-link, network-link and background colours (0x00BBGGRR, uint32
// each) and the grid flag (int32); then the device array and the link array
// in the object-array form. Another version has the two arrays straight
// after the version word.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "device_editor/device_doc_seams.h"
#include "model/base_device.h"
#include "model/device_chnl.h"
#include "model/device_document.h"
#include "model/device_link.h"
#include "model/document_observer.h"
#include "model/undo_history.h"
#include "model/undo_host.h"
#include "platform/archive/archive.h"
#include "platform/archive/object_array.h"

namespace device_editor {

class CZoDeviceDoc final : public model::IDeviceDoc {
public:
    using CBaseDevice = model::CBaseDevice;
    using CDeviceLink = model::CDeviceLink;
    using CDeviceChnl = model::CDeviceChnl;
    using Rect = model::Rect;

    // An empty document with the built-in sheet settings and no undo
    // history (the undo history makes such documents to hold settings).
    CZoDeviceDoc();
    ~CZoDeviceDoc() override;
    CZoDeviceDoc(const CZoDeviceDoc&) = delete;
    CZoDeviceDoc& operator=(const CZoDeviceDoc&) = delete;

    // -- the document's life

    // Empties the document, takes the sheet settings of a new sheet from
    // Ostrel.ini, starts a new undo history and clears the modified flag.
    void OnNewDocument();
    // Loads a .zo file. A file that cannot be read or does not load
    // (std::system_error, platform::archive::archive_error) leaves the
    // document as it was. A file of an unknown version keeps its objects but
    // gets the settings of a new sheet, after message 157. Starts a new undo
    // history and clears the modified flag. The document takes the path and
    // its file name as title.
    void OnOpenDocument(const std::filesystem::path& path);
    // The same from the file's bytes.
    void OpenDocument(std::span<const std::uint8_t> bytes);
    // Stores the document as a .zo file, replacing the old file only once
    // the new one is complete; then the document takes the path and its file
    // name as title, and the modified flag is cleared. Save and Save As both
    // end here.
    void OnSaveDocument(const std::filesystem::path& path);
    // The .zo form of the document (version 2).
    std::vector<std::uint8_t> SaveDocument();
    // Stores or loads the .zo form. A load replaces the document's contents
    // only when the whole file has loaded.
    void Serialize(platform::archive::archive_t& ar);

    // The sheet settings of a new sheet: [SheetSize] SheetWidth (1130),
    // SheetHeight (1600); [ColorScheme] SysDocBack (white), SysPhysicalLine
    // (black), SysNetLine (blue); grid on; version -1.
    static model::DeviceSheetSettings NewSheetSettings();

    // -- sheet settings

    const model::DeviceSheetSettings& GetSheetSettings() const override { return m_sheet; }
    void SetSheetSettings(const model::DeviceSheetSettings& settings);
    void CopySheetProperties(const model::IDeviceDoc& other) override;
    std::unique_ptr<model::IDeviceDoc> CreateSheetHolder() const override;

    // -- lookups (null outside the arrays or when nothing matches)

    int GetDeviceCount() const { return static_cast<int>(m_devices.size()); }
    int GetLinkCount() const { return static_cast<int>(m_links.size()); }
    int GetSelectedCount() const { return static_cast<int>(m_selectedDevices.size()); }
    int GetSelectedLinkCount() const { return static_cast<int>(m_selectedLinks.size()); }
    CBaseDevice* GetDevice(int index) const;
    CDeviceLink* GetLink(int index) const;
    // The index-th selected device / link.
    CBaseDevice* GetSelected(int index) const;
    CDeviceLink* GetSelectedLink(int index) const;
    CBaseDevice* FindDevice(std::int32_t id, std::int32_t subType) const override;
    // For models 4, 7, 8, 9, 10 and 19 only: the first device with that id
    // and another sub-type, the other half of the unit.
    CBaseDevice* FindSameIdDevice(std::int32_t id, std::int32_t subType, std::int32_t model) const;
    CDeviceLink* FindLink(std::int32_t id) const override;
    bool IsDeviceSelected(std::int32_t id, std::int32_t subType) const;
    // The channel at one end of a link: the device found by (id, sub-type),
    // its channel by number; null when either is missing or the channel is
    // not a device channel.
    CDeviceChnl* FindChannel(std::int32_t id, std::int32_t subType, std::int32_t channel) const;

    // True when some device's MAC text equals `mac` exactly.
    bool HasDeviceMac(const std::string& mac) const;
    // The union of the selected devices' bound rectangles; an empty
    // rectangle at 0 when nothing is selected.
    Rect GetSelectionBounds() const;
    // The largest (bound right - 5) and (bound bottom - 5) over the devices,
    // at least 0: the smallest sheet that holds them.
    model::Size GetDevicesExtent() const;

    // Link rules. A channel can start (or end) a link when its property is
    // non-zero and it has no link yet, or it has links and is a unit's
    // network output (the only channel that takes several links).
    static bool CanLinkChannel(const CDeviceChnl& ch);
    // A link from `from` to `to`: one input and one output, both physical or
    // both network, and `to` passes CanLinkChannel.
    static bool CanLinkChannels(const CDeviceChnl& from, const CDeviceChnl& to);

    // The smallest positive id no device (link) uses.
    std::int32_t NextDeviceId() const;
    std::int32_t NextLinkId() const;

    // -- changes

    void AddDevice(std::unique_ptr<CBaseDevice> device) override;
    // Gives the channel at each end (input end: source pair, output end:
    // destination pair) a copy unless it holds one with the link's id, marks
    // it connected, and appends the link (to the selection too when its
    // flag is set). False, and the link dropped, when an end device or
    // channel is missing.
    bool AddLinkFromRecord(std::unique_ptr<CDeviceLink> link) override;
    // Completes a link the view drew from channel `from` to channel `to`
    // (the rules checked): its end goes to the centre of `to`, it gets a new
    // id and its ends by direction (the direction-0 channel is the source
    // pair; drawn from output when `from` is the direction-1 channel), its
    // kind from the channels; then it is added as AddLinkFromRecord does,
    // with an undo step of kind 1, and the document is marked modified.
    // False, and the link dropped, when an end is not a channel of this
    // document's devices.
    bool ConnectLink(const CDeviceChnl& from, const CDeviceChnl& to,
                     std::unique_ptr<CDeviceLink> link);
    // Removes the link's copies from its two end channels (a missing end is
    // skipped).
    void DetachLink(const CDeviceLink& link);
    // Detaches the link, takes it out of the array and the selection and
    // deletes it; nothing when no link has that id.
    void DeleteLink(std::int32_t linkId) override;
    // Deletes the device, its other half and every link attached to either
    // (with the copies at the far ends).
    void DeleteDevice(std::int32_t id, std::int32_t subType) override;
    // Deletes everything selected, the other halves of selected units and
    // every link at the deleted devices, as one undo step of kind 2. Nothing
    // selected: nothing happens, no step. True when something was deleted.
    bool DeleteSelection();
    // Takes the first device with that id and sub-type out of the
    // selection; its flag is left alone.
    void DeselectDevice(std::int32_t id, std::int32_t subType);

    // -- selection

    // Results of SelectDevice and SelectLink.
    static constexpr int kSelectUnchanged = 0;
    static constexpr int kSelectToggled = 1;
    static constexpr int kSelectAlone = 2;
    // With `add`: toggles the device (by id and sub-type) in or out of the
    // selection, 1. Without: an already selected device changes nothing (0);
    // an unselected one clears both selections and is selected alone (2).
    // No device: with `add` 0; without, both selections are cleared, 2 when
    // anything was selected, else 0.
    int SelectDevice(CBaseDevice* device, bool add);
    // The same rules for links, keyed by link id.
    int SelectLink(CDeviceLink* link, bool add);
    // Adds every device whose body lies wholly in `rect` and every link with
    // both ends in it; the earlier selection stays.
    void SelectInRect(const Rect& rect);
    // Take the entry out of its selection and clear its flag.
    void Unselect(std::int32_t id, std::int32_t subType);
    void UnselectLink(std::int32_t id);

    // -- palette drops and placement

    // Keeps a device on the sheet: false when its bound rectangle is as
    // wide or as high as the sheet; else moves it (offsets snapped with
    // SnapToGrid) so that it lies 10 inside the edges, with `roomForTwin`
    // far enough from the right edge for a second half of its body's width.
    bool FitsOnSheet(CBaseDevice& device, bool roomForTwin);
    // Creates what a palette drop of `model` at (x, y) (already snapped)
    // makes, each device with an undo step of kind 1 (one for both halves
    // of a unit), and marks the document modified. Generic devices (16) and
    // text boxes (17) need the dialogs; without them, or on Cancel, nothing
    // is created. A generic device or matrix too large for the sheet is
    // refused with message 160. True when something was added.
    bool CreateDroppedDevice(std::int32_t x, std::int32_t y, std::int32_t model,
                             const model::TextMeasurer& dc);
    // Not owned; null (the default) makes drops of models 16 and 17 create
    // nothing.
    void SetDialogs(IDeviceDocDialogs* dialogs) { m_dialogs = dialogs; }

    // -- status windows of monitored amplifier units (owned)

    void AddStatusWindow(std::unique_ptr<IDeviceStatusWindow> window);
    // The open window of the device, or null.
    IDeviceStatusWindow* FindStatusWindow(std::int32_t id, std::int32_t subType) const;
    // The window closed itself: it is let go (destroyed) here.
    void RemoveStatusWindow(std::int32_t id, std::int32_t subType);
    int GetStatusWindowCount() const { return static_cast<int>(m_statusWindows.size()); }
    const std::vector<std::unique_ptr<IDeviceStatusWindow>>& StatusWindows() const {
        return m_statusWindows;
    }

    // -- commands

    static constexpr int kCmdGrid = 32897;
    static constexpr int kPaneSheetSize = 205;
    // Runs a document command; false when the document has none of that id.
    // Grid (32897): an undo step of kind 4, then the grid flag toggles.
    bool OnCommand(int id);
    // Whether the command's menu item shows a check mark (the grid while
    // it is on).
    bool IsCommandChecked(int id) const;
    // The update handler of status pane 205: the frame refreshes its
    // sheet-size pane.
    void OnUpdatePane(int id);
    void SetDeviceSelection(CBaseDevice& device, bool selected) override;
    void MoveDevice(CBaseDevice& device, std::int32_t dx, std::int32_t dy) override;
    void MoveDeviceTitle(CBaseDevice& device, std::int32_t dx, std::int32_t dy) override;
    void ChangeDevice(CBaseDevice& device, const CBaseDevice& from) override;

    // Moves both ends of every link attached to the device's channels (the
    // document's link and the copies at both ends) to the centres of their
    // channels.
    void UpdateLinkEnds(const CBaseDevice& device);

    // -- modified flag, title, main frame

    void SetModifiedFlag(bool modified = true) override;
    bool IsModified() const override { return m_modified; }
    // The title: the file title, with " *" while the document is modified.
    std::string GetTitle() const;
    // The file title alone, the name a Save As proposes.
    const std::string& GetFileTitle() const { return m_fileTitle; }
    void SetTitle(const std::string& fileTitle);
    const std::filesystem::path& GetPathName() const { return m_path; }

    // Not owned; it outlives the document or is taken away first (null).
    // Told of loads and stores, of the close and of the document's end.
    void SetMainFrame(IDeviceMainFrame* frame) { m_frame = frame; }
    // Closing: the frame's output list is emptied and its output-bar record
    // cleared.
    void OnCloseDocument();

    // -- observers, undo

    void AttachObserver(model::IDocumentObserver* observer) { m_observers.Attach(observer); }
    void DetachObserver(model::IDocumentObserver* observer) { m_observers.Detach(observer); }

    // The host is not owned and outlives the document or is taken away
    // first (null); it survives new and opened documents.
    void SetUndoHost(model::IUndoHost* host) { m_undoHost = host; }
    model::IUndoHost* GetUndoHost() const override { return m_undoHost; }
    model::CUndoHistory* GetUndoHistory() const { return m_undo.get(); }

    const platform::archive::object_array_t<CBaseDevice>& Devices() const { return m_devices; }
    const platform::archive::object_array_t<CDeviceLink>& Links() const { return m_links; }

private:
    using Kind = model::DocumentChangeKind;
    void Notify(Kind kind, std::int32_t id = 0, std::int32_t subType = 0, const Rect& bounds = {},
                const Rect& oldBounds = {});
    void NotifyDevice(Kind kind, const CBaseDevice& device, const Rect& oldBounds = {});
    // Reads a .zo form into the document, without announcing it.
    void Load(platform::archive::archive_t& ar);
    void AnnounceReset();
    // Detaches the link from its end channels; the end devices in `going`
    // are not announced as changed.
    void DetachLinkExcept(const CDeviceLink& link, std::span<const CBaseDevice* const> going);
    void DeleteLinkExcept(std::int32_t linkId, std::span<const CBaseDevice* const> going);
    void DeleteLinksAt(const CBaseDevice& device, std::span<const CBaseDevice* const> going);
    void RemoveDevice(const CBaseDevice* device);
    // Adds a link whose ends name channels of this document; the end
    // devices that took a copy are announced as changed.
    void PlaceLink(std::unique_ptr<CDeviceLink> link, CDeviceChnl& source, CDeviceChnl& dest);
    void ClearSelection();
    void SetPath(const std::filesystem::path& path);
    // A palette drop's devices: kept on the sheet, added, one undo step.
    void AddDropped(std::vector<std::unique_ptr<CBaseDevice>> devices);

    // The first object of an array with each key, and how many share the
    // key: lookups answer as a scan of the array from its start would,
    // duplicates of a loaded file included, without the scan. A drag looks
    // up both ends of every link at every device it moves.
    template <class T> class KeyIndex {
    public:
        T* Find(std::uint64_t key) const;
        // `item` was appended to the array.
        void Add(std::uint64_t key, T* item);
        // `item` has left `array`.
        template <class Array, class KeyOf>
        void Remove(std::uint64_t key, const T* item, const Array& array, KeyOf keyOf);
        template <class Array, class KeyOf> void Rebuild(const Array& array, KeyOf keyOf);

    private:
        struct Entry {
            T* first = nullptr;
            int count = 0;
        };
        std::unordered_map<std::uint64_t, Entry> m_entries;
    };
    void IndexDevices();
    void IndexLinks();

    model::DeviceSheetSettings m_sheet;
    platform::archive::object_array_t<CBaseDevice> m_devices;
    platform::archive::object_array_t<CDeviceLink> m_links;
    // Devices by (id, sub-type), links by id; kept with the arrays.
    KeyIndex<CBaseDevice> m_deviceIndex;
    KeyIndex<CDeviceLink> m_linkIndex;
    std::vector<CBaseDevice*> m_selectedDevices; // into m_devices
    std::vector<CDeviceLink*> m_selectedLinks;   // into m_links
    std::unique_ptr<model::CUndoHistory> m_undo;
    bool m_modified = false;
    model::IUndoHost* m_undoHost = nullptr;
    model::CDocumentSubject m_observers;
    std::vector<std::unique_ptr<IDeviceStatusWindow>> m_statusWindows;
    IDeviceDocDialogs* m_dialogs = nullptr;
    IDeviceMainFrame* m_frame = nullptr;
    std::string m_fileTitle;
    std::filesystem::path m_path;
};

} // namespace device_editor
