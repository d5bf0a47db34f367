#pragma once
// CLockedHeaderCtrl: a list's column header whose columns the user cannot
// resize while it is locked, which it is from construction. Dragging a
// divider does nothing, a double click on one sizes nothing, and no sizing
// cursor shows over the dividers; clicks on the sections themselves pass on
// as before. The owning list still sets its column widths in code.
//
// Locking makes every user-resizable section fixed and makes fixed the mode
// of sections added later; unlocking gives the sections it fixed back their
// interactive mode. Set the sections' own modes before locking.
#include <QHeaderView>
#include <QSet>

namespace shell::ui {

class CLockedHeaderCtrl : public QHeaderView {
    Q_OBJECT
public:
    explicit CLockedHeaderCtrl(Qt::Orientation orientation = Qt::Horizontal,
                               QWidget* parent = nullptr);

    void SetLocked(bool locked);
    bool IsLocked() const { return m_locked; }

private:
    void fixSections(int first, int last);

    bool m_locked = false;
    QSet<int> m_fixed; // logical indexes this lock made fixed
};

} // namespace shell::ui
