#include "dsp_editor/ui/select_template_dialog.h"

#include "dsp_editor/ui/controls.h"
#include "dsp_editor/ui/file_chooser.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStringList>
#include <QTableWidget>
#include <QVBoxLayout>

#include <array>
#include <string>
#include <string_view>

#include "dsp_editor/zo_dsp_doc.h"
#include "shell/template_preview.h"
#include "shell/ui/template_preview.h"

namespace dsp_editor::ui {

namespace {

using Sel = CSelectTemplateController;

constexpr int kSelectCaption = 0;
// The lists keep their heights; the preview takes the rest.
constexpr int kSelectMargin = 5;
constexpr int kUnitsHeight = 110;
constexpr int kTemplatesHeight = 140;
constexpr int kPreviewMinimumHeight = 160;

// Keeps a list's columns at their shares (in percent) of its width.
class CColumnShares final : public QObject {
public:
    CColumnShares(QTableWidget* table, std::vector<int> percents)
        : QObject(table), m_table(table), m_percents(std::move(percents)) {
        table->viewport()->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize && watched == m_table->viewport()) {
            const int width = m_table->viewport()->width();
            for (int column = 0; column < static_cast<int>(m_percents.size()); ++column)
                m_table->setColumnWidth(column,
                                        width * m_percents[static_cast<std::size_t>(column)] / 100);
        }
        return false;
    }

private:
    QTableWidget* m_table;
    std::vector<int> m_percents;
};

QTableWidget* ChoiceList(QWidget* owner, int id, const QStringList& headers,
                         std::vector<int> percents) {
    auto* table = Named(new QTableWidget(0, static_cast<int>(headers.size()), owner), id);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->hide();
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setShowGrid(true);
    new CColumnShares(table, std::move(percents));
    return table;
}

void ShowChosenRow(QTableWidget* table, int row) {
    if (row < 0)
        table->clearSelection();
    else
        table->selectRow(row);
}

int ChosenRow(const QTableWidget* table) {
    const QList<QTableWidgetItem*> items = table->selectedItems();
    return items.isEmpty() ? -1 : items.front()->row();
}

} // namespace

// The preview's view of a DSP document.
class CDSPDlgSelectAriTemplate::CPreviewSheet final : public shell::IPreviewSheet {
public:
    explicit CPreviewSheet(const CZoDSPDoc& doc) : m_doc(doc) {}

    std::int32_t HighestModuleId() const override { return m_doc.m_moduleIdCounter; }
    model::CBaseAriModule* ModuleById(std::int32_t id) const override {
        return m_doc.GetModuleById(id);
    }
    int LinkCount() const override { return static_cast<int>(m_doc.Links().size()); }
    model::CBaseLink* LinkAt(int index) const override {
        return m_doc.Links().get(static_cast<std::size_t>(index));
    }
    platform::gdi::Size SheetSize() const override {
        return {m_doc.m_sheetWidth, m_doc.m_sheetHeight};
    }

private:
    const CZoDSPDoc& m_doc;
};

CDSPDlgSelectAriTemplate::CDSPDlgSelectAriTemplate(CSelectTemplateController& controller,
                                                   QWidget* parent)
    : QDialog(parent), m_controller(controller) {
    setWindowTitle(shell::DialogString(Sel::kDialog, kSelectCaption, "选择固化模板"));

    m_units = ChoiceList(
        this, Sel::kCtlUnits,
        {shell::StringText(Sel::kColumnUnitName), shell::StringText(Sel::kColumnUnitMac)},
        {25, 75});
    m_units->setFixedHeight(kUnitsHeight);
    m_templates =
        ChoiceList(this, Sel::kCtlTemplates,
                   {shell::StringText(Sel::kColumnSlot), shell::StringText(Sel::kColumnStructName),
                    shell::StringText(Sel::kColumnParamName), shell::StringText(Sel::kColumnPath)},
                   {20, 20, 20, 40});
    m_templates->setFixedHeight(kTemplatesHeight);
    m_preview = Named(new shell::ui::CStaticPreviewAriTemplate(this), Sel::kCtlPreview);
    m_preview->setMinimumHeight(kPreviewMinimumHeight);

    auto* add = Button(this, Sel::kDialog, Sel::kCtlAddTemplate, "增加算法模板...");
    // Reading the templates from the unit itself is not offered.
    auto* read = Button(this, Sel::kDialog, Sel::kCtlReadFromDevice, "从VGP设备读取");
    read->setEnabled(false);
    auto* ok = Button(this, Sel::kDialog, Sel::kCtlSwitch, "切换");
    auto* cancel = Button(this, Sel::kDialog, Sel::kCtlCancel, "取消");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(read);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kSelectMargin, kSelectMargin, kSelectMargin, kSelectMargin);
    layout->addWidget(m_units);
    layout->addWidget(m_templates);
    layout->addWidget(m_preview, 1);
    layout->addLayout(buttons);
    resize(640, 560);

    m_controller.SetPreviewChanged([this](const CZoDSPDoc* sheet) { ShowPreview(sheet); });
    ShowPreview(m_controller.PreviewDocument());
    ShowLists();

    connect(m_units, &QTableWidget::itemSelectionChanged, this, [this] {
        m_controller.OnClickUnit(ChosenRow(m_units));
        ShowLists();
    });
    connect(m_templates, &QTableWidget::itemSelectionChanged, this, [this] {
        m_controller.OnClickTemplate(ChosenRow(m_templates));
        ShowLists();
    });
    connect(add, &QPushButton::clicked, this, [this] {
        m_controller.OnBnClickedAddTemplate();
        ShowLists();
    });
    connect(ok, &QPushButton::clicked, this, &CDSPDlgSelectAriTemplate::accept);
    connect(cancel, &QPushButton::clicked, this, &CDSPDlgSelectAriTemplate::reject);
}

CDSPDlgSelectAriTemplate::~CDSPDlgSelectAriTemplate() {
    m_controller.SetPreviewChanged(nullptr);
    m_preview->SetDocument(nullptr);
}

void CDSPDlgSelectAriTemplate::ShowLists() {
    const QSignalBlocker quietUnits(m_units);
    const QSignalBlocker quietTemplates(m_templates);
    if (m_controller.Units() != m_shownUnits) {
        m_shownUnits = m_controller.Units();
        m_units->setRowCount(static_cast<int>(m_shownUnits.size()));
        for (int r = 0; r < static_cast<int>(m_shownUnits.size()); ++r) {
            m_units->setItem(r, 0, new QTableWidgetItem(QString::number(r + 1)));
            m_units->setItem(
                r, 1, new QTableWidgetItem(FromUtf8(m_shownUnits[static_cast<std::size_t>(r)])));
        }
    }
    if (m_controller.Templates() != m_shownTemplates) {
        m_shownTemplates = m_controller.Templates();
        m_templates->setRowCount(static_cast<int>(m_shownTemplates.size()));
        for (int r = 0; r < static_cast<int>(m_shownTemplates.size()); ++r) {
            const StoredTemplateRow& row = m_shownTemplates[static_cast<std::size_t>(r)];
            m_templates->setItem(
                r, 0,
                new QTableWidgetItem(QStringLiteral("%1").arg(row.slot, 2, 10, QLatin1Char('0'))));
            m_templates->setItem(r, 1, new QTableWidgetItem(FromUtf8(row.structName)));
            m_templates->setItem(r, 2, new QTableWidgetItem(FromUtf8(row.paramName)));
            m_templates->setItem(r, 3, new QTableWidgetItem(FromUtf8(row.path)));
        }
    }
    ShowChosenRow(m_units, m_controller.SelectedUnit());
    ShowChosenRow(m_templates, m_controller.SelectedTemplate());
}

void CDSPDlgSelectAriTemplate::ShowPreview(const CZoDSPDoc* sheet) {
    std::unique_ptr<CPreviewSheet> shown =
        sheet ? std::make_unique<CPreviewSheet>(*sheet) : nullptr;
    m_preview->SetDocument(shown.get());
    m_sheet = std::move(shown);
}

void CDSPDlgSelectAriTemplate::accept() {
    if (m_controller.OnOK())
        QDialog::accept();
}

void CDSPDlgSelectAriTemplate::reject() {
    m_controller.OnCancel();
    QDialog::reject();
}

std::optional<shell::CTemplateChoice>
RunSelectTemplateDialog(QWidget* parent, const std::filesystem::path& ini, IDspMainFrame* frame) {
    CQtFileChooser chooser;
    CSelectTemplateController controller(ini, &chooser, frame);
    controller.OnInitDialog();
    CDSPDlgSelectAriTemplate dialog(controller, parent);
    chooser.SetParent(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return shell::CTemplateChoice{controller.Mac(), controller.Slot()};
}

} // namespace dsp_editor::ui
