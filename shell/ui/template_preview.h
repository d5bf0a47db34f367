#pragma once
// The stored-template preview control: shows a DSP sheet's picture
// (shell/template_preview.h) stretched over the whole widget.
#include <QWidget>

#include "shell/template_preview.h"

namespace shell::ui {

class CStaticPreviewAriTemplate : public QWidget {
    Q_OBJECT
public:
    explicit CStaticPreviewAriTemplate(QWidget* parent = nullptr);

    // The sheet to show, or null; it must stay alive while it is shown.
    void SetDocument(const IPreviewSheet* sheet);
    const IPreviewSheet* GetDocument() const { return m_preview.GetDocument(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CTemplatePreview m_preview;
};

} // namespace shell::ui
