#!/usr/bin/env python3
"""Holds the source tree's layering, from its #include lines.

  platform/   includes only platform/ (and system or third-party headers);
  qo/         only qo/ and platform/;
  cores       (a subsystem folder outside its server/ and ui/ subfolders,
              and resources/) no Qt Widgets header and nothing from any
              server/ or ui/ folder (a ui/ header brings widgets with it);
              platform/ and qo/ are headless too and take no Qt Widgets
              either;
  subsystems  never another subsystem's ui/, but the shell's: every ui/
              may use the main window and the shared controls of shell/ui/;
  ostrel/     the program, which puts the subsystems' windows together,
              may include any of them; only tests include it;
  everything  but tests/ and bench/ stays below them: nothing includes a
              header from tests/ or bench/. Tests and benchmarks sit above
              all the code they drive and may include any of it;
  the order   the folders stand in layers, from the bottom: platform, qo,
              resources, model, firmware, poller, discovery, comm, shell,
              the editors (device_editor, dsp_editor), the dialogs
              (attri_dialogs), ostrel. A folder includes from its own layer
              and those below it, never from one above: what a lower layer
              needs of a higher one it declares itself (an interface the
              higher one implements), so no two subsystems build on each
              other.

A quoted include is looked up beside the including file first, then from the
top of the tree, as the build's include paths have it; one found in neither
place (a generated header, a third-party one) is judged by its first folder
only when that names one of ours. Angle-bracket includes are judged only for
Qt Widgets: the QtWidgets and QtOpenGLWidgets modules and the print dialogs
of QtPrintSupport (which pull QtWidgets in); QtCore and QtGui headers are
fine everywhere.

usage: check-includes.py [--root DIR]   (default: the tree this script is in)
Prints one "file:line: rule" line per violation; exits 1 when there is any.
"""

import argparse
import os
import re
import sys

SOURCE_SUFFIXES = (".h", ".hpp", ".hh", ".hxx", ".inl", ".ipp", ".c", ".cc", ".cpp", ".cxx")
SKIPPED_TOP = {"build"}

SUBSYSTEMS = {
    "model", "qo", "poller", "discovery", "comm", "shell", "dsp_editor",
    "attri_dialogs", "device_editor", "firmware",
}
# Folders whose whole content is headless core code.
WHOLE_CORES = {"resources"}
# Tests, benchmarks and fuzz harnesses may include anything; nothing else
# includes them.
ABOVE_ALL = {"tests", "bench", "fuzz"}
# The program: it puts every subsystem's windows together.
PROGRAM = {"ostrel"}
OURS = SUBSYSTEMS | WHOLE_CORES | ABOVE_ALL | PROGRAM | {"platform", "tools"}
# The layers, bottom first; the folders of one layer may use each other.
LAYERS = [
    ("platform",), ("qo",), ("resources",), ("model",), ("firmware",), ("poller",),
    ("discovery",), ("comm",), ("shell",), ("device_editor", "dsp_editor"), ("attri_dialogs",),
    ("ostrel",),
]
LAYER = {folder: level for level, folders in enumerate(LAYERS) for folder in folders}

WIDGET_MODULES = {"QtWidgets", "QtOpenGLWidgets"}
# The class headers of QtWidgets (Qt 6), and the print dialogs.
WIDGET_CLASSES = set("""
QAbstractButton QAbstractGraphicsShapeItem QAbstractItemDelegate QAbstractItemView
QAbstractScrollArea QAbstractSlider QAbstractSpinBox QAccessibleWidget QApplication QBoxLayout
QButtonGroup QCalendarWidget QCheckBox QColorDialog QColormap QColumnView QComboBox
QCommandLinkButton QCommonStyle QCompleter QDataWidgetMapper QDateEdit QDateTimeEdit QDial
QDialog QDialogButtonBox QDockWidget QDoubleSpinBox QErrorMessage QFileDialog QFileIconProvider
QFocusFrame QFontComboBox QFontDialog QFormLayout QFrame QGesture QGestureEvent
QGestureRecognizer QGraphicsAnchor QGraphicsAnchorLayout QGraphicsBlurEffect
QGraphicsColorizeEffect QGraphicsDropShadowEffect QGraphicsEffect QGraphicsEllipseItem
QGraphicsGridLayout QGraphicsItem QGraphicsItemAnimation QGraphicsItemGroup QGraphicsLayout
QGraphicsLayoutItem QGraphicsLineItem QGraphicsLinearLayout QGraphicsObject
QGraphicsOpacityEffect QGraphicsPathItem QGraphicsPixmapItem QGraphicsPolygonItem
QGraphicsProxyWidget QGraphicsRectItem QGraphicsRotation QGraphicsScale QGraphicsScene
QGraphicsSceneContextMenuEvent QGraphicsSceneDragDropEvent QGraphicsSceneEvent
QGraphicsSceneHelpEvent QGraphicsSceneHoverEvent QGraphicsSceneMouseEvent
QGraphicsSceneMoveEvent QGraphicsSceneResizeEvent QGraphicsSceneWheelEvent
QGraphicsSimpleTextItem QGraphicsTextItem QGraphicsTransform QGraphicsView QGraphicsWidget
QGridLayout QGroupBox QHBoxLayout QHeaderView QInputDialog QItemDelegate QItemEditorCreator
QItemEditorCreatorBase QItemEditorFactory QKeySequenceEdit QLCDNumber QLabel QLayout
QLayoutItem QLineEdit QListView QListWidget QListWidgetItem QMainWindow QMdiArea QMdiSubWindow
QMenu QMenuBar QMessageBox QPanGesture QPinchGesture QPlainTextDocumentLayout QPlainTextEdit
QProgressBar QProgressDialog QProxyStyle QPushButton QRadioButton QRubberBand QScrollArea
QScrollBar QScroller QScrollerProperties QSizeGrip QSizePolicy QSlider QSpacerItem QSpinBox
QSplashScreen QSplitter QSplitterHandle QStackedLayout QStackedWidget
QStandardItemEditorCreator QStatusBar QStyle QStyleFactory QStyleHintReturn
QStyleHintReturnMask QStyleHintReturnVariant QStyleOption QStyleOptionButton
QStyleOptionComboBox QStyleOptionComplex QStyleOptionDockWidget QStyleOptionFocusRect
QStyleOptionFrame QStyleOptionGraphicsItem QStyleOptionGroupBox QStyleOptionHeader
QStyleOptionHeaderV2 QStyleOptionMenuItem QStyleOptionProgressBar QStyleOptionRubberBand
QStyleOptionSizeGrip QStyleOptionSlider QStyleOptionSpinBox QStyleOptionTab
QStyleOptionTabBarBase QStyleOptionTabWidgetFrame QStyleOptionTitleBar QStyleOptionToolBar
QStyleOptionToolBox QStyleOptionToolButton QStyleOptionViewItem QStylePainter QStylePlugin
QStyledItemDelegate QSwipeGesture QSystemTrayIcon QTabBar QTabWidget QTableView QTableWidget
QTableWidgetItem QTableWidgetSelectionRange QTapAndHoldGesture QTapGesture QTextBrowser
QTextEdit QTileRules QTimeEdit QToolBar QToolBox QToolButton QToolTip QTreeView QTreeWidget
QTreeWidgetItem QTreeWidgetItemIterator QUndoView QVBoxLayout QWhatsThis QWidget QWidgetAction
QWidgetData QWidgetItem QWidgetItemV2 QWizard QWizardPage
QOpenGLWidget
QAbstractPrintDialog QPageSetupDialog QPrintDialog QPrintPreviewDialog QPrintPreviewWidget
""".split())
# The same headers by file name (qaction.h, qundostack.h and the other
# forwarders to QtGui are left out: QtGui has them).
WIDGET_FILES = {f"{name}.h" for name in """
qabstractbutton qabstractitemdelegate qabstractitemview qabstractscrollarea qabstractslider
qabstractspinbox qaccessiblewidget qapplication qboxlayout qbuttongroup qcalendarwidget
qcheckbox qcolordialog qcolormap qcolumnview qcombobox qcommandlinkbutton qcommonstyle
qcompleter qdatawidgetmapper qdatetimeedit qdial qdialog qdialogbuttonbox qdockwidget
qdrawutil qerrormessage qfiledialog qfileiconprovider qfocusframe qfontcombobox qfontdialog
qformlayout qframe qgesture qgesturerecognizer qgraphicsanchorlayout qgraphicseffect
qgraphicsgridlayout qgraphicsitem qgraphicsitemanimation qgraphicslayout qgraphicslayoutitem
qgraphicslinearlayout qgraphicsproxywidget qgraphicsscene qgraphicssceneevent
qgraphicstransform qgraphicsview qgraphicswidget qgridlayout qgroupbox qheaderview
qinputdialog qitemdelegate qitemeditorfactory qkeysequenceedit qlabel qlayout qlayoutitem
qlcdnumber qlineedit qlistview qlistwidget qmainwindow qmdiarea qmdisubwindow qmenu qmenubar
qmessagebox qplaintextedit qprogressbar qprogressdialog qproxystyle qpushbutton qradiobutton
qrubberband qscrollarea qscrollbar qscroller qscrollerproperties qsizegrip qsizepolicy qslider
qspinbox qsplashscreen qsplitter qstackedlayout qstackedwidget qstatusbar qstyle
qstyleditemdelegate qstylefactory qstyleoption qstylepainter qstyleplugin qsystemtrayicon
qtabbar qtableview qtablewidget qtabwidget qtextbrowser qtextedit qtoolbar qtoolbox
qtoolbutton qtooltip qtreeview qtreewidget qtreewidgetitemiterator qundoview qwhatsthis
qwidget qwidgetaction qwizard qopenglwidget qabstractprintdialog qpagesetupdialog
qprintdialog qprintpreviewdialog qprintpreviewwidget
""".split()}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def is_widget_header(name):
    parts = name.split("/")
    if parts[0] in WIDGET_MODULES:
        return True
    if len(parts) == 2 and parts[0] == "QtPrintSupport":
        return parts[1] in WIDGET_CLASSES or parts[1] in WIDGET_FILES
    return len(parts) == 1 and (name in WIDGET_CLASSES or name in WIDGET_FILES)


def subsystem_part(parts):
    """'server', 'ui' or 'core' for a path inside a subsystem folder."""
    if len(parts) > 2 and parts[1] in ("server", "ui"):
        return parts[1]
    return "core"


def resolve(root, including, name):
    """The included file as a tree-relative path split into folders, or
    None when it is not one of ours."""
    beside = os.path.normpath(os.path.join(os.path.dirname(including), name))
    if not beside.startswith(".."):
        if os.path.isfile(os.path.join(root, beside)):
            return beside.split(os.sep)
    from_top = os.path.normpath(name)
    if from_top.startswith(".."):
        return None
    parts = from_top.split(os.sep)
    if os.path.isfile(os.path.join(root, from_top)) or (len(parts) > 1 and parts[0] in OURS):
        return parts
    return None


def violations_of(root, path, lines):
    """(line, rule) for each include of `path` (tree-relative) that breaks a rule."""
    parts = path.split(os.sep)
    top = parts[0]
    if top in ABOVE_ALL:
        return
    is_core = top in WHOLE_CORES or (top in SUBSYSTEMS and subsystem_part(parts) == "core")
    headless = is_core or top in ("platform", "qo")
    for number, line in enumerate(lines, 1):
        match = INCLUDE.match(line)
        if not match:
            continue
        quoted, name = match.group(1) == '"', match.group(2).strip()
        if headless and is_widget_header(name):
            yield number, f"Qt Widgets header <{name}> in headless {top}/ code"
        if not quoted:
            continue
        target = resolve(root, path, name)
        if target is None:
            continue
        rules = list(_rules_of(parts, top, is_core, target))
        # A climb is reported only where no rule above names a more
        # particular fault of the same include.
        if not rules and top in LAYER and target[0] in LAYER and LAYER[target[0]] > LAYER[top]:
            rules.append(f'"{"/".join(target)}": {top}/ sits below {target[0]}/ and includes '
                         "nothing of it")
        for rule in rules:
            yield number, rule


def _rules_of(parts, top, is_core, target):
    """The layering rules other than the layers' order that an include of
    `target` from a file at `parts` breaks."""
    where = target[0]
    shown = "/".join(target)
    if where in ABOVE_ALL:
        yield f'"{shown}": only tests/, bench/ and fuzz/ may include {where}/'
    if where in PROGRAM and top != where:
        yield f'"{shown}": only tests/ include the program\'s {where}/'
    if top == "platform" and where != "platform":
        yield f'"{shown}": platform/ includes only platform/'
    if top == "qo" and where not in ("qo", "platform"):
        yield f'"{shown}": qo/ includes only qo/ and platform/'
    if is_core and where in SUBSYSTEMS and subsystem_part(target) != "core":
        yield f'"{shown}": core code includes nothing from a {target[1]}/ folder'
    if (top in SUBSYSTEMS and not is_core and where in SUBSYSTEMS and where != top
            and len(target) > 2 and target[1] == "ui"
            and not (where == "shell" and subsystem_part(parts) == "ui")):
        yield f'"{shown}": {top}/ includes another subsystem\'s ui/'


def source_files(root):
    for folder, dirs, files in os.walk(root):
        relative = os.path.relpath(folder, root)
        dirs[:] = sorted(d for d in dirs if not d.startswith(".")
                         and not (relative == "." and d in SKIPPED_TOP))
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.normpath(os.path.join(relative, name))


def check(root):
    found = []
    for path in source_files(root):
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
            lines = f.read().splitlines()
        for number, rule in violations_of(root, path, lines):
            found.append(f"{path.replace(os.sep, '/')}:{number}: {rule}")
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--root", default=os.path.dirname(here))
    args = parser.parse_args()
    found = check(os.path.abspath(args.root))
    for line in found:
        print(line)
    if found:
        print(f"check-includes: {len(found)} include(s) break the layering", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
