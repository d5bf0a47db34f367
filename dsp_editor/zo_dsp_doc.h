#pragma once
// CZoDSPDoc: the document of one DSP configuration, the signal-flow sheet of
// one DSP unit: its algorithm modules and the links between their pins, the
// sheet's settings, the unit's MAC, the state flags that the download and
// live control read, and the .dsp file (the same form, stored under another
// name, is a sheet template, .dmu).
//
// Keys and invariants:
//  - module ids are unique and never reused while the document is open: the
//    module id counter only grows and is never below an id the sheet holds
//    (a file is held to the same); the eight input modules of a new sheet
//    have ids 1-8, the eight output modules 9-16;
//  - a link names its receiving module and input pin (the source pair) and
//    its feeding module and output pin (the destination pair) by module id
//    and pin index; the receiving pin records its feeder (peer module and
//    peer channel), and each pin counts the links drawn to it;
//  - a module or link is selected while its selected flag is set.
//
// What the document announces to its observers (model/document_observer.h;
// modules keyed by (id, 0), links by (id, 0); bounds as ModuleBounds and
// LinkBounds give them), each record sent once the document is consistent:
//   AddModule        ObjectAdded, SelectionChanged
//   AddLink          LinkAdded, SelectionChanged
//   DeleteSelection  per link LinkRemoved, per module ObjectRemoved, then
//                    ObjectChanged for each remaining module whose pins lost
//                    a link, then SelectionChanged
//   ClearSelection   SelectionChanged when anything was selected
//   DetachLinkPins, AttachLinkPins   ObjectChanged for each end module
//   SetDeviceModel   ObjectChanged for each input and output module
//   SetParameter, SetParameters   ObjectChanged for the module, then for
//                    each member of its binding group that follows it
//   TakeModule, PutModule   ObjectRemoved, ObjectAdded
//   TakeLink, PutLink       LinkRemoved or LinkAdded, and ObjectChanged for
//                    each end module
//   MoveModule       ObjectChanged, then LinkChanged per link of the module
//   SwapSheet        Reset
//   SelectModule, SelectLink   SelectionChanged
//   SetModifiedFlag  ModifiedChanged when the flag flips
//   OnNewDocument, OpenDocument, a load through Serialize   Reset (then
//                    ModifiedChanged when the flag flipped)
//
// The .dsp file (little-endian): version (int32; a store writes 2); for
// version 1 or 2: device model index, zoom level, sheet width and height
// (one 8-byte block), the ten name counters, the module id counter, the link
// id counter, space total, time total, sheet colour (int32 each), unit MAC
// and saved title (archive strings), hidden-modules flag, device template
// slot (int32 each), template structure name and template parameter name
// (archive strings). Then the module array and the link array in the
// object-array form. Another version has the two arrays straight after the
// version word, and a load keeps the header fields the document had.
#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dsp_editor/dsp_seams.h"
#include "model/ari_classes.h"
#include "model/base_ari_module.h"
#include "model/base_link.h"
#include "model/document_observer.h"
#include "model/module_parameters.h"
#include "platform/archive/archive.h"
#include "platform/archive/object_array.h"

namespace dsp_editor {

// The template loader and the parameter files make modules by type code.
using model::CreateAriModule;

// The name counter and name pattern ("Delay-%d") of a module type that
// numbers its modules by its own counter; counter -1 and no pattern for the
// input and output modules, which are named by their channel.
struct ModuleNameRule {
    int counter = -1;
    const char* pattern = nullptr;
};
ModuleNameRule ModuleNameRuleOf(std::int32_t type);

// Text and meter modules: they process no signal and take no execution
// order.
bool IsTextOrMeter(const model::CBaseAriModule& module);

// Whether `mac` is a unit's MAC: 12 hexadecimal digits, either case. A MAC
// read from a file names a file, an ini section or a database row only
// when it is one.
bool IsUnitMac(std::string_view mac);

// Where a DSP document that was never opened from a file is saved: beside
// the device sheet, "<sheet path less its last 3 characters (.zo)> DSP
// Files/<MAC>.dsp" (the sheet path trimmed of blanks first). None for an
// empty sheet path or a MAC other than 12 hexadecimal digits, which would
// name a file elsewhere.
std::optional<std::filesystem::path> DefaultDspPath(std::string_view sheetPath,
                                                    std::string_view mac);

// The areas a view repaints for a module (its body with frame, selection
// marks and shadow) and for a link (its polyline and pick region).
model::Rect ModuleBounds(const model::CBaseAriModule& module);
model::Rect LinkBounds(const model::CBaseLink& link);

// One parameter change as CZoDSPDoc::SetParameter carries it out.
struct ParameterChange {
    // Writes the new value into a module: the module, then its undo copy.
    std::function<void(model::CBaseAriModule&)> assign;
    // The unit command of the module's new value; null for none.
    std::function<void(const model::CBaseAriModule&, model::IParameterSink&)> command;
};

// Where a parameter change goes beyond the document: the console's control
// queue, and the module's binding group, whose members follow it.
class IParameterHost {
public:
    virtual ~IParameterHost() = default;
    virtual model::IParameterSink& UnitCommands() = 0;
    virtual void FollowGroup(const model::CBaseAriModule& module) = 0;
};

class CZoDSPDoc {
public:
    using CBaseAriModule = model::CBaseAriModule;
    using CBaseLink = model::CBaseLink;

    // Index of each type's name counter.
    enum ENameCounter {
        kDelayCounter,
        kRouterCounter,
        kMixerCounter,
        kDynamicCounter,
        kGeneratorCounter,
        kEqualizerCounter,
        kFilterCounter,
        kCrossOverCounter,
        kTextCounter,
        kMeterCounter,
        kNameCounterCount
    };

    // Makes the undo history of a new or opened document.
    using UndoFactory = std::function<std::unique_ptr<IDspUndoRecorder>(CZoDSPDoc&)>;

    // Every field at its construction value; no undo history until the
    // document is made new or opened.
    CZoDSPDoc();
    // Destroys every open attribute dialog.
    ~CZoDSPDoc();
    CZoDSPDoc(const CZoDSPDoc&) = delete;
    CZoDSPDoc& operator=(const CZoDSPDoc&) = delete;

    // -- neighbours (not owned; each outlives the document or is taken away
    //    first with null)

    void SetMainFrame(IDspMainFrame* frame) { m_frame = frame; }
    IDspMainFrame* GetMainFrame() const { return m_frame; }
    // The history factory survives new and opened documents; without one a
    // document makes its own CDSPUndoHistory (dsp_undo.h).
    void SetUndoFactory(UndoFactory factory) { m_undoFactory = std::move(factory); }
    IDspUndoRecorder* GetUndoHistory() const { return m_undo.get(); }

    void AttachObserver(model::IDocumentObserver* observer) { m_observers.Attach(observer); }
    void DetachObserver(model::IDocumentObserver* observer) { m_observers.Detach(observer); }

    // -- the document's life

    // A new sheet: sheet size and colour from [DSPSheet] of Ostrel.ini, the
    // unit MAC and model the main frame holds for it, the default channels
    // (which run the resource check), a new undo history, slot 0 and the
    // template names "TypeName" and "ChildTypeName"; marked modified.
    void OnNewDocument();
    // Loads a .dsp or .dmu file and takes its path and file name as the
    // document's path and title. A file that cannot be read or does not load
    // (std::system_error, platform::archive::archive_error) leaves the
    // document as it was. Then clears the state flags and the run-time
    // state, starts a new undo history and marks the document clean.
    void OnOpenDocument(const std::filesystem::path& path);
    // The same from the file's bytes (path and title left alone).
    void OpenDocument(std::span<const std::uint8_t> bytes);
    // The file form of the document (version 2).
    std::vector<std::uint8_t> SaveDocument();
    // Stores or loads the file form. A load replaces the document's
    // contents only when the whole file has loaded; a module id that the
    // file repeats is a format error. The id counters loaded are raised to
    // the highest ids the file holds.
    void Serialize(platform::archive::archive_t& ar);

    // The Save command: clears the selection and writes the document to its
    // path or, for a document never opened from a file, to
    // "<device sheet path less its .zo> DSP Files/<MAC>.dsp" (the folder
    // made when missing; the saved title takes the title without " *").
    // The file is replaced only once the new one is complete; the document
    // is marked clean only then. Message 323 when the device sheet has no
    // path, 248 when the MAC is not 12 hexadecimal digits (nothing written),
    // 349 when writing fails (the document stays modified). Returns whether
    // the document was written.
    bool OnFileSave();
    // The Close command: whether the caller may close the document. A
    // modified document asks 324 (Yes/No/Cancel): Yes saves as OnFileSave
    // and closes only when that succeeded; No closes; Cancel keeps it.
    bool OnFileClose();

    // The path of the file the document was opened from (empty for a new
    // one); the save path of such a document is computed at each save.
    const std::filesystem::path& GetPathName() const { return m_path; }
    const std::string& GetTitle() const { return m_title; }
    void SetTitle(std::string title) { m_title = std::move(title); }
    // Keeps the title's " *" in step with the flag: becoming modified
    // appends it, becoming clean removes it when the title ends in it.
    void SetModifiedFlag(bool modified = true);
    bool IsModified() const { return m_modified; }

    // -- building the sheet

    // Eight input modules at x 20 and eight output modules at x 600, at y
    // 20, 90, ..., 510, inputs first, through AddModule.
    void CreateDefaultChannels();
    // A new module of the type and variant at (x, y) (each at least 10),
    // with the next id, named by its type, kept 10 inside the sheet's right
    // and bottom edges, appended and made the selection; marks the document
    // modified. Unless it is a text or meter module, clears resources ok,
    // order ok and live and runs the resource check. Null for type 6 and
    // codes outside 1-13 (the id is used up all the same).
    CBaseAriModule* AddModule(std::int32_t type, std::int32_t variant, std::int32_t x,
                              std::int32_t y, std::int32_t deviceModel);
    // The module of the type made at (x, y) as the sheet places modules: at
    // least 10 inside its left and top edges, pushed back 10 inside its
    // right and bottom ones; not added. Null for a type without a class.
    std::unique_ptr<CBaseAriModule> MakePlacedModule(std::int32_t type, std::int32_t id,
                                                     std::int32_t variant, std::int32_t x,
                                                     std::int32_t y,
                                                     std::int32_t deviceModel) const;
    // A new link with the next id from the feeding module's pin to the
    // receiving module's pin, the receiving pin recording its feeder (link
    // counts are the drawing caller's); appended and made the selection,
    // marks the document modified and, unless the receiving module is a
    // meter, clears order ok, program built and live. Null, and nothing
    // changed, when a module or pin is missing.
    CBaseLink* AddLink(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                       std::int32_t receivingId, std::int32_t receivingPin, std::int32_t feedingId,
                       std::int32_t feedingPin);
    // Deletes the selected modules (input and output modules are only
    // unselected) with every link touching them, and the selected links,
    // as one undo step; their attribute dialogs are destroyed. While live,
    // message 301 and only the selection is cleared.
    void DeleteSelection();
    void ClearSelection();

    // Take a link's connection off its two pins or put it back.
    void DetachLinkPins(const CBaseLink& link);
    void AttachLinkPins(const CBaseLink& link);

    // -- what undo and redo change (each announces its change)

    // Takes the module out of the array; its open single-module attribute
    // dialogs are destroyed. Null when no module has that id.
    std::unique_ptr<CBaseAriModule> TakeModule(std::int32_t id);
    // Appends the module; the caller keeps ids unique.
    CBaseAriModule* PutModule(std::unique_ptr<CBaseAriModule> module);
    // Takes the link off its pins and out of the array; null when no link
    // has that id.
    std::unique_ptr<CBaseLink> TakeLink(std::int32_t id);
    // Appends the link and puts it on its pins.
    CBaseLink* PutLink(std::unique_ptr<CBaseLink> link);
    // Moves the module by (dx, dy) with the ends of its links.
    void MoveModule(CBaseAriModule& module, std::int32_t dx, std::int32_t dy);
    // Exchanges the sheet's modules and links with the given ones; every
    // open attribute dialog is destroyed first.
    void SwapSheet(platform::archive::object_array_t<CBaseAriModule>& modules,
                   platform::archive::object_array_t<CBaseLink>& links);
    // Sets the selected flag and announces the new selection.
    void SelectModule(CBaseAriModule& module);
    void SelectLink(CBaseLink& link);
    // Announces that a module's contents (parameters, group, hidden flag)
    // changed.
    void NotifyModuleChanged(const CBaseAriModule& module);
    // The one way a value of a module is set: the undo step's copy (the
    // module's newest step merged, or without `merge` an action in the step
    // the caller began), the value into the module and the copy, the unit
    // command while live, the modified flag, the announcement, and the
    // binding group following.
    void SetParameter(CBaseAriModule& module, const ParameterChange& change, IParameterHost& host,
                      bool merge = true);
    // Several values of one module changed together: each change in turn
    // takes its undo copy (the first as SetParameter's, every later one an
    // action added to that step), its value and, while live, its command;
    // then the modified flag, the announcement and the binding group once.
    // Nothing for no change.
    void SetParameters(CBaseAriModule& module, std::span<const ParameterChange> changes,
                       IParameterHost& host, bool merge = true);

    // Sets the device model index and gives the input and output modules the
    // model's name and colours. Leaves the modified flag alone.
    void SetDeviceModel(std::int32_t model);

    // -- lookups

    CBaseAriModule* GetModuleById(std::int32_t id) const;
    // The module with that execution order number; null unless order ok is
    // set and 1 <= order <= the output order number.
    CBaseAriModule* GetModuleByOrder(std::int32_t order) const;
    CBaseLink* GetLinkById(std::int32_t id) const;
    const platform::archive::object_array_t<CBaseAriModule>& Modules() const { return m_modules; }
    const platform::archive::object_array_t<CBaseLink>& Links() const { return m_links; }

    // -- resources and execution order

    // Sums the sheet's space and time and stores the totals; 1 when they fit,
    // else 0 after message 307 (space, checked first) or 306 (time).
    std::int32_t CheckResources();
    // Runs the resource check and numbers the modules in dependency order:
    // inputs 1, processing modules from 2, outputs n + 2 (n the processing
    // modules), text and meter modules 0. 1 and order ok set on success;
    // 0 on a missing feeder, a loop or a module fed only through a text or
    // meter module.
    std::int32_t AssignExecutionOrder();

    // -- open attribute dialogs (not owned)

    void AddAttriDialog(IAttriDialog* dialog) { m_attriDialogs.push_back(dialog); }
    // Takes the first dialog with that id and kind out of the list.
    void RemoveAttriDialog(std::int32_t moduleId, std::int32_t kind);
    // Empties the list, destroying every dialog.
    void DestroyAttriDialogs();
    const std::vector<IAttriDialog*>& AttriDialogs() const { return m_attriDialogs; }

    // -- fields, in declaration order

    std::int32_t m_fileVersion = -1;  // read from or written to the file
    std::int32_t m_deviceModel = 0;   // row of the device model table
    std::int32_t m_zoom = 0;          // zoom code of the view
    std::int32_t m_sheetWidth = 1260; // logical sheet size
    std::int32_t m_sheetHeight = 1800;
    std::int32_t m_hiddenModules = 0; // input or output modules hidden by the view

private:
    platform::archive::object_array_t<CBaseAriModule> m_modules; // creation order
    std::vector<IAttriDialog*> m_attriDialogs;
    platform::archive::object_array_t<CBaseLink> m_links;

public:
    std::array<std::int32_t, kNameCounterCount> m_nameCounters{}; // last number given per type
    std::int32_t m_moduleIdCounter = 0;                           // last module id given
    std::int32_t m_outputOrder = 0; // order number of the output modules; not stored
    std::int32_t m_linkIdCounter = 0;
    std::int32_t m_spaceTotal = 0; // resource sums as last computed
    std::int32_t m_timeTotal = 0;
    std::int32_t m_resourcesOk = 0;
    std::int32_t m_orderOk = 0;
    std::int32_t m_programBuilt = 0;
    // Real-time control of the unit; the command sender thread reads it.
    std::atomic<std::int32_t> m_live = 0;
    std::int32_t m_moduleDeleted = 0;
    std::int32_t m_linkDeleted = 0;
    model::COLORREF m_sheetColour = 0;
    std::string m_unitMac; // 12 hexadecimal characters as the main frame gives it
    std::string m_savedTitle;
    std::int32_t m_templateSlot = 0; // unit template slot 1-8 stored to; 0 none
    std::string m_templateStructName;
    std::string m_templateParamName;

private:
    using Kind = model::DocumentChangeKind;
    void Notify(Kind kind, std::int32_t id = 0, const model::Rect& bounds = {},
                const model::Rect& oldBounds = {});
    void Load(platform::archive::archive_t& ar);
    void ResetRunState();
    void NewUndoHistory();
    // Clears every selected flag; whether any was set.
    bool ClearSelectedFlags();
    // Removes the link at that index: off its pins, recorded for undo;
    // the module ids whose pins it left go to `touched`.
    void DeleteLinkAt(std::size_t index, std::vector<std::int32_t>& touched);
    // The default save path, or none after its message (323 or 248).
    std::optional<std::filesystem::path> DefaultSavePath() const;
    bool WriteTo(const std::filesystem::path& path, const std::string& savedTitle);

    std::unique_ptr<IDspUndoRecorder> m_undo;
    UndoFactory m_undoFactory;
    IDspMainFrame* m_frame = nullptr;
    std::filesystem::path m_path;
    std::string m_title;
    bool m_modified = false;
    model::CDocumentSubject m_observers;
};

} // namespace dsp_editor
