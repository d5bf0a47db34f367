#pragma once
// CMyListBox: the main window's output list, where the program writes its
// progress and log lines. The user cannot select lines: every mouse press
// and double click on it is swallowed.
//
// AddLine may be called from any thread. Off the user-interface thread the
// line is queued to the list and the call returns at once: a worker that
// writes progress while the window it reports to waits for it to end must
// never wait for that window in turn. Lines from one thread arrive in the
// order they were written. The text is measured when it is inserted, on the
// user-interface thread, with the list's font.
//
// The horizontal extent is the widest line so far plus 3 pixels, and the
// horizontal scroll bar shows only while that line is wider than the list.
#include <QListWidget>

#include <string>

#include "comm/route_commands.h"

namespace shell::ui {

class CMyListBox : public QListWidget, public comm::IOutputList {
    Q_OBJECT
public:
    // What AddLine answers for a line queued from another thread (its index
    // is not known yet) and for an index outside the list.
    static constexpr int kQueued = -2;
    static constexpr int kError = -1;

    explicit CMyListBox(QWidget* parent = nullptr);

    // Inserts `text` at `index` (-1 appends) and shows the last line, unless
    // the user has scrolled back from it. On the user-interface thread: the
    // line's index, or kError; elsewhere kQueued.
    int AddLine(int index, const std::string& text);
    void AddLine(const std::string& line) override { AddLine(-1, line); }
    // Empties the list; the widest width and the extent go back to 0.
    void Clear();

    int WidestWidth() const { return m_widest; }
    // The horizontal extent in pixels, 0 while no line is wider than the list.
    int HorizontalExtent() const { return m_extent; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void updateGeometries() override;

private:
    int InsertLine(int index, const QString& text);
    void UpdateExtent();

    int m_widest = 0;
    int m_extent = 0;
};

} // namespace shell::ui
