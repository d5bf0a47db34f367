#pragma once
// The DSP configuration that belongs to a unit of the device sheet, and the
// switch of a unit to one of its stored templates. The DSP editor provides
// its documents through IDspDocuments; until it does, the frame has none.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace model {
class IDeviceDoc;
}

namespace shell {

// A DSP configuration as the main frame reaches it.
class IDspDocument {
public:
    virtual ~IDspDocument() = default;
    // The MAC text of the unit the document belongs to.
    virtual std::string UnitMac() const = 0;
    virtual void SetDeviceModel(int typeCode) = 0;
    // The device of the sheet a new document is made for.
    virtual void SetDeviceId(int deviceId) = 0;
    virtual void SetTitle(const std::string& title) = 0;
    // Brings its window to the front.
    virtual void Activate() = 0;
    // Whether it has a view: only a view loads and switches templates.
    virtual bool HasView() const = 0;
    // Whether it holds a configuration of the operator's: read from a file,
    // or edited since it was made. A document made new and left as it was
    // holds nothing a unit should be given in place of what it runs.
    virtual bool HoldsConfiguration() const = 0;
    // The view loads the sheet of a stored template and switches the unit
    // to that template's slot.
    virtual void LoadTemplate(const std::filesystem::path& path) = 0;
    virtual void SwitchToStoredTemplate(int slot) = 0;
};

// What the template selection dialog gives: the unit and one of its slots
// (0: none chosen).
struct CTemplateChoice {
    std::string mac;
    int slot = 0;
};

// The DSP editor's documents.
class IDspDocuments {
public:
    virtual ~IDspDocuments() = default;
    virtual std::vector<IDspDocument*> OpenDocuments() = 0;
    // Null when it could not be made or opened.
    virtual IDspDocument* NewDocument() = 0;
    virtual IDspDocument* OpenDocument(const std::filesystem::path& path) = 0;
    // The template selection dialog: the choice on OK, else none.
    virtual std::optional<CTemplateChoice> SelectTemplate() = 0;
};

// The DSP editor registers its documents here; null until it does.
void RegisterDspDocuments(IDspDocuments* documents);
IDspDocuments* RegisteredDspDocuments();

// The file of a unit's DSP configuration beside a saved sheet:
// "<sheet path without its extension> DSP Files/<MAC>.dsp", the folder and
// the file found without regard to case; none when it is not there.
std::optional<std::filesystem::path> UnitDspFile(const std::filesystem::path& sheetPath,
                                                 const std::string& mac);

// The DSP document of the sheet's unit `deviceId` (a DSP unit: model 1, 2
// or 3): the open one of its MAC brought to the front, else the unit's file
// beside the saved sheet, else a new one titled "<name>(<MAC>) *". Null
// when the sheet has no such unit, `documents` is null, or the document
// could not be made. A new document made for a saved sheet learns its
// device through `pendingDeviceId`, one for an unsaved sheet directly.
IDspDocument* OpenDspDocumentOfDevice(int deviceId, const model::IDeviceDoc* sheet,
                                      const std::string& sheetPath, IDspDocuments* documents,
                                      int& pendingDeviceId);

// The DSP template selection: the dialog, then the stored template's file
// from Ostrel.ini ([<MAC>-FirmAriTemplate] <slot>) loaded into the unit's
// open document, or a new one, and the unit switched to it. Messages 227,
// 304, 231, 287 (no DSP documents) and 286 (a document without a view).
void SelectDspTemplate(IDspDocuments* documents, const std::filesystem::path& iniPath);

} // namespace shell
