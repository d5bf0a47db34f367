#pragma once
// The MDI tab strip: our own tab bar (CMDITabCtrl) above a QMdiArea in
// sub-window mode, both held by CMDITabClient. Qt's own tabbed view of an
// MDI area keeps every child maximised; the children here keep their own
// sizes and the strip only mirrors them.
//
// The strip's rules live in shell/mdi_tabs.h. The bar rebuilds on a timer
// every 500 ms and, posted, at once when a child is created, activated or
// destroyed and when the area is resized. A click on a tab activates its
// child, a double click maximises or restores it, and anything dragged over
// a tab activates that tab's child without being dropped there.
//
// What a child shows: its tab text is the string property kMdiTabTextProperty
// of the sub-window or of its widget, else the string property
// kDocumentTitleProperty of its widget, else the sub-window's title. Its
// picture is the icon set on its widget, else the one set on the
// sub-window; an icon only inherited from the program gives no picture.
#include <chrono>
#include <vector>

#include <QIcon>
#include <QMdiArea>
#include <QPointer>
#include <QTabBar>
#include <QWidget>

#include "shell/main_frame_core.h"
#include "shell/mdi_tabs.h"

class QMdiSubWindow;
class QVBoxLayout;

namespace shell::ui {

inline constexpr char kMdiTabTextProperty[] = "mdiTabText";
inline constexpr char kDocumentTitleProperty[] = "documentTitle";
inline constexpr int kMdiTabCtrlId = 1000;
inline constexpr std::chrono::milliseconds kMdiTabRebuildPeriod{500};

class CMDITabClient;

class CMDITabCtrl final : public QTabBar, private shell::IMdiTabView {
    Q_OBJECT
public:
    // Starts the rebuild timer; the destructor stops it.
    CMDITabCtrl(CMDITabClient& client, ITimer& timer, QWidget* parent);
    ~CMDITabCtrl() override;
    CMDITabCtrl(const CMDITabCtrl&) = delete;
    CMDITabCtrl& operator=(const CMDITabCtrl&) = delete;

    void Rebuild();
    // The tab of a child; -1 when it has none.
    int FindTab(const QMdiSubWindow* child) const;
    QString GetTabTitle(const QMdiSubWindow* child) const;
    // Takes a child's tab away (the child may be half destroyed: only its
    // address is used) and, when asked, lays the client out again.
    void RemoveTab(const QObject* child, bool relayout);
    // The child of a tab; null when the index is out of range or the child
    // is gone.
    QMdiSubWindow* ChildAt(int index) const;
    // Selects a tab (-1: none) as the strip's own choice.
    void SelectTab(int index) override;

    const shell::CMdiTabStrip& Strip() const { return m_strip; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;

private:
    void AddImage(shell::MdiIconKey icon) override;
    void InsertTab(int index, const std::string& text, int image) override;
    void RemoveTab(int index) override;
    void SetTabText(int index, const std::string& text) override;

    void OnUserSelected(int index);
    void OnDoubleClicked(int index);
    void ActivateChildAt(int index);
    // After the bar moved its own current tab on an insert or a removal.
    void FollowStripSelection();

    CMDITabClient& m_client;
    ITimer& m_timer;
    shell::CMdiTabStrip m_strip{*this};
    // The image list: position = image index.
    std::vector<QIcon> m_images;
    // The icons met in the walk under way, by key, for AddImage.
    std::vector<std::pair<shell::MdiIconKey, QIcon>> m_walkIcons;
    // Set while the strip changes the bar, so those changes are not taken
    // for the user's.
    bool m_updating = false;
};

class CMDITabClient final : public QWidget {
    Q_OBJECT
public:
    // `timer` drives the bar's periodic rebuild; it outlives the client.
    explicit CMDITabClient(ITimer& timer, QWidget* parent = nullptr);
    ~CMDITabClient() override;
    CMDITabClient(const CMDITabClient&) = delete;
    CMDITabClient& operator=(const CMDITabClient&) = delete;

    // Puts `area` under a new tab bar and follows its children. False when
    // already attached or without an area.
    bool Attach(QMdiArea* area);
    // Drops the tab bar and stops following the area, which stays in place.
    // False when not attached.
    bool Detach();

    QMdiArea* MdiArea() const { return m_area; }
    CMDITabCtrl* TabCtrl() const { return m_tabs; }
    bool LayoutDirty() const { return m_layoutDirty; }
    void ClearLayoutDirty() { m_layoutDirty = false; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PostRebuild();
    void OnActivated(QMdiSubWindow* child);

    ITimer& m_timer;
    QVBoxLayout* m_layout;
    QPointer<QMdiArea> m_area;
    CMDITabCtrl* m_tabs = nullptr;
    QMetaObject::Connection m_activated;
    bool m_layoutDirty = false;
};

} // namespace shell::ui
