#pragma once
// What undo and redo of a device sheet need of the program's windows. The
// program gives each device document a host (the main frame, or whatever
// knows which view is active); the undo history reaches it through its
// document. A document without a host refuses undo and redo.
//
// Used on the user-interface thread only.

namespace model {

class CBaseDevice;
class IDeviceDoc;

class IUndoHost {
public:
    virtual ~IUndoHost() = default;
    // Whether the active view of the active child frame shows `document`.
    // Undo and redo act only then: the user sees what they change.
    virtual bool IsActiveViewOf(const IDeviceDoc& document) const = 0;
    // The view's handling of a moved device: brings the ends of the links
    // at its channels to the channel centres (the document's UpdateLinkEnds,
    // which announces the links' repaint).
    virtual void UpdateLinkEnds(CBaseDevice& device) = 0;
    // Invalidates the whole client area of the active view.
    virtual void InvalidateAll() = 0;
    // Repaints status bar panes: selector 0 the address panes, 1 the sheet
    // colours, 2 the sheet size.
    virtual void UpdateStatusPanes(int selector) = 0;
};

} // namespace model
