#pragma once
// The MDI tab strip without its windows: which children get a tab, the
// text and picture of each tab, which tab is selected, and what a double
// click on a tab asks of its child.
//
// The strip keeps one record per tab in tab order. A rebuild walks the MDI
// children as the window layer describes them (CMdiChildInfo, top of the
// z-order first) and brings the records up to date; every change is
// announced to an IMdiTabView, which carries it out on the real tab bar.
// The model holds the tab texts and images itself, so the view only mirrors
// what it is told and never reads back.
#include <cstdint>
#include <string>
#include <vector>

namespace shell {

// An icon as the strip tells icons apart: an opaque key the window layer
// chooses (the same picture gives the same key); 0 is no icon.
using MdiIconKey = std::uint64_t;

// The image index of a tab without a picture.
inline constexpr int kNoTabImage = -1;

// The icons of a child in the order they are looked for: the class's small
// icon, the window's own small icon, the class icon, the window's own big
// icon. The first that is not 0 becomes the tab's picture.
struct CMdiChildIcons {
    MdiIconKey classSmall = 0;
    MdiIconKey windowSmall = 0;
    MdiIconKey classBig = 0;
    MdiIconKey windowBig = 0;
};

// One child window of the MDI client as the window layer sees it.
struct CMdiChildInfo {
    // The window's identity; the model never dereferences it.
    const void* window = nullptr;
    std::string className;
    // Only real MDI children get tabs; other windows in the client do not.
    bool mdiChild = true;
    bool visible = true;
    // The text the child offers for its tab, empty when it offers none.
    std::string tabText;
    // The title of the child's active document, empty when it has none.
    std::string documentTitle;
    std::string windowText;
    CMdiChildIcons icons;
};

// The tab's title: the child's own tab text, else its document's title,
// else its window text.
std::string MdiTabTitle(const CMdiChildInfo& child);

// The picture of a child's tab; 0 when it has none.
MdiIconKey MdiTabIcon(const CMdiChildIcons& icons);

// One tab of the strip.
struct MDITabItem {
    // 1 for a tab the strip made itself.
    int flag = 1;
    std::string className;
    const void* window = nullptr;
    int spare = 0;
};

// What a double click on a tab asks of its child.
enum class EMdiTabDoubleClick { Maximise, Restore };

// Restore only a child that is both the active one and maximised; any
// other child is maximised.
EMdiTabDoubleClick MdiTabDoubleClickAction(bool active, bool maximised);

// The tab bar the strip drives.
class IMdiTabView {
public:
    virtual ~IMdiTabView() = default;
    // A new picture at the end of the image list.
    virtual void AddImage(MdiIconKey icon) = 0;
    virtual void InsertTab(int index, const std::string& text, int image) = 0;
    virtual void RemoveTab(int index) = 0;
    virtual void SetTabText(int index, const std::string& text) = 0;
    // -1 selects no tab. The view selects without reporting the change
    // back as the user's choice.
    virtual void SelectTab(int index) = 0;
};

class CMdiTabStrip {
public:
    explicit CMdiTabStrip(IMdiTabView& view);

    // Brings the tabs up to date with `children` (top of the z-order
    // first). `active` is the active MDI child or null. Records whose
    // window is no longer among the children stay: a destroyed child's tab
    // goes through RemoveTab.
    void Rebuild(const std::vector<CMdiChildInfo>& children, const void* active);

    // The first tab whose window is `window` and whose stored class name is
    // `className`; -1 when there is none.
    int FindTab(const void* window, const std::string& className) const;
    // The first tab of `window` whatever its class; -1 when there is none.
    int FindTab(const void* window) const;

    // Takes the tab of a destroyed child away; false when it had none.
    bool RemoveTab(const void* window);

    // The selection as the strip last set it or the user chose it.
    int Selection() const { return m_selection; }
    // Selects a tab (-1: none) and tells the view.
    void Select(int index);
    // Records the user's own choice of tab, which the view already shows.
    void NoteUserSelection(int index) { m_selection = index; }

    int Count() const { return static_cast<int>(m_items.size()); }
    const MDITabItem& Item(int index) const { return m_items[static_cast<std::size_t>(index)]; }
    // The child of a tab; null when the index is out of range.
    const void* WindowAt(int index) const;
    const std::string& TextAt(int index) const { return m_texts[static_cast<std::size_t>(index)]; }
    int ImageAt(int index) const { return m_images[static_cast<std::size_t>(index)]; }
    // The distinct pictures in the image list; position = image index.
    const std::vector<MdiIconKey>& Icons() const { return m_icons; }

private:
    int ImageOf(MdiIconKey icon);
    void Erase(int index);

    IMdiTabView& m_view;
    std::vector<MDITabItem> m_items;
    std::vector<std::string> m_texts;
    std::vector<int> m_images;
    std::vector<MdiIconKey> m_icons;
    int m_selection = -1;
};

} // namespace shell
