#pragma once
// The text box dialog: the box's text, its two colours, font and
// transparency, and "save as default" for the colours of new boxes. It
// shows what its controller holds and forwards the operator's edits; the
// colour and font choices go through Qt's own dialogs.
#include <QWidget>

#include <functional>
#include <memory>

#include "attri_dialogs/text_controller.h"
#include "attri_dialogs/ui/attri_base_dialog.h"

class QPlainTextEdit;
namespace shell::ui {
class CMyButton;
}

namespace attri_dialogs::ui {

// A colour sample that reports clicks.
class CColourSwatch final : public QWidget {
public:
    CColourSwatch(QWidget* parent, std::function<platform::gdi::COLORREF()> colour,
                  std::function<void()> onClick);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::function<platform::gdi::COLORREF()> m_colour;
    std::function<void()> m_onClick;
};

class CDSPDlgAttriText final : public CDSPDlgAttriBase {
    Q_OBJECT
public:
    CDSPDlgAttriText(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module, QWidget* parent,
                     QWidget* viewWidget);

    CAttriTextController& Text() const { return *m_text; }
    void RefreshControls() override;

private:
    CDSPDlgAttriText(std::unique_ptr<CAttriTextController> controller, QWidget* parent,
                     QWidget* viewWidget);
    void Show();
    void ChooseColour(bool background);
    void ChooseFont();

    std::unique_ptr<CAttriTextController> m_text;
    QPlainTextEdit* m_edit = nullptr;
    shell::ui::CMyButton* m_transparency = nullptr;
};

} // namespace attri_dialogs::ui
