#pragma once
// CMatrixRouteController: the route dialog of a matrix device without its
// widget. Edits the matrix's 4 x 4 route table (each output takes at most
// one input) and, while the sheet runs, tells the units wired to the matrix
// at once: a crosspoint switched on sends the route from each unit feeding
// that input to each unit fed by that output, in the form the sheet's
// download sends (comm::BuildRouteText); an input without a link, or a
// crosspoint switched off, frees the receiving channels of that output.
// A unit takes part only while it is on line and its address lies within
// the configured range; the text goes to the receiving unit and each one is
// reported in the output list.
//
// Intended widget: caption from the dialog's own text plus CaptionSuffix();
// sixteen two-state picture buttons (pictures 238, 239, 236, 237), row r =
// "Out r+1", column c = "In c+1", pressed while IsOn(r, c); a click calls
// Toggle(r, c) and redraws the row; Enter and Escape do nothing; the close
// box calls OnClose before the dialog ends.
//
// Lives in device_editor_net: the route texts are device communication's.
#include <memory>
#include <string>

#include "device_editor/sheet_lock.h"

namespace model {
class CBaseDevice;
class CDeviceMatrix;
} // namespace model

namespace device_editor {

class CZoDeviceDoc;
class IUnitPort;

class CMatrixRouteController {
public:
    static constexpr int kSize = 4;

    // `doc` and `matrix` outlive the controller.
    CMatrixRouteController(CZoDeviceDoc& doc, model::CDeviceMatrix& matrix, IUnitPort& port,
                           SheetLock lock = {});
    ~CMatrixRouteController();
    CMatrixRouteController(const CMatrixRouteController&) = delete;
    CMatrixRouteController& operator=(const CMatrixRouteController&) = delete;

    // "(" + the matrix's name + ")".
    std::string CaptionSuffix() const;
    // Output `output`, input `input`, both from 0.
    bool IsOn(int output, int input) const;
    // Switches the crosspoint; switching on releases the row's other one.
    // In run state the units hear of it.
    void Toggle(int output, int input);
    // The dialog closes: when the table changed, the sheet is marked
    // modified with one undo step (kind 3) holding the matrix as opened.
    void OnClose();

    bool Changed() const { return m_changed; }

private:
    void SendRoutes(int output, int input, bool on);

    CZoDeviceDoc& m_doc;
    model::CDeviceMatrix& m_matrix;
    IUnitPort& m_port;
    SheetLock m_lock;
    bool m_changed = false;
    std::unique_ptr<model::CBaseDevice> m_opened;
};

} // namespace device_editor
