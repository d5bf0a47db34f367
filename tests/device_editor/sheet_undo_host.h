#pragma once
// The undo history's host as a sheet's window is to it: the document's own
// view is the active one, and a restored device's links are fitted to it.
#include "device_editor/zo_device_doc.h"
#include "model/undo_host.h"

namespace sheet_test {

class CSheetUndoHost final : public model::IUndoHost {
public:
    explicit CSheetUndoHost(device_editor::CZoDeviceDoc& doc) : doc_(doc) {
        doc.SetUndoHost(this);
    }
    bool IsActiveViewOf(const model::IDeviceDoc& d) const override { return &d == &doc_; }
    void UpdateLinkEnds(model::CBaseDevice& device) override { doc_.UpdateLinkEnds(device); }
    void InvalidateAll() override {}
    void UpdateStatusPanes(int) override {}

private:
    device_editor::CZoDeviceDoc& doc_;
};

} // namespace sheet_test
