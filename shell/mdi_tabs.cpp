#include "shell/mdi_tabs.h"

#include <algorithm>

namespace shell {

std::string MdiTabTitle(const CMdiChildInfo& child)
{
    if (!child.tabText.empty()) {
        return child.tabText;
    }
    if (!child.documentTitle.empty()) {
        return child.documentTitle;
    }
    return child.windowText;
}

MdiIconKey MdiTabIcon(const CMdiChildIcons& icons)
{
    for (const MdiIconKey icon : {icons.classSmall, icons.windowSmall, icons.classBig, icons.windowBig}) {
        if (icon != 0) {
            return icon;
        }
    }
    return 0;
}

EMdiTabDoubleClick MdiTabDoubleClickAction(bool active, bool maximised)
{
    return active && maximised ? EMdiTabDoubleClick::Restore : EMdiTabDoubleClick::Maximise;
}

CMdiTabStrip::CMdiTabStrip(IMdiTabView& view) : m_view(view) {}

int CMdiTabStrip::FindTab(const void* window, const std::string& className) const
{
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].window == window && m_items[i].className == className) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int CMdiTabStrip::FindTab(const void* window) const
{
    const auto it = std::find_if(m_items.begin(), m_items.end(),
                                 [window](const MDITabItem& item) { return item.window == window; });
    return it == m_items.end() ? -1 : static_cast<int>(it - m_items.begin());
}

const void* CMdiTabStrip::WindowAt(int index) const
{
    if (index < 0 || index >= Count()) {
        return nullptr;
    }
    return m_items[static_cast<std::size_t>(index)].window;
}

int CMdiTabStrip::ImageOf(MdiIconKey icon)
{
    if (icon == 0) {
        return kNoTabImage;
    }
    const auto it = std::find(m_icons.begin(), m_icons.end(), icon);
    if (it != m_icons.end()) {
        return static_cast<int>(it - m_icons.begin());
    }
    m_icons.push_back(icon);
    m_view.AddImage(icon);
    return static_cast<int>(m_icons.size()) - 1;
}

void CMdiTabStrip::Erase(int index)
{
    const auto at = static_cast<std::ptrdiff_t>(index);
    m_items.erase(m_items.begin() + at);
    m_texts.erase(m_texts.begin() + at);
    m_images.erase(m_images.begin() + at);
    // The tab bar moves its own selection when a tab before or at it goes;
    // follow it so the next comparison is against what the bar shows.
    if (m_selection == index) {
        m_selection = -1;
    } else if (m_selection > index) {
        --m_selection;
    }
    m_view.RemoveTab(index);
}

void CMdiTabStrip::Rebuild(const std::vector<CMdiChildInfo>& children, const void* active)
{
    int wanted = -1;
    for (const CMdiChildInfo& child : children) {
        const std::string title = MdiTabTitle(child);
        const int index = FindTab(child.window, child.className);
        if (index < 0) {
            if (child.mdiChild && child.visible) {
                const int image = ImageOf(MdiTabIcon(child.icons));
                m_items.push_back({1, child.className, child.window, 0});
                m_texts.push_back(title);
                m_images.push_back(image);
                m_view.InsertTab(Count() - 1, title, image);
                // Selected in this same walk, not a timer period later.
                if (child.window == active) {
                    wanted = Count() - 1;
                }
            }
            continue;
        }
        if (!child.visible) {
            // A wanted tab behind this one moves up with it.
            if (wanted > index) {
                --wanted;
            }
            Erase(index);
            continue;
        }
        if (child.window == active) {
            wanted = index;
        }
        if (m_texts[static_cast<std::size_t>(index)] != title) {
            m_texts[static_cast<std::size_t>(index)] = title;
            m_view.SetTabText(index, title);
        }
    }
    if (m_selection != wanted) {
        Select(wanted);
    }
}

bool CMdiTabStrip::RemoveTab(const void* window)
{
    const int index = FindTab(window);
    if (index < 0) {
        return false;
    }
    Erase(index);
    return true;
}

void CMdiTabStrip::Select(int index)
{
    if (index < -1 || index >= Count()) {
        index = -1;
    }
    m_selection = index;
    m_view.SelectTab(index);
}

} // namespace shell
