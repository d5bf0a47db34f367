#pragma once
// The binding group dialog of a module (new group or join a group) and the
// small dialog that renames a group. Both show a CGroupEditor and forward
// what the user does to it.
#include <QDialog>
#include <QString>

#include "dsp_editor/binding_groups.h"

class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace dsp_editor::ui {

inline constexpr int kGroupDialog = 340;
inline constexpr int kGroupRenameDialog = 342;

// Controls, by the ids their texts have in the language packs.
inline constexpr int kCtlJoin = 1015;
inline constexpr int kCtlModuleName = 1189;
inline constexpr int kCtlRemove = 1228;
inline constexpr int kCtlOldName = 1326;
inline constexpr int kCtlRename = 1337;
inline constexpr int kCtlGroups = 1374;
inline constexpr int kCtlNewName = 1375;
inline constexpr int kCtlNewNameLabel = 1376;
inline constexpr int kCtlMembers = 1377;
inline constexpr int kCtlOk = 1378;
inline constexpr int kCtlCancel = 1379;
inline constexpr int kCtlModuleId = 1381;

// Modal. Enter and Escape do nothing; Cancel and closing the window cancel.
// Each control is named "ctl<id>".
class CDSPDlgNewCombination final : public QDialog {
    Q_OBJECT
public:
    explicit CDSPDlgNewCombination(CGroupEditor& editor, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnSelChangeGroup(int index);
    void OnSelChangeMember();
    void OnJoinGroup();
    void OnRemoveMembers();
    void OnRenameGroup();
    void OnBnClickedOk();
    void FillGroups();
    void FillMembers();
    void UpdateButtons();

    CGroupEditor& m_editor;
    QComboBox* m_groups = nullptr;
    QTableWidget* m_members = nullptr;
    QLineEdit* m_newName = nullptr;
    QPushButton* m_join = nullptr;
    QPushButton* m_remove = nullptr;
};

// Asks for a group's new name; OK closes only for a name the group dialog
// can take (AcceptGroupRename).
class CDSPDlgCombiRename final : public QDialog {
    Q_OBJECT
public:
    CDSPDlgCombiRename(const CGroupEditor& owner, QString oldName, QWidget* parent = nullptr);

    QString NewName() const;
    void accept() override;

private:
    const CGroupEditor& m_owner;
    QString m_oldName;
    QLineEdit* m_newName = nullptr;
};

} // namespace dsp_editor::ui
