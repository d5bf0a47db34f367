#include "attri_dialogs/ui/slope_dialogs.h"

#include <QEvent>
#include <QFont>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>

#include <string>

#include "model/filter_math.h"
#include "platform/gdi/qt_canvas.h"
#include "resources/bitmaps.h"
#include "shell/dialog_texts.h"
#include "shell/my_button.h"
#include "shell/ui/my_button_widget.h"
#include "shell/ui/text_fit.h"

namespace attri_dialogs::ui {

using shell::ui::CMyButton;

namespace {

constexpr int kFilterDialog = 156;
constexpr int kCrossoverDialog = 160;

// Labels, for the language packs.
constexpr int kLevelLabel = 1501;
constexpr int kInvertLabel = 1502;
constexpr int kMuteLabel = 1508;
constexpr int kInputGroup = 1509;
constexpr int kFilterGroup = 1510;
constexpr int kOutputGroup = 1511;
constexpr int kSyncLabel = 1512;
constexpr int kTypeLabel = 1513;
constexpr int kCutoffLabel = 1514;
constexpr int kOutputLevelLabel = 1515;
constexpr int kLegend = 1516;
constexpr int kFirstBandButton = 1517; // to 1520, the band buttons
constexpr int kFrequencyLabel = 1521;
constexpr int kBypassLabel = 1522;

// Controls.
constexpr int kInputLevelEdit = 1601;
constexpr int kInputMuteButton = 1602;
constexpr int kFirstSyncButton = 1607; // left, right
constexpr int kFirstTypeList = 1609;   // left, right
constexpr int kFirstCutoffEdit = 1611; // left, right
constexpr int kFirstCutoffSpin = 1613; // left, right
constexpr int kOutputMuteButton = 1615;
constexpr int kOutputInvertButton = 1616;
constexpr int kOutputLevelEdit = 1617;
constexpr int kFirstBandPanel = 1618; // to 1621
constexpr int kFilterTypeList = 1631;
constexpr int kGainEdit = 1632;
constexpr int kGainSpin = 1633;
constexpr int kFrequencyEdit = 1634;
constexpr int kFrequencySpin = 1635;
constexpr int kBypassButton = 1636;

// The y below the band buttons in one row, where the filter group begins.
constexpr int kFirstBelowBands = 32;

constexpr std::array<const char*, 4> kBandCaptions = {"低频", "中低", "中高", "高频"};

QLabel* Label(QWidget* dialog, int dialogId, int id, const char* builtin, QRect place) {
    auto* label = new QLabel(shell::DialogString(dialogId, id, builtin), dialog);
    label->setGeometry(place);
    return label;
}

void Group(QWidget* dialog, int id, const char* builtin, QRect place) {
    auto* group = new QGroupBox(shell::DialogString(kCrossoverDialog, id, builtin), dialog);
    group->setGeometry(place);
    group->lower(); // behind the controls it frames
}

CMyButton* Button(QWidget* dialog, int id, int mode, QRect place) {
    auto* button = new CMyButton(dialog);
    button->SetMode(mode);
    shell::ui::SetControlId(button, id);
    button->setGeometry(place);
    return button;
}

CAttriValueEdit* Edit(QWidget* dialog, int id, QRect place) {
    auto* edit = new CAttriValueEdit(dialog);
    shell::ui::SetControlId(edit, id);
    edit->setGeometry(place);
    return edit;
}

QComboBox* TypeList(QWidget* dialog, int id, QRect place) {
    auto* list = new QComboBox(dialog);
    shell::ui::SetControlId(list, id);
    for (const char* name : model::g_szFilterTypeName)
        list->addItem(QString::fromLatin1(name));
    list->setGeometry(place);
    return list;
}

CAttriSpinButtons* Spin(QWidget* dialog, int id, int minimum, int maximum, QRect place) {
    auto* spin = new CAttriSpinButtons(dialog, minimum, maximum);
    shell::ui::SetControlId(spin, id);
    spin->setGeometry(place);
    return spin;
}

// The level scale beside the graph (both sides, `topDb` at the top edge,
// 3 dB per 14 pixels) and two rows of frequency labels above and below.
void GraphScales(QWidget* dialog, const platform::gdi::Rect& graph, int topDb) {
    QFont font = dialog->font();
    font.setPixelSize(9);
    const auto label = [&](const QString& text, QRect place, Qt::Alignment alignment) {
        auto* scale = new QLabel(text, dialog);
        scale->setFont(font);
        scale->setAlignment(alignment | Qt::AlignVCenter);
        scale->setGeometry(place);
    };
    for (int y = graph.top, db = topDb; y <= graph.bottom; y += 14, db -= 3) {
        label(QString::number(db), {graph.left - 26, y - 6, 22, 12}, Qt::AlignRight);
        label(QString::number(db), {graph.right + 4, y - 6, 22, 12}, Qt::AlignLeft);
    }
    struct Mark {
        double hz;
        const char* text;
    };
    static constexpr Mark kBelow[] = {{20, "20"},     {50, "50"},    {100, "100"}, {200, "200"},
                                      {500, "500"},   {1000, "1k"},  {2000, "2k"}, {5000, "5k"},
                                      {10000, "10k"}, {20000, "20k"}};
    static constexpr Mark kAbove[] = {
        {31.5, "31.5"}, {63, "63"},     {125, "125"},    {250, "250"},   {400, "400"},
        {800, "800"},   {1600, "1.6k"}, {3150, "3.15k"}, {6300, "6.3k"}, {12500, "12.5k"}};
    const auto x = [&](double hz) { return graph.left + CSlopeResponse::HandleIndex(hz); };
    for (const Mark& mark : kBelow)
        label(mark.text, {x(mark.hz) - 15, graph.bottom + 4, 30, 12}, Qt::AlignHCenter);
    for (const Mark& mark : kAbove)
        label(mark.text, {x(mark.hz) - 15, graph.top - 16, 30, 12}, Qt::AlignHCenter);
}

platform::gdi::Point PointOf(const QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    return {at.x(), at.y()};
}

} // namespace

// -- the spin buttons

CAttriSpinButtons::CAttriSpinButtons(QWidget* parent, int minimum, int maximum)
    : QWidget(parent), m_minimum(minimum), m_maximum(maximum), m_position(minimum),
      m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
    for (QToolButton* button : {m_up, m_down}) {
        button->setArrowType(button == m_up ? Qt::UpArrow : Qt::DownArrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QToolButton::clicked, this, [this, button] { Step(button == m_up); });
    }
}

void CAttriSpinButtons::Step(bool up) {
    const int next = m_position + (up ? 1 : -1);
    if (next < m_minimum || next > m_maximum)
        return;
    m_position = next;
    if (m_onStep)
        m_onStep(next);
}

void CAttriSpinButtons::resizeEvent(QResizeEvent*) {
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}

// -- the crossover

CDSPDlgAttriCrossover::CDSPDlgAttriCrossover(dsp_editor::CZoDSPView& view,
                                             model::CBaseAriModule& module, QWidget* parent,
                                             QWidget* viewWidget)
    : CDSPDlgAttriCrossover(std::make_unique<CAttriCrossoverController>(
                                view, dynamic_cast<model::CAriCrossover&>(module)),
                            parent, viewWidget) {}

CDSPDlgAttriCrossover::CDSPDlgAttriCrossover(std::unique_ptr<CAttriCrossoverController> controller,
                                             QWidget* parent, QWidget* viewWidget)
    : CDSPDlgAttriBase(controller->Base(), parent, viewWidget, resources::kIconCrossoverDialog),
      m_crossover(std::move(controller)) {
    SetClientSize({790, 330});
    SetLargestSize({800, 350});
    using Controller = CAttriCrossoverController;

    for (std::int32_t b = 0; b < 4; ++b) {
        CMyButton*& button = m_bandButtons[static_cast<std::size_t>(b)];
        button = Button(this, kFirstBandButton + b, shell::CMyButtonCore::kModeRadio, {});
        const std::int32_t renamed = m_crossover->BandCaptionString(b);
        button->setText(renamed != 0
                            ? shell::StringText(renamed)
                            : shell::DialogString(kCrossoverDialog, kFirstBandButton + b,
                                                  kBandCaptions[static_cast<std::size_t>(b)]));
        connect(button, &CMyButton::Command, this, [this, b] {
            m_crossover->SelectBand(b);
            Show();
        });
    }
    // The controls below stand lower when the band buttons take two rows.
    const int dy = LayOutBandButtons() - kFirstBelowBands;

    Group(this, kFilterGroup, "滤波器设置", {6, 32 + dy, 178, 132});
    MakeColumn(Controller::kLeft, 12, dy);
    MakeColumn(Controller::kRight, 98, dy);

    // The level edits' sliders hang below them: the input settings go at
    // the bottom of the column, with nothing beneath their edit, and the
    // output level edit stands right of every input control, so that its
    // slider passes beside them.
    Group(this, kOutputGroup, "输出设置", {6, 170 + dy, 178, 62});
    Label(this, kCrossoverDialog, kMuteLabel, "禁音", {12, 186 + dy, 50, 14});
    Label(this, kCrossoverDialog, kInvertLabel, "反转", {66, 186 + dy, 50, 14});
    Label(this, kCrossoverDialog, kOutputLevelLabel, "电平 (dB)", {120, 186 + dy, 62, 14});
    m_outputMute =
        Button(this, kOutputMuteButton, shell::CMyButtonCore::kModeToggle, {12, 202 + dy, 48, 20});
    connect(m_outputMute, &CMyButton::Command, this, [this] {
        m_crossover->OnOutputMute();
        Show();
    });
    m_outputInvert = Button(this, kOutputInvertButton, shell::CMyButtonCore::kModeToggle,
                            {66, 202 + dy, 48, 20});
    connect(m_outputInvert, &CMyButton::Command, this, [this] {
        m_crossover->OnOutputInvert();
        Show();
    });
    m_outputLevel = Edit(this, kOutputLevelEdit, {120, 202 + dy, 58, 20});
    m_outputLevel->SetEditHandler([this](EEditEvent event, const std::string& text) {
        m_crossover->OutputLevelEdit().text = text;
        m_crossover->OnOutputLevel(event);
        Show();
    });
    m_outputLevel->SetFocusHandler([this] {
        if (m_crossover->OnLevelEditFocus(Controller::kOutputTarget))
            PlaceSlider();
    });

    Group(this, kInputGroup, "输入设置", {6, 238 + dy, 178, 62});
    Label(this, kCrossoverDialog, kLevelLabel, "电平(dB)", {14, 254 + dy, 70, 14});
    Label(this, kCrossoverDialog, kMuteLabel, "禁音", {90, 254 + dy, 46, 14});
    m_inputLevel = Edit(this, kInputLevelEdit, {14, 270 + dy, 70, 20});
    m_inputLevel->SetEditHandler([this](EEditEvent event, const std::string& text) {
        m_crossover->InputLevelEdit().text = text;
        m_crossover->OnInputLevel(event);
        Show();
    });
    m_inputLevel->SetFocusHandler([this] {
        if (m_crossover->OnLevelEditFocus(Controller::kInputTarget))
            PlaceSlider();
    });
    m_inputMute =
        Button(this, kInputMuteButton, shell::CMyButtonCore::kModeToggle, {90, 270 + dy, 46, 20});
    connect(m_inputMute, &CMyButton::Command, this, [this] {
        m_crossover->OnInputMute();
        Show();
    });

    GraphScales(this, Controller::kGraph, 3);
    QFont small = font();
    small.setPixelSize(11);
    auto* legend = Label(this, kCrossoverDialog, kLegend, "频率\n滤波器类型\n输出电平\n静音\n反相",
                         {190, 212 + 26, 76, 80});
    legend->setFont(small);
    legend->setWordWrap(true);
    legend->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (int panel = 0; panel < 4; ++panel) {
        QLabel*& text = m_panels[static_cast<std::size_t>(panel)];
        text = new QLabel(this);
        shell::ui::SetControlId(text, kFirstBandPanel + panel);
        text->setFont(small);
        text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    LayOutBandPanels();
    CreateSlider(false);
    Show();
    shell::ui::FitLabelTexts(*this);
}

void CDSPDlgAttriCrossover::MakeColumn(std::int32_t column, int x, int dy) {
    Column& controls = m_columns[static_cast<std::size_t>(column)];
    Label(this, kCrossoverDialog, kSyncLabel, "同步设置", {x, 46 + dy, 80, 14});
    Label(this, kCrossoverDialog, kTypeLabel, "滤波器类型(dB/Oct)", {x, 84 + dy, 84, 14});
    Label(this, kCrossoverDialog, kCutoffLabel, "截止频率(Hz)", {x, 122 + dy, 80, 14});
    controls.sync = Button(this, kFirstSyncButton + column, shell::CMyButtonCore::kModeToggle,
                           {x + 16, 60 + dy, 48, 20});
    connect(controls.sync, &CMyButton::Command, this, [this, column] {
        m_crossover->OnSyncToggle(column);
        Show();
    });
    controls.types = TypeList(this, kFirstTypeList + column, {x, 98 + dy, 80, 22});
    controls.types->installEventFilter(this);
    connect(controls.types, &QComboBox::activated, this, [this, column](int index) {
        m_crossover->OnTypeSelected(column, index);
        Show();
    });
    controls.cutoff = Edit(this, kFirstCutoffEdit + column, {x, 136 + dy, 64, 20});
    controls.cutoff->SetEditHandler([this, column](EEditEvent event, const std::string& text) {
        m_crossover->CutoffEdit(column).text = text;
        m_crossover->OnCutoffEdit(column, event);
        Show();
    });
    controls.spin = Spin(this, kFirstCutoffSpin + column, 20, 20000, {x + 64, 136 + dy, 16, 20});
    controls.spin->SetStepHandler([this, column](int position) {
        m_crossover->OnSpin(column, position);
        Show();
    });
}

// The band buttons share one row when their captions fit it, else two;
// returns the y below them.
int CDSPDlgAttriCrossover::LayOutBandButtons() {
    const int bands = m_crossover->Bands();
    constexpr int kRowLeft = 8;
    constexpr int kRowWidth = 174;
    constexpr int kGap = 3;
    constexpr int kTop = 6;
    constexpr int kHeight = 22;
    // The lamp's rim and a margin each side of the caption.
    constexpr int kCaptionMargin = 12;
    int widest = 0;
    for (int b = 0; b < bands; ++b) {
        const CMyButton& button = *m_bandButtons[static_cast<std::size_t>(b)];
        widest = std::max(widest, button.fontMetrics().horizontalAdvance(button.text()));
    }
    const auto widthFor = [&](int perRow) { return (kRowWidth - (perRow - 1) * kGap) / perRow; };
    const int perRow = widthFor(bands) >= widest + kCaptionMargin ? bands : (bands + 1) / 2;
    const int width = widthFor(perRow);
    for (int b = 0; b < 4; ++b) {
        CMyButton* button = m_bandButtons[static_cast<std::size_t>(b)];
        button->setVisible(b < bands);
        button->setGeometry(kRowLeft + b % perRow * (width + kGap),
                            kTop + b / perRow * (kHeight + kGap), width, kHeight);
        // A frame unit of one pixel, however wide the button: the lamp
        // keeps its height for the caption.
        button->Attach(kFirstBandButton + b, this, shell::CMyButtonCore::kModeRadio,
                       std::max(width, kHeight), button->GetState());
    }
    const int rows = (bands + perRow - 1) / perRow;
    return kTop + rows * (kHeight + kGap) + 1;
}

// The band panels share the space below the graph among the bands there
// are.
void CDSPDlgAttriCrossover::LayOutBandPanels() {
    const int bands = m_crossover->Bands();
    constexpr int kPanelsLeft = 268;
    constexpr int kPanelsWidth = 500;
    int shown = 0;
    for (int b = 0; b < bands; ++b) {
        QLabel* panel = m_panels[static_cast<std::size_t>(m_crossover->BandPanel(b))];
        panel->setGeometry(kPanelsLeft + shown++ * kPanelsWidth / bands, 212,
                           kPanelsWidth / bands - 4, 110);
    }
    for (int panel = 0; panel < 4; ++panel) {
        bool used = false;
        for (int b = 0; b < bands; ++b)
            used = used || m_crossover->BandPanel(b) == panel;
        m_panels[static_cast<std::size_t>(panel)]->setVisible(used);
    }
}

void CDSPDlgAttriCrossover::Show() {
    const CAttriCrossoverController& crossover = *m_crossover;
    m_inputLevel->SetText(m_crossover->InputLevelEdit().text);
    ShowToggle(*m_inputMute, crossover.InputMute());
    for (std::int32_t b = 0; b < crossover.Bands(); ++b)
        m_bandButtons[static_cast<std::size_t>(b)]->SetState(b == crossover.SelectedBand() ? 1 : 0);
    for (std::int32_t column :
         {CAttriCrossoverController::kLeft, CAttriCrossoverController::kRight}) {
        Column& controls = m_columns[static_cast<std::size_t>(column)];
        const bool enabled = crossover.ColumnPosition(column) >= 0;
        controls.types->setCurrentIndex(crossover.ColumnType(column));
        controls.types->setEnabled(enabled);
        if (enabled)
            controls.cutoff->SetText(m_crossover->CutoffEdit(column).text);
        controls.cutoff->setEnabled(enabled);
        controls.spin->SetPosition(crossover.SpinPosition(column));
        controls.spin->setEnabled(enabled);
        ShowToggle(*controls.sync, crossover.Sync(column) ? 1 : 0);
        controls.sync->setEnabled(crossover.SyncEnabled(column));
    }
    ShowToggle(*m_outputMute, crossover.OutputMute());
    ShowToggle(*m_outputInvert, crossover.OutputInvert());
    m_outputLevel->SetText(m_crossover->OutputLevelEdit().text);
    for (std::int32_t b = 0; b < crossover.Bands(); ++b)
        m_panels[static_cast<std::size_t>(crossover.BandPanel(b))]->setText(
            shell::FromUtf8(crossover.BandText(b)));
    update();
}

void CDSPDlgAttriCrossover::RefreshControls() {
    CDSPDlgAttriBase::RefreshControls();
    m_crossover->Refresh();
    Show();
}

void CDSPDlgAttriCrossover::OnSliderMoving(int position) {
    m_crossover->OnSliderMoving(position);
    Show();
}

void CDSPDlgAttriCrossover::OnSliderReleased() {
    m_crossover->OnSliderReleased();
    Show();
}

void CDSPDlgAttriCrossover::OnSetDefaultValues() {
    m_crossover->SetDefaultValues();
    Show();
}

void CDSPDlgAttriCrossover::PlaceSlider() {
    if (CDSPDlgAttriSliderCtrl* slider = Slider())
        slider->PlaceBeside(m_crossover->SliderTarget() == CAttriCrossoverController::kOutputTarget
                                ? *m_outputLevel
                                : *m_inputLevel);
}

void CDSPDlgAttriCrossover::paintEvent(QPaintEvent* event) {
    CDSPDlgAttriBase::paintEvent(event);
    QPainter painter(this);
    platform::gdi::QtCanvas canvas(painter);
    m_crossover->Draw(canvas);
}

void CDSPDlgAttriCrossover::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton ||
        m_crossover->OnMouseDown(PointOf(event)) == CAttriCrossoverController::EMouseDown::kNone) {
        CDSPDlgAttriBase::mousePressEvent(event);
        return;
    }
    Show();
}

void CDSPDlgAttriCrossover::mouseMoveEvent(QMouseEvent* event) {
    if (!m_crossover->IsDragging()) {
        CDSPDlgAttriBase::mouseMoveEvent(event);
        return;
    }
    m_crossover->OnMouseMove(PointOf(event));
    Show();
}

void CDSPDlgAttriCrossover::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_crossover->IsDragging()) {
        CDSPDlgAttriBase::mouseReleaseEvent(event);
        return;
    }
    m_crossover->OnMouseUp();
    Show();
}

bool CDSPDlgAttriCrossover::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && qobject_cast<QComboBox*>(watched) != nullptr)
        m_crossover->OnTypeListFocus();
    return CDSPDlgAttriBase::eventFilter(watched, event);
}

// -- the filter

CDSPDlgAttriFilter::CDSPDlgAttriFilter(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module,
                                       QWidget* parent, QWidget* viewWidget)
    : CDSPDlgAttriFilter(
          std::make_unique<CAttriFilterController>(view, dynamic_cast<model::CAriFilter&>(module)),
          parent, viewWidget) {}

CDSPDlgAttriFilter::CDSPDlgAttriFilter(std::unique_ptr<CAttriFilterController> controller,
                                       QWidget* parent, QWidget* viewWidget)
    : CDSPDlgAttriBase(controller->Base(), parent, viewWidget, resources::kIconFilterDialog),
      m_filter(std::move(controller)) {
    SetClientSize({700, 242});
    SetLargestSize({750, 300});

    m_firstLabel = new QLabel(shell::StringText(m_filter->FirstLabelString()), this);
    m_firstLabel->setGeometry(8, 12, 96, 14);
    // The gain edit takes the type list's place: a dialog shows one of them.
    m_types = TypeList(this, kFilterTypeList, {8, 28, 92, 22});
    connect(m_types, &QComboBox::activated, this, [this](int index) {
        m_filter->OnTypeSelected(index);
        Show();
    });
    m_gain = Edit(this, kGainEdit, {8, 28, 76, 22});
    m_gain->SetEditHandler([this](EEditEvent event, const std::string& text) {
        m_filter->GainEdit().text = text;
        m_filter->OnGainEdit(event);
        Show();
    });
    m_gainSpin = Spin(this, kGainSpin, 0, 390, {84, 28, 16, 22});
    m_gainSpin->SetStepHandler([this](int position) {
        m_filter->OnGainSpin(position);
        Show();
    });
    const bool typeList = m_filter->HasTypeList();
    m_types->setVisible(typeList);
    m_types->setEnabled(typeList);
    for (QWidget* gain : {static_cast<QWidget*>(m_gain), static_cast<QWidget*>(m_gainSpin)}) {
        gain->setVisible(!typeList);
        gain->setEnabled(!typeList);
    }

    Label(this, kFilterDialog, kFrequencyLabel, "截止频率 (Hz)", {8, 62, 96, 14});
    m_frequency = Edit(this, kFrequencyEdit, {8, 78, 76, 22});
    m_frequency->SetEditHandler([this](EEditEvent event, const std::string& text) {
        m_filter->FrequencyEdit().text = text;
        m_filter->OnFrequencyEdit(event);
        Show();
    });
    m_frequencySpin = Spin(this, kFrequencySpin, 20, 20000, {84, 78, 16, 22});
    m_frequencySpin->SetStepHandler([this](int position) {
        m_filter->OnFrequencySpin(position);
        Show();
    });
    Label(this, kFilterDialog, kBypassLabel, "旁通", {8, 112, 96, 14});
    m_bypass = Button(this, kBypassButton, shell::CMyButtonCore::kModeToggle, {8, 128, 50, 22});
    connect(m_bypass, &CMyButton::Command, this, [this] {
        m_filter->OnBypass();
        Show();
    });
    GraphScales(this, CAttriFilterController::kGraph, 9);
    Show();
    shell::ui::FitLabelTexts(*this);
}

void CDSPDlgAttriFilter::Show() {
    m_types->setCurrentIndex(m_filter->SelectedType());
    m_gain->SetText(m_filter->GainEdit().text);
    m_gainSpin->SetPosition(m_filter->GainSpin());
    m_frequency->SetText(m_filter->FrequencyEdit().text);
    m_frequencySpin->SetPosition(m_filter->FrequencySpin());
    ShowToggle(*m_bypass, m_filter->Bypass());
    update();
}

void CDSPDlgAttriFilter::RefreshControls() {
    CDSPDlgAttriBase::RefreshControls();
    m_filter->Refresh();
    Show();
}

void CDSPDlgAttriFilter::OnSetDefaultValues() {
    m_filter->SetDefaultValues();
    Show();
}

void CDSPDlgAttriFilter::paintEvent(QPaintEvent* event) {
    CDSPDlgAttriBase::paintEvent(event);
    QPainter painter(this);
    platform::gdi::QtCanvas canvas(painter);
    m_filter->Draw(canvas);
}

void CDSPDlgAttriFilter::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_filter->OnMouseDown(PointOf(event))) {
        CDSPDlgAttriBase::mousePressEvent(event);
        return;
    }
    Show();
}

void CDSPDlgAttriFilter::mouseMoveEvent(QMouseEvent* event) {
    if (!m_filter->Dragging()) {
        CDSPDlgAttriBase::mouseMoveEvent(event);
        return;
    }
    m_filter->OnMouseMove(PointOf(event));
    Show();
}

void CDSPDlgAttriFilter::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_filter->Dragging()) {
        CDSPDlgAttriBase::mouseReleaseEvent(event);
        return;
    }
    m_filter->OnMouseUp();
    Show();
}

} // namespace attri_dialogs::ui
