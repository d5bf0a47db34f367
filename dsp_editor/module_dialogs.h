#pragma once
// The attribute dialogs as a DSP view opens them: the dialog class, template
// and parent each module gets, the factory the dialog classes register
// with, where a new dialog goes, and what the view's window tells for it.
// The view's own operations on its dialogs (CZoDSPView::ShowAttriDialog and
// the rest) are declared with the view.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "dsp_editor/dsp_seams.h"
#include "model/base_ari_module.h"

namespace dsp_editor {

class CZoDSPView;

enum class EAttriDialogClass {
    kInput,
    kInputAll,
    kOutput,
    kOutputAll,
    kDelay,
    kRouter,
    kMixer,
    kDynamic,
    kSine,
    kNoise,
    kEqualizer,
    kFilter,
    kCrossover,
    kText,
    kMeter,
};
inline constexpr std::size_t kAttriDialogClassCount = 15;

// The dialog a module gets: its class, the template its window is made
// from, whether the view is the window's parent (else it has none), and the
// id and kind the document lists it by (kind 0: the module's id; kind 1,
// all channels: 0 for the inputs, 1 for the outputs).
struct AttriDialogChoice {
    EAttriDialogClass dialogClass = EAttriDialogClass::kInput;
    std::int32_t templateId = 0;
    bool viewParent = false;
    std::int32_t moduleId = 0;
    std::int32_t kind = 0;

    friend bool operator==(const AttriDialogChoice&, const AttriDialogChoice&) = default;
};

// The module's dialog; all channels only means something for input and
// output modules and is ignored for the others. None for type 6, a type
// outside 1-13 and a generator variant outside 1-3.
std::optional<AttriDialogChoice> AttriDialogChoiceOf(const model::CBaseAriModule& module,
                                                 bool allChannels);

// The caption of the module's dialog: "Input <display name>" and "Output
// <display name>" for one channel, "Input All Channel" and "Output All
// Channel" for all of them, else the display name.
std::string AttriDialogCaption(const model::CBaseAriModule& module, bool allChannels);

// Makes the attribute dialog of a module.
class IAttriDialogFactory {
public:
    virtual ~IAttriDialogFactory() = default;
    // A new dialog of the class of AttriDialogChoiceOf, constructed with
    // (view, module) and its window made from the class's template with its
    // parent, neither captioned, placed nor shown. The dialog owns itself:
    // DestroyDialog ends it. Null when the module has no dialog or its class
    // is not available.
    virtual IAttriDialog* Create(CZoDSPView& view, model::CBaseAriModule& module,
                                 bool allChannels) = 0;
};

// The program's factory: each dialog class registers how it is made. A
// class nobody registered makes no dialog.
class CAttriDialogFactory final : public IAttriDialogFactory {
public:
    using Maker = std::function<IAttriDialog*(CZoDSPView& view, model::CBaseAriModule& module,
                                              const AttriDialogChoice& choice)>;

    // Replaces the class's maker; an empty one takes it away.
    void Register(EAttriDialogClass dialogClass, Maker maker);
    IAttriDialog* Create(CZoDSPView& view, model::CBaseAriModule& module,
                         bool allChannels) override;

private:
    std::array<Maker, kAttriDialogClassCount> m_makers;
};

// The factory every DSP view opens its dialogs with. User-interface thread
// only.
CAttriDialogFactory& AttriDialogFactory();

// What opening and activating dialogs needs of the window that shows a DSP
// view. The window implements it beside IDspViewWindow; a window without it
// counts as zoom factor 1, no scrolling and no rectangle to keep the
// dialogs in, and ignores the two requests.
class IAttriDialogHost {
public:
    virtual ~IAttriDialogHost() = default;
    // The zoom factor the sheet is drawn with.
    virtual double ZoomFactor() const { return 1.0; }
    // The scroll position, in device units.
    virtual model::Point ScrollPosition() const { return {}; }
    // The view's window rectangle in its own client coordinates.
    virtual std::optional<model::Rect> ViewRect() const { return std::nullopt; }
    // Makes the view the main frame's active DSP view.
    virtual void ActivateView() {}
    // Hides the property panel when it is shown.
    virtual void HidePropertyPanel() {}
};

// Where a dialog of `size` goes for a module with that body: its top left
// corner under the module's bottom left one, scaled by `factor` (truncated)
// and scrolled; then pulled left and up inside `view` where it would stick
// out, and never above or left of 0.
model::Rect PlaceAttriDialog(const model::Rect& body, model::Size size, double factor,
                             model::Point scroll, const std::optional<model::Rect>& view);

} // namespace dsp_editor
