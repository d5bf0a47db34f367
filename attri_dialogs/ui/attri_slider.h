#pragma once
// The pop-up level slider of the attribute dialogs: a small frameless
// window with one slider that a dialog shows beside the level edit holding
// the focus. It never takes the dialog's activation nor the keyboard focus,
// so the edit keeps both while the operator drags.
#include <QSlider>
#include <QWidget>

#include <cstdint>

#include "attri_dialogs/attri_controller.h"

namespace attri_dialogs::ui {

// What the slider tells the dialog it serves.
class IAttriSliderOwner {
public:
    virtual ~IAttriSliderOwner() = default;
    // The operator moved the thumb to `position` (of the slider scale).
    virtual void OnSliderMoving(int position) = 0;
    // The operator let the thumb go (or stepped it without dragging).
    virtual void OnSliderReleased() = 0;
};

class CDSPDlgAttriSliderCtrl final : public QWidget, public IPopupSlider {
    Q_OBJECT
public:
    static constexpr int kLength = 100;
    static constexpr int kBreadth = 38;

    // Hidden until placed; `parent` is the dialog it floats over. Vertical
    // sliders have the maximum at the top.
    CDSPDlgAttriSliderCtrl(IAttriSliderOwner& owner, bool horizontal, QWidget* parent);

    bool Horizontal() const { return m_horizontal; }
    QSlider& Trackbar() const { return *m_trackbar; }

    // IPopupSlider: the thumb at `position` without telling the owner.
    void SetValue(std::int32_t position) override;
    void Hide() override { hide(); }

    // Shows the slider beside `edit` (in screen coordinates): a horizontal
    // one right of it with the bottom edges level, a vertical one below it
    // with the right edges level.
    void PlaceBeside(const QWidget& edit);

private:
    void OnAction(int action);

    IAttriSliderOwner& m_owner;
    bool m_horizontal;
    QSlider* m_trackbar;
};

} // namespace attri_dialogs::ui
