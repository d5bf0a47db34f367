#include "shell/ui/language_dialog.h"

#include "shell/dialog_texts.h"
#include "shell/ui/text_fit.h"

#include "shell/app_settings.h"
#include "shell/language.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace shell::ui {

namespace {

constexpr int kNoteLabel = 1038;
constexpr int kChooseLabel = 1039;
constexpr int kOkButton = 1;
constexpr int kCancelButton = 2;

bool IsPackFile(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".lang";
}

} // namespace

std::vector<CLanguageEntry> ListLanguagePacks(const std::filesystem::path& programFolder) {
    std::vector<CLanguageEntry> entries;
    const auto folder = FindNoCase(programFolder, "Language");
    if (!folder)
        return entries;
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(*folder, error)) {
        if (item.is_regular_file(error) && IsPackFile(item.path()))
            files.push_back(item.path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        const auto pack = LoadLanguagePack(file);
        if (!pack)
            continue;
        const std::string* name = pack->String(kLanguageNameString);
        if (!name || name->empty())
            continue;
        entries.push_back({*name, file.stem().string()});
    }
    return entries;
}

CDlgSelectLanguage::CDlgSelectLanguage(const std::filesystem::path& programFolder,
                                       std::string currentLanguage, CAppSettings& settings,
                                       QWidget* parent)
    : QDialog(parent), m_settings(settings) {
    setWindowTitle(DialogString(kSelectLanguageDialog, 0, "选择语言"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(DialogString(kSelectLanguageDialog, kChooseLabel, "选择语言"), this));

    m_combo = new QComboBox(this);
    m_combo->setObjectName(QStringLiteral("ctl%1").arg(kLanguageCombo));
    // Each item carries its own file title, so any number of packs can be
    // listed and the choice never depends on the item's position.
    for (const CLanguageEntry& entry : ListLanguagePacks(programFolder))
        m_combo->addItem(shell::FromUtf8(entry.name), shell::FromUtf8(entry.title));
    const QString current = shell::FromUtf8(currentLanguage);
    for (int i = m_combo->count() - 1; i >= 0; --i) {
        if (m_combo->itemData(i).toString() == current) {
            m_combo->setCurrentIndex(i);
            break;
        }
    }
    if (m_combo->currentData().toString() != current)
        m_combo->setCurrentIndex(-1);
    layout->addWidget(m_combo);

    layout->addWidget(new QLabel(
        DialogString(kSelectLanguageDialog, kNoteLabel, "  注： 更改将在下次启动程序时生效。"),
        this));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    // The buttons speak the program's language, not Qt's.
    buttons->button(QDialogButtonBox::Ok)
        ->setText(DialogString(kSelectLanguageDialog, kOkButton, "确定"));
    buttons->button(QDialogButtonBox::Cancel)
        ->setText(DialogString(kSelectLanguageDialog, kCancelButton, "取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    FitCaption(*this);
}

void CDlgSelectLanguage::accept() {
    if (m_combo->currentIndex() >= 0)
        m_settings.SetLanguage(m_combo->currentData().toString().toStdString());
    QDialog::accept();
}

} // namespace shell::ui
