#pragma once
// The device document's dialog commands (sheet size, colours, connection
// list), the text box properties command and the dialogs of a palette drop,
// over a seam that runs each dialog modally. The program's runner opens the
// widget dialog on the controller; tests run the controller by script.
#include <cstdint>
#include <optional>
#include <string>

#include "device_editor/device_doc_seams.h"
#include "model/gdi_types.h"

namespace model {
class CDeviceText;
}

namespace device_editor {

class CZoDeviceDoc;
class CSheetColourController;
class CSheetSizeController;
class CAddGenericController;
class CTextPropertyController;
class CLinkViewController;

// Runs one dialog modally on its controller; the dialog calls the
// controller's OnOk / OnCancel itself. Each returns whether the dialog
// closed with OK.
class ISheetDialogRunner {
public:
    virtual ~ISheetDialogRunner() = default;
    virtual bool RunSheetSize(CSheetSizeController& dialog) = 0;
    virtual bool RunSheetColours(CSheetColourController& dialog) = 0;
    virtual bool RunAddGeneric(CAddGenericController& dialog) = 0;
    virtual bool RunTextProperty(CTextPropertyController& dialog) = 0;
    virtual void RunLinkView(CLinkViewController& dialog) = 0;
};

// Command ids.
inline constexpr int kCmdSheetSize = 32777;    // context menu "模板大小(&H)..."
inline constexpr int kCmdDocumentSize = 32926; // Settings menu "文档大小(&S)..."
inline constexpr int kCmdColours = 32778;      // context menu "颜色设定(&C)..."
inline constexpr int kCmdColourScheme = 32896; // Settings menu "颜色配置(&C)..."
inline constexpr int kCmdLinkList = 32923;     // "连接关系(&L)..."

// Whether the id is one of the commands above.
bool IsSheetDialogCommand(int id);

// Runs a command above; false for any other id.
//  - sheet size (both ids): on OK one undo step of kind 4 holding the old
//    settings, the new size (the views follow the document's settings
//    announcement), the document marked modified and the sheet-size pane
//    refreshed;
//  - colours (both ids): the colour dialog, then the frame repaints its
//    colour panes (selector 1);
//  - connection list: the list dialog on the document.
// `frame` may be null.
bool RunSheetDialogCommand(CZoDeviceDoc& doc, int id, ISheetDialogRunner& runner,
                           IDeviceMainFrame* frame);

// The view's properties command on a text box of the document: the text
// dialog with an undo step on OK. Whether it closed with OK.
bool EditTextProperties(CZoDeviceDoc& doc, model::CDeviceText& box, const model::TextMeasurer& dc,
                        ISheetDialogRunner& runner);

// The dialogs a palette drop opens, through the runner: the generic device
// dialog, and the text dialog on a new box (no undo step of its own: the
// drop records the creation), whose trimmed text becomes the box's name.
class CSheetDropDialogs final : public IDeviceDocDialogs {
public:
    // All outlive it.
    CSheetDropDialogs(CZoDeviceDoc& doc, const model::TextMeasurer& dc, ISheetDialogRunner& runner);
    std::optional<GenericDeviceEntry> AddGeneric(const std::string& name) override;
    bool EditText(model::CDeviceText& text) override;

private:
    CZoDeviceDoc& m_doc;
    const model::TextMeasurer& m_dc;
    ISheetDialogRunner& m_runner;
};

} // namespace device_editor
