#pragma once
// The dialog in which the operator picks the interface language for the next
// start: it lists the packs of the program folder's Language folder by the
// name each gives itself, and OK stores the chosen pack's title in
// [Interface] Language.
#include <filesystem>
#include <string>
#include <vector>

#include <QDialog>

class QComboBox;

namespace shell {
class CAppSettings;
}

namespace shell::ui {

inline constexpr int kSelectLanguageDialog = 145;
inline constexpr int kLanguageCombo = 1037;

struct CLanguageEntry {
    std::string name;  // the pack's string 134
    std::string title; // its file name without ".lang"
    friend bool operator==(const CLanguageEntry&, const CLanguageEntry&) = default;
};

// The packs of `programFolder`/Language (folder and extension without regard
// to case) in file-name order; a pack that cannot be read or has no
// string 134 is left out.
std::vector<CLanguageEntry> ListLanguagePacks(const std::filesystem::path& programFolder);

class CDlgSelectLanguage final : public QDialog {
    Q_OBJECT
public:
    // `currentLanguage` is the application's language name (the title of the
    // pack it started with); its entry is selected, the last one when two
    // packs share a title.
    CDlgSelectLanguage(const std::filesystem::path& programFolder, std::string currentLanguage,
                       CAppSettings& settings, QWidget* parent = nullptr);

    QComboBox* Combo() const { return m_combo; }

    // Stores the selected pack's title, when one is selected, and closes.
    void accept() override;

private:
    CAppSettings& m_settings;
    QComboBox* m_combo = nullptr;
};

} // namespace shell::ui
