#include "shell/ui/locked_header.h"

namespace shell::ui {

CLockedHeaderCtrl::CLockedHeaderCtrl(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent) {
    // Sections come and go with the model; new ones follow the lock.
    connect(this, &QHeaderView::sectionCountChanged, this, [this](int oldCount, int newCount) {
        if (m_locked && newCount > oldCount)
            fixSections(oldCount, newCount - 1);
    });
    SetLocked(true);
}

void CLockedHeaderCtrl::fixSections(int first, int last) {
    for (int i = first; i <= last; ++i) {
        if (sectionResizeMode(i) == QHeaderView::Interactive) {
            setSectionResizeMode(i, QHeaderView::Fixed);
            m_fixed.insert(i);
        }
    }
}

void CLockedHeaderCtrl::SetLocked(bool locked) {
    if (locked == m_locked)
        return;
    m_locked = locked;
    if (locked) {
        fixSections(0, count() - 1);
        return;
    }
    for (int i : std::as_const(m_fixed)) {
        if (i < count() && sectionResizeMode(i) == QHeaderView::Fixed)
            setSectionResizeMode(i, QHeaderView::Interactive);
    }
    m_fixed.clear();
}

} // namespace shell::ui
