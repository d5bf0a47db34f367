#pragma once
// CPaletteBar: one of the main window's two palette bars (the device bar,
// dialog 137, and the DSP module bar, dialog 153), later docked at the
// window's left. It shows a shell::CPalette: a stack of page buttons and one
// icon list of the current page's items, laid out as the accordion of
// shell::CPaletteAccordion on every resize and page change.
//
// The buttons and the list carry their control ids (dynamic property
// "controlId"). Each list item keeps its palette item's data (model or
// module code) in Qt::UserRole, and its picture is the bar's image list
// entry at the item's image index.
#include <QIcon>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

#include "shell/palettes.h"

class QDrag;
class QListWidget;
class QPushButton;

namespace shell::ui {

inline constexpr int kDevicePaletteDialog = 137;
inline constexpr int kDspPaletteDialog = 153;
// What a palette drag carries: the item's data as decimal text, and the
// palette it comes from ("device" or "dsp"), since a device's model code and
// a module code may be the same number and a drag may reach either sheet
// (over the tab strip).
inline constexpr char kPaletteItemMimeType[] = "application/x-ostrel-palette-item";
inline constexpr char kPaletteKindMimeType[] = "application/x-ostrel-palette-kind";
// The palette kind as a drag names it.
const char* PaletteKindName(EPaletteKind kind);
// Where the pointer holds the dragged item's picture.
inline constexpr int kPaletteDragHotSpotX = 45;
inline constexpr int kPaletteDragHotSpotY = 40;

class CPaletteBar : public QWidget {
    Q_OBJECT
public:
    // `icon` gives the picture of an icon id; it may answer a null icon.
    // The bar opens on page 0 with its list filled.
    CPaletteBar(EPaletteKind kind, std::function<QIcon(int iconId)> icon,
                QWidget* parent = nullptr);

    int Page() const { return m_model.Page(); }
    QListWidget* List() const { return m_list; }
    // The button of `page`, null for another page.
    QPushButton* PageButton(int page) const;
    const CPalette& Model() const { return m_model; }

    // Selects `page`, refills the list and lays the bar out again; false
    // (nothing changes) when the model refuses the page or it is current.
    // After a DSP page change the list takes the keyboard focus.
    bool SelectPage(int page);

    // Asked with an item's data when the user starts dragging it: whether
    // the active view takes a placement now (the frame hands the view the
    // data there). Without it nothing is dragged.
    std::function<bool(int data)> beginDrag;
    // The drag of list row `row`; null when there is no such row or the
    // view refused it.
    std::unique_ptr<QDrag> MakeDrag(int row);

signals:
    void pageSelected(int page);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FillList();
    void PlaceControls();

    CPalette m_model;
    std::vector<QIcon> m_images; // by image index
    std::vector<QPushButton*> m_buttons;
    QListWidget* m_list = nullptr;
};

} // namespace shell::ui
