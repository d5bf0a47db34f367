#pragma once
// What the device sheet model asks of the program around it, as small
// interfaces the editor's windows implement: messages from the string table,
// and the view and main window that undo and redo act through. The model
// stays headless; tests install recorders.
//
// All of it is used on the user-interface thread only.
#include <string>
#include <utility>

#include "model/messages.h"

namespace model {

class CBaseDevice;
class IDeviceDoc;

// A device sheet view as undo and redo use it.
class IDeviceSheetView {
public:
    virtual ~IDeviceSheetView() = default;
    // The device document the view shows; null for a view of another kind.
    virtual const IDeviceDoc* GetDeviceDocument() const = 0;
    // Moves both ends of every link attached to the device's channels (the
    // document's links and their copies) to the channel centres and repaints
    // what changed.
    virtual void UpdateLinkEnds(CBaseDevice& device) = 0;
    // Invalidates the whole client area.
    virtual void InvalidateAll() = 0;
};

// The main window as the sheet model uses it.
class IMainWindow {
public:
    virtual ~IMainWindow() = default;
    // The active view of the active child frame, or null.
    virtual IDeviceSheetView* GetActiveView() = 0;
    // Repaints status bar panes: selector 0 the address panes, 1 the sheet
    // colours, 2 the sheet size.
    virtual void UpdateStatusPanes(int selector) = 0;
};

// The main window, or null (no windows: undo and redo then do nothing).
IMainWindow* GetMainWindow();
// Installs the main window; returns the previous one.
IMainWindow* SetMainWindow(IMainWindow* window);

} // namespace model
