#pragma once
// What the DSP document needs of its neighbours, as small interfaces: the
// main frame (what it hands to a new sheet and where the device sheet is
// stored), the open attribute dialogs and the undo history. The program
// implements them over its windows and its history; tests script them.
#include <cstdint>
#include <memory>
#include <string>

namespace model {
class CBaseAriModule;
class CBaseLink;
} // namespace model

namespace dsp_editor {

class CZoDSPDoc;

// The main frame as the DSP document sees it.
class IDspMainFrame {
public:
    virtual ~IDspMainFrame() = default;
    // The unit MAC and device model index the frame holds for the DSP
    // document being created.
    virtual std::string NewSheetMac() const = 0;
    virtual std::int32_t NewSheetModel() const = 0;
    // The path of the device sheet's file; empty while it has never been
    // saved.
    virtual std::string DeviceDocumentPath() const = 0;
};

// A modeless attribute dialog open for a module of the document (kind 0,
// keyed by the module's id) or for all input or output channels (kind 1,
// id 0 for the inputs, 1 for the outputs). The document lists the open
// dialogs without owning them.
class IAttriDialog {
public:
    virtual ~IAttriDialog() = default;
    virtual std::int32_t GetModuleId() const = 0;
    virtual std::int32_t GetKind() const = 0;
    // Destroys the dialog's window; the dialog then deletes itself. The
    // document has forgotten it before it calls this.
    virtual void DestroyDialog() = 0;
};

// The undo history as the document's own edits feed it. A step gathers the
// actions recorded after BeginStep. A deleted module or link is handed over
// with the step: the history owns it while the document does not hold it.
class IDspUndoRecorder {
public:
    virtual ~IDspUndoRecorder() = default;
    virtual void BeginStep() = 0;
    virtual void RecordDeletedModule(std::unique_ptr<model::CBaseAriModule> module) = 0;
    virtual void RecordDeletedLink(std::unique_ptr<model::CBaseLink> link) = 0;
};

} // namespace dsp_editor
