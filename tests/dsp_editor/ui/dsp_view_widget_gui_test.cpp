// The DSP view's window on the offscreen platform: a few pixels of the
// painted sheet (grid dot, margin line, module body, the red band while
// live), the scroll extent following a zoom, and a print to a PDF file.
#include <QImage>
#include <QPrinter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

#include "dsp_editor/dsp_gestures.h"
#include "dsp_editor/ui/dsp_view_widget.h"
#include "dsp_editor/zo_dsp_doc.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/recording_messages.h"
#include "tests/dsp_editor/dsp_test_support.h"
#include "tests/shell/ui/gui_app.h"

namespace {

namespace de = dsp_editor;
using de::ui::CZoDSPViewWidget;

constexpr QRgb kSheet = qRgb(0xE0, 0xE8, 0xF0);

class DspViewWidgetGui : public ::testing::Test {
protected:
    DspViewWidgetGui() {
        doc.m_sheetWidth = 400;
        doc.m_sheetHeight = 300;
        doc.m_sheetColour = 0xF0E8E0;
        module = doc.AddModule(model::kAriDelay, 1, 200, 100, 1);
        doc.ClearSelection();
        widget.resize(460, 360);
        widget.show();
        widget.OnInitialUpdate();
    }

    QImage Grab() { return widget.viewport()->grab().toImage(); }
    static bool AnyInRow(const QImage& image, int y, int from, int to, QRgb colour) {
        for (int x = from; x < to; ++x)
            if (image.pixel(x, y) == colour)
                return true;
        return false;
    }

    model::CRecordingMessages messages;
    de::CZoDSPDoc doc;
    de::CZoDSPView view{doc};
    model::CBaseAriModule* module = nullptr;
    CZoDSPViewWidget widget{view};
};

TEST_F(DspViewWidgetGui, PaintsGridMarginsModuleAndTheLiveBand) {
    ASSERT_NE(module, nullptr);
    QImage image = Grab();
    // A grid dot on the sheet, the sheet between dots.
    EXPECT_EQ(image.pixel(50, 50), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(55, 55), kSheet);
    // The margin lines 10 units inside the edges, broken but green.
    EXPECT_TRUE(AnyInRow(image, 290, 20, 120, qRgb(0, 255, 0)));
    // White beyond the sheet.
    EXPECT_EQ(image.pixel(420, 320), qRgb(255, 255, 255));
    // The module's body in its colour, under its title strip.
    const model::Rect body = module->m_body;
    EXPECT_EQ(image.pixel(body.CenterPoint().x, body.bottom - 4), qRgb(0xF0, 0xF0, 0xC8));

    // Live: the red band, no grid and no margins.
    doc.m_live = 1;
    widget.Repaint();
    image = Grab();
    EXPECT_EQ(image.pixel(2, 100), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(200, 297), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(50, 50), kSheet);
    EXPECT_FALSE(AnyInRow(image, 290, 20, 120, qRgb(0, 255, 0)));
}

TEST_F(DspViewWidgetGui, ZoomSelectsTheBoxAndWidensTheScrollExtent) {
    int selected = -1;
    QObject::connect(&widget, &CZoDSPViewWidget::zoomIndexSelected,
                     [&selected](int index) { selected = index; });
    view.Zoom().OnZoomIn();
    EXPECT_EQ(selected, 2);
    EXPECT_EQ(widget.horizontalScrollBar()->maximum(), 800 - widget.viewport()->width());
    // At 200% sheet point (50, 50) lands on (100, 100).
    const QImage image = Grab();
    EXPECT_EQ(image.pixel(100, 100), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(101, 101), kSheet);
}

TEST_F(DspViewWidgetGui, PrintsToAPdfFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("sheet.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    ASSERT_TRUE(widget.Print(printer));
    EXPECT_GT(std::filesystem::file_size(path.toStdString()), 0u);

    // A sheet without width prints nothing.
    doc.m_sheetWidth = 0;
    const QString empty = dir.filePath("empty.pdf");
    printer.setOutputFileName(empty);
    EXPECT_FALSE(widget.Print(printer));
    EXPECT_FALSE(std::filesystem::exists(empty.toStdString()));
}

// The mouse reaches the view's editing: a module dragged by its body moves
// on the grid, and the drag ends with the button.
TEST_F(DspViewWidgetGui, DraggingAModuleMovesItOnTheGrid) {
    ASSERT_NE(module, nullptr);
    QWidget* surface = widget.viewport();
    const model::Point grip = module->m_body.CenterPoint();
    const QPoint from(grip.x, module->m_body.bottom - 4);
    const model::Rect before = module->m_body;
    QTest::mousePress(surface, Qt::LeftButton, {}, from);
    QTest::mouseMove(surface, from + QPoint(23, 0));
    QTest::mouseRelease(surface, Qt::LeftButton, {}, from + QPoint(23, 0));
    EXPECT_EQ(module->m_body.left - before.left, 20);
    EXPECT_EQ(module->m_body.top, before.top);
    EXPECT_EQ(view.Gestures().Gesture(), de::CDspGestures::EGesture::Idle);
    EXPECT_FALSE(widget.HasCapture());
}

// Dropping and moving show the sheet's own pointers, transparent around
// the drawing and pointing from their hotspot; the arrow comes back after.
TEST_F(DspViewWidgetGui, DropAndMoveShowTheSheetsOwnPointers) {
    struct case_t {
        CZoDSPViewWidget::ECursor cursor;
        QPoint hotSpot;
    };
    for (const case_t& c : {case_t{CZoDSPViewWidget::kCursorDrop, {0, 0}},
                            case_t{CZoDSPViewWidget::kCursorMove, {15, 15}}}) {
        SCOPED_TRACE(c.cursor);
        widget.SetCursor(c.cursor);
        const QCursor shown = widget.viewport()->cursor();
        EXPECT_EQ(shown.shape(), Qt::BitmapCursor);
        EXPECT_EQ(shown.hotSpot(), c.hotSpot);
        const QImage image = shown.pixmap().toImage();
        ASSERT_EQ(image.size(), QSize(32, 32));
        EXPECT_EQ(qAlpha(image.pixel(31, 31)), 0);
        EXPECT_EQ(qAlpha(image.pixel(c.hotSpot)), 255);
    }
    widget.SetCursor(CZoDSPViewWidget::kCursorArrow);
    EXPECT_EQ(widget.viewport()->cursor().shape(), Qt::ArrowCursor);
}

} // namespace
