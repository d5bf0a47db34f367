// The device editor's dialogs on the offscreen platform: each opens on a
// temporary program folder or document, shows what its controller holds,
// and OK and Cancel do what the controller says; the IP address fields'
// blank and range handling; the shell's three dialogs registered with the
// device windows.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "device_editor/ui/config_dialogs.h"
#include "device_editor/ui/device_property_dialog.h"
#include "device_editor/ui/device_windows.h"
#include "device_editor/ui/net_type_dialog.h"
#include "device_editor/ui/set_ip_dialog.h"
#include "device_editor/unit_configuration.h"
#include "model/device_ny.h"
#include "model/recording_messages.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "resources/message_ids.h"
#include "shell/ostrel_app.h"
#include "shell/ui/edit_list_ctrl.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/message_boxes.h"
#include "tests/shell/ui/gui_app.h"
#include "tests/support/temp_dir.h"

namespace {

namespace de = device_editor;
namespace deui = device_editor::ui;
namespace fs = std::filesystem;
using model::EMessageAnswer;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

QPushButton* Button(QWidget& dialog, const char* name) {
    return dialog.findChild<QPushButton*>(QString::fromLatin1(name));
}

// Shows the widget and waits until it is the active window.
void ShowActive(QWidget& widget) {
    widget.show();
    widget.activateWindow();
    QApplication::setActiveWindow(&widget);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&widget, 5000));
}

struct FrameRecorder : de::IHardwareConfigFrame {
    void SetChangedUnit(const std::string& text) override { events.push_back("unit " + text); }
    void Notify(int code) override { events.push_back("notify " + std::to_string(code)); }
    std::vector<std::string> events;
};

// --- CIpAddressEdit -------------------------------------------------------------

TEST(IpAddressEdit, TypedFieldsKeepBlanksAndClampAboveTheRange) {
    de::CIpAddressValue value(0xC0A80114); // 192.168.1.20
    deui::CIpAddressEdit edit(value);
    ShowActive(edit);
    EXPECT_EQ(edit.Field(0)->text(), "192");
    EXPECT_EQ(edit.Field(3)->text(), "20");

    edit.Field(2)->setFocus();
    edit.Field(2)->selectAll();
    QTest::keyClick(edit.Field(2), Qt::Key_Delete);
    EXPECT_EQ(edit.Field(2)->text(), "");
    EXPECT_FALSE(value.Field(2));
    EXPECT_EQ(value.BlankCount(), 1);
    EXPECT_EQ(value.Value(), 0xC0A80014u); // a blank counts as 0

    const struct {
        const char* typed;
        const char* shown;
        std::optional<int> field;
    } cases[] = {{"7", "7", 7},       {"255", "255", 255}, {"256", "255", 255},
                 {"999", "255", 255}, {"0", "0", 0},       {"", "", std::nullopt}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        edit.Field(3)->setFocus();
        edit.Field(3)->selectAll();
        QTest::keyClick(edit.Field(3), Qt::Key_Delete);
        QTest::keyClicks(edit.Field(3), QString::fromLatin1(c.typed));
        EXPECT_EQ(edit.Field(3)->text(), c.shown);
        EXPECT_EQ(value.Field(3), c.field);
    }
    // Letters never get in.
    edit.Field(1)->selectAll();
    QTest::keyClicks(edit.Field(1), "a1b");
    EXPECT_EQ(edit.Field(1)->text(), "1");
    EXPECT_EQ(value.Field(1), 1);

    // Three digits go on to the next field.
    edit.Field(0)->setFocus();
    edit.Field(0)->selectAll();
    QTest::keyClicks(edit.Field(0), "10");
    EXPECT_TRUE(edit.Field(0)->hasFocus());
    QTest::keyClicks(edit.Field(0), "0");
    EXPECT_TRUE(gui_test::WaitFor([&] { return edit.Field(1)->hasFocus(); }))
        << "the third digit did not move on to the next field";
    EXPECT_EQ(value.Field(0), 100);
}

// --- CDeviceDlgSetIP and CDeviceDlgNetType ---------------------------------------

class FakeCards : public de::INetworkCards {
public:
    std::vector<std::string> Titles() override { return {"eth0", "eth1"}; }
    std::string Address(const std::string& title) override {
        return title == "eth0" ? "192.168.1.20" : "10.0.0.5";
    }
};

class SetIpDialog : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(ini) << "[AdapterSeg]\nAdapter=eth0\n[IPSeg]\nStartVisible=1\n";
    }
    std::map<std::string, std::string> Keys() {
        std::map<std::string, std::string> keys;
        std::istringstream in(ReadFile(ini));
        for (std::string line; std::getline(in, line);)
            if (const auto eq = line.find('='); eq != std::string::npos)
                keys[line.substr(0, eq)] = line.substr(eq + 1);
        return keys;
    }
    static void Type(deui::CIpAddressEdit& edit, int field, const char* text) {
        edit.Field(field)->selectAll();
        QTest::keyClick(edit.Field(field), Qt::Key_Delete);
        QTest::keyClicks(edit.Field(field), QString::fromLatin1(text));
    }

    test_support::CTempDir home{"ostrel-setip"};
    fs::path ini = home.path() / "Ostrel.ini";
    FakeCards cards;
    model::CRecordingMessages messages;
};

TEST_F(SetIpDialog, ShowsTheStoredCardAndTheRangeAndWritesItOnOk) {
    deui::CDeviceDlgSetIP dialog(&cards, ini, 0xC0A80101, 0xC0A801FE);
    ShowActive(dialog);
    EXPECT_EQ(dialog.CardBox()->count(), 2);
    EXPECT_EQ(dialog.CardBox()->currentText(), "eth0");
    EXPECT_EQ(dialog.CardBox()->toolTip(), "eth0");
    EXPECT_FALSE(dialog.CardEdit()->isEnabled());
    EXPECT_EQ(dialog.CardEdit()->Field(3)->text(), "20");
    EXPECT_EQ(dialog.StartEdit()->Field(3)->text(), "1");
    EXPECT_EQ(dialog.EndEdit()->Field(3)->text(), "254");
    EXPECT_TRUE(dialog.StartVisibleBox()->isChecked());

    // Another card: its address and tool tip; then back.
    dialog.CardBox()->setCurrentIndex(1);
    EXPECT_EQ(dialog.CardEdit()->Field(0)->text(), "10");
    EXPECT_EQ(dialog.CardBox()->toolTip(), "eth1");
    dialog.CardBox()->setCurrentIndex(0);

    // End .255 is refused and the dialog stays; .200 goes through.
    Type(*dialog.EndEdit(), 3, "255");
    Button(dialog, "ok")->click();
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{resources::kMsgEndIpLastField});
    EXPECT_TRUE(dialog.isVisible());
    Type(*dialog.EndEdit(), 3, "200");
    dialog.StartVisibleBox()->setChecked(false);
    Button(dialog, "ok")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_TRUE(dialog.Result());
    EXPECT_EQ(dialog.Result()->start, 0xC0A80101u);
    EXPECT_EQ(dialog.Result()->end, 0xC0A801C8u);
    const auto keys = Keys();
    EXPECT_EQ(keys.at("IPStart"), "192.168.1.1");
    EXPECT_EQ(keys.at("IPEnd"), "192.168.1.200");
    EXPECT_EQ(keys.at("Adapter"), "eth0");
    EXPECT_EQ(keys.at("StartVisible"), "0");
}

TEST_F(SetIpDialog, BlankFieldNoCardsAndCancelWriteNothing) {
    const std::string before = ReadFile(ini);
    {
        deui::CDeviceDlgSetIP dialog(&cards, ini, 0xC0A80101, 0xC0A801FE);
        ShowActive(dialog);
        Type(*dialog.StartEdit(), 2, "");
        Button(dialog, "ok")->click();
        EXPECT_TRUE(dialog.isVisible());
        Button(dialog, "cancel")->click();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_FALSE(dialog.Result());
    }
    {
        // No discovery manager: no cards, OK fails at the card check.
        deui::CDeviceDlgSetIP dialog(nullptr, ini, 0xC0A80101, 0xC0A801FE);
        ShowActive(dialog);
        EXPECT_EQ(dialog.CardBox()->count(), 0);
        Button(dialog, "ok")->click();
        EXPECT_TRUE(dialog.isVisible());
    }
    EXPECT_EQ(messages.ShownIds(),
              (std::vector<int>{resources::kMsgStartIpWrong, resources::kMsgChooseCard}));
    EXPECT_EQ(ReadFile(ini), before);
}

TEST(NetTypeDialog, PresetChoiceAndOkAndCancel) {
    {
        deui::CDeviceDlgNetType dialog(1);
        ShowActive(dialog);
        EXPECT_EQ(dialog.TypeBox()->count(), 2);
        EXPECT_EQ(dialog.TypeBox()->currentIndex(), 1);
        dialog.TypeBox()->setCurrentIndex(0);
        Button(dialog, "ok")->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.Index(), 0);
    }
    {
        deui::CDeviceDlgNetType dialog(0);
        ShowActive(dialog);
        dialog.TypeBox()->setCurrentIndex(1);
        Button(dialog, "cancel")->click();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(dialog.Index(), 0);
    }
}

// --- the password dialogs --------------------------------------------------------

class PasswordDialogs : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(password.Write("abc")); }
    test_support::CTempDir home{"ostrel-password"};
    de::CConfigPasswordController password{home.path() / "Registry.ini"};
    model::CRecordingMessages messages;
};

TEST_F(PasswordDialogs, PromptAcceptsTheStoredAndTheMasterPasswordOnly) {
    const struct {
        const char* entered;
        bool accepted;
    } cases[] = {{"abd", false}, {"", false}, {"abc", true}, {"KW702815936", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entered);
        deui::CDeviceDlgPassword prompt(password);
        ShowActive(prompt);
        EXPECT_EQ(prompt.PasswordBox()->echoMode(), QLineEdit::Password);
        QTest::keyClicks(prompt.PasswordBox(), QString::fromLatin1(c.entered));
        // From the button, so a refusal has to bring the focus back.
        Button(prompt, "ok")->setFocus();
        Button(prompt, "ok")->click();
        EXPECT_EQ(prompt.isVisible(), !c.accepted);
        if (!c.accepted) {
            EXPECT_TRUE(gui_test::WaitFor([&] { return prompt.PasswordBox()->hasFocus(); }))
                << "a refused password left the focus elsewhere";
        }
    }
    EXPECT_EQ(messages.ShownIds(),
              (std::vector<int>{resources::kMsgPasswordWrong, resources::kMsgPasswordWrong}));
}

TEST_F(PasswordDialogs, PromptOpensTheChangeDialogAndComesBack) {
    deui::CDeviceDlgPassword prompt(password);
    ShowActive(prompt);
    bool sawChange = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* change =
                qobject_cast<deui::CDeviceDlgModifyPassword*>(QApplication::activeModalWidget())) {
            sawChange = true;
            change->reject();
        }
    });
    poll.start(10);
    prompt.ModifyButton()->click();
    EXPECT_TRUE(sawChange);
    EXPECT_TRUE(prompt.isVisible());
}

TEST_F(PasswordDialogs, ChangeStaysOpenAndFocusesTheBoxAtFault) {
    deui::CDeviceDlgModifyPassword change(password);
    ShowActive(change);
    const auto fill = [&](const QString& old, const QString& fresh, const QString& confirm) {
        change.OldBox()->setText(old);
        change.NewBox()->setText(fresh);
        change.ConfirmBox()->setText(confirm);
        // From the button, so each refusal has to move the focus itself.
        change.ModifyButton()->setFocus();
        change.ModifyButton()->click();
    };
    fill("KW702815936", "x", "x"); // the master is no old password
    EXPECT_TRUE(gui_test::WaitFor([&] { return change.OldBox()->hasFocus(); }))
        << "a wrong old password did not focus its box";
    fill("abc", "x", "y");
    EXPECT_TRUE(gui_test::WaitFor([&] { return change.NewBox()->hasFocus(); }))
        << "a mismatched confirmation did not focus the new box";
    fill("abc", QString(21, QLatin1Char('p')), "other");
    EXPECT_TRUE(gui_test::WaitFor([&] { return change.NewBox()->hasFocus(); }))
        << "a too long password did not focus the new box";
    fill("abc", QString::fromUtf8("密码"), QString::fromUtf8("密码"));
    EXPECT_TRUE(change.isVisible());
    EXPECT_EQ(messages.ShownIds(),
              (std::vector<int>{resources::kMsgPasswordWrong, resources::kMsgPasswordMismatch,
                                resources::kMsgPasswordTooLong, resources::kMsgPasswordChanged}));
    std::string stored;
    ASSERT_TRUE(password.Read(stored));
    EXPECT_EQ(stored, "密码");
    Button(change, "cancel")->click();
    EXPECT_FALSE(change.isVisible());
}

// --- the hardware configuration dialogs ------------------------------------------

class HardwareDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(de::CUnitConfigFile(home.path()).Add("QLA-206A", "12ab56-00FF-ABCDEFGH"));
    }
    fs::path UnitFile(const std::string& digits) {
        return home.path() / "Configuration" / ("00602b" + digits + ".ini");
    }
    static QString Cell(QTableWidget& list, int row, int column) {
        const QTableWidgetItem* item = list.item(row, column);
        return item != nullptr ? item->text() : QString();
    }
    // Double-clicks the channel list's cell and chooses `text` in the
    // drop-down list that opens there.
    static void Choose(shell::ui::CEditListCtrl& list, int row, int column, const char* text) {
        const QRect cell = list.visualRect(list.model()->index(row, column));
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, cell.center());
        ASSERT_TRUE(list.List().Combo(row).visible);
        const auto& items = list.List().Combo(row).items;
        const auto it = std::find(items.begin(), items.end(), std::string(text));
        ASSERT_NE(it, items.end());
        list.List().OnCloseUp(row, static_cast<int>(it - items.begin()));
    }

    test_support::CTempDir home{"ostrel-hwconfig"};
    FrameRecorder frame;
    model::CRecordingMessages messages;
};

TEST_F(HardwareDialogs, EditorShowsTheUnitAndSubmitsItsEditedChannels) {
    deui::CDeviceDlgDeviceConfig dialog(home.path(), frame);
    ShowActive(dialog);
    QTableWidget& units = *dialog.UnitList();
    ASSERT_EQ(units.rowCount(), 1);
    EXPECT_EQ(Cell(units, 0, 0), "12ab56");
    EXPECT_EQ(Cell(units, 0, 1), "QLA-206A");
    EXPECT_EQ(Cell(units, 0, 2), "12AB56-00FF-ABCDEFGH");
    EXPECT_EQ(dialog.ChannelFrame()->title(), QString::fromUtf8("通道配置(12ab56)"));

    shell::ui::CEditListCtrl& channels = *dialog.ChannelList();
    std::vector<std::string> labels;
    std::vector<std::intptr_t> data;
    for (int row = 0; row < channels.List().RowCount(); ++row) {
        labels.push_back(channels.GetItemText(row, 0).toStdString());
        data.push_back(channels.GetItemData(row));
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"In 7", "In 8", "Out 3", "Out 4", "Out 5", "Out 6",
                                                "Out 7", "Out 8"}));
    EXPECT_EQ(data, (std::vector<std::intptr_t>{0, 0, 1, 1, 1, 1, 1, 1}));
    EXPECT_FALSE(dialog.SubmitButton()->isEnabled());

    Choose(channels, 0, 1, "Mic");
    EXPECT_TRUE(dialog.SubmitButton()->isEnabled());
    dialog.SubmitButton()->click();
    EXPECT_FALSE(dialog.SubmitButton()->isEnabled());
    EXPECT_EQ(frame.events, (std::vector<std::string>{"unit 00602B12ab56", "notify 1031"}));
    const std::string file = ReadFile(UnitFile("12ab56"));
    EXPECT_NE(file.find("InChannel7=Mic"), std::string::npos) << file;
}

TEST_F(HardwareDialogs, EditorAddsAndDeletesUnitsAndAsksBeforeDroppingEdits) {
    deui::CDeviceDlgDeviceConfig dialog(home.path(), frame);
    ShowActive(dialog);
    std::optional<de::NewUnit> next;
    dialog.askNewUnit = [&] { return next; };

    // Cancelled: nothing.
    dialog.AddButton()->click();
    EXPECT_EQ(dialog.UnitList()->rowCount(), 1);
    // Added: a second row, the first unit stays current.
    next = de::NewUnit{"abcdef-0100-00000001", "QLM-1204A", 8, "abcdef", 0x100, 12, 4};
    dialog.AddButton()->click();
    ASSERT_EQ(dialog.UnitList()->rowCount(), 2);
    EXPECT_EQ(Cell(*dialog.UnitList(), 1, 0), "abcdef");
    EXPECT_EQ(dialog.ChannelFrame()->title(), QString::fromUtf8("通道配置(12ab56)"));
    EXPECT_TRUE(fs::exists(UnitFile("abcdef")));

    // Another unit chosen with edits waiting: the question, No drops them.
    Choose(*dialog.ChannelList(), 0, 2, "No");
    messages.ScriptAnswer(resources::kMsgAskSaveChannels, EMessageAnswer::No);
    dialog.UnitList()->selectRow(1);
    EXPECT_EQ(dialog.ChannelFrame()->title(), QString::fromUtf8("通道配置(abcdef)"));
    EXPECT_EQ(messages.AskedIds(), std::vector<int>{resources::kMsgAskSaveChannels});

    // Deleting both: the last leaves an empty list and the bare caption.
    messages.ScriptAnswer(resources::kMsgAskDeleteUnit, EMessageAnswer::Yes);
    dialog.DeleteButton()->click();
    dialog.DeleteButton()->click();
    EXPECT_EQ(dialog.UnitList()->rowCount(), 0);
    EXPECT_EQ(dialog.ChannelList()->List().RowCount(), 0);
    EXPECT_EQ(dialog.ChannelFrame()->title(), QString::fromUtf8("通道配置"));
    EXPECT_FALSE(fs::exists(UnitFile("abcdef")));
    EXPECT_FALSE(fs::exists(UnitFile("12ab56")));
    EXPECT_EQ(frame.events,
              (std::vector<std::string>{"notify 1030", "unit 00602Babcdef", "notify 1032",
                                        "unit 00602B12ab56", "notify 1032"}));
}

TEST_F(HardwareDialogs, ClosingWithPendingEditsAsksOnce) {
    deui::CDeviceDlgDeviceConfig dialog(home.path(), frame);
    ShowActive(dialog);
    const std::string before = ReadFile(UnitFile("12ab56"));
    Choose(*dialog.ChannelList(), 1, 2, "No");
    messages.ScriptAnswer(resources::kMsgAskSaveChannels, EMessageAnswer::No);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(messages.AskedIds(), std::vector<int>{resources::kMsgAskSaveChannels});
    EXPECT_EQ(ReadFile(UnitFile("12ab56")), before);
    EXPECT_TRUE(frame.events.empty());
}

TEST_F(HardwareDialogs, AddDialogMovesTheFocusAndEnablesOkOnlyWhenComplete) {
    const struct {
        const char* groups[3];
        bool enabled;
    } cases[] = {{{"12ab56", "00FF", "ABCDEFGH"}, true},  {{"12ab56", "00FF", "ABCDEFG"}, false},
                 {{"12ab5", "00FF", "ABCDEFGH"}, false},  {{"12ab56", "12G4", "ABCDEFGH"}, false},
                 {{"../../", "00FF", "ABCDEFGH"}, false}, {{"", "", ""}, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.groups[0]) + "-" + c.groups[1] + "-" + c.groups[2]);
        deui::CDeviceDlgAddConfig add;
        ShowActive(add);
        EXPECT_EQ(add.ModelBox()->count(), 12);
        EXPECT_EQ(add.ModelBox()->currentText(), "QLA-1");
        for (int i = 0; i < 3; ++i) {
            add.Group(i)->setFocus();
            QTest::keyClicks(add.Group(i), QString::fromLatin1(c.groups[i]));
        }
        EXPECT_EQ(add.OkButton()->isEnabled(), c.enabled);
    }

    deui::CDeviceDlgAddConfig add;
    ShowActive(add);
    add.ModelBox()->setCurrentIndex(7);
    add.Group(0)->setFocus();
    QTest::keyClicks(add.Group(0), "12ab56");
    EXPECT_TRUE(gui_test::WaitFor([&] { return add.Group(1)->hasFocus(); }))
        << "a full first group did not move on";
    QTest::keyClicks(add.Group(1), "12G4");
    EXPECT_TRUE(gui_test::WaitFor([&] { return add.Group(2)->hasFocus(); }))
        << "a full second group did not move on";
    QTest::keyClicks(add.Group(2), "ABCDEFGH");
    add.accept(); // OK is off; Enter would come here all the same
    EXPECT_TRUE(add.isVisible());
    EXPECT_TRUE(gui_test::WaitFor([&] { return add.Group(1)->hasFocus(); }))
        << "the refused serial did not focus its faulty group";
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{resources::kMsgSerialFormat});

    add.Group(1)->selectAll();
    QTest::keyClicks(add.Group(1), "00ff");
    ASSERT_TRUE(add.OkButton()->isEnabled());
    add.OkButton()->click();
    EXPECT_EQ(add.result(), QDialog::Accepted);
    ASSERT_TRUE(add.Result());
    EXPECT_EQ(add.Result()->modelName, "QLM-1204A");
    EXPECT_EQ(add.Result()->serial, "12ab56-00ff-ABCDEFGH");
    EXPECT_EQ(add.Result()->bundle1, 255);
}

TEST_F(HardwareDialogs, ViewListsRefreshesIgnoresEnterAndEscapeAndTellsItsClose) {
    deui::CDeviceDlgConfigView view(home.path(), frame);
    ShowActive(view);
    ASSERT_EQ(view.List()->rowCount(), 1);
    EXPECT_EQ(Cell(*view.List(), 0, 0), "00602b12ab56");
    EXPECT_EQ(Cell(*view.List(), 0, 1), "QLA-206A");

    ASSERT_TRUE(de::CUnitConfigFile(home.path()).Add("QLM-0016A", "00aa00-0001-00000000"));
    ASSERT_TRUE(QMetaObject::invokeMethod(&view, "refresh"));
    EXPECT_EQ(view.List()->rowCount(), 2);

    QTest::keyClick(&view, Qt::Key_Escape);
    QTest::keyClick(&view, Qt::Key_Return);
    EXPECT_TRUE(view.isVisible());
    EXPECT_TRUE(frame.events.empty());
    view.close();
    EXPECT_EQ(frame.events, std::vector<std::string>{"notify 1029"});
}

// --- CDeviceDlgDeviceProperty --------------------------------------------------------

class PropertyDialog : public ::testing::Test {
protected:
    void SetUp() override {
        doc.OnNewDocument();
        // A QLM-0808A drawn as its input and its output half.
        for (const int subType : {1, 2}) {
            auto unit =
                std::make_unique<model::CDeviceNy>(dc, 600 + 200 * subType, 500, 20, 4, subType);
            unit->m_mac = "00602b";
            doc.AddDevice(std::move(unit));
        }
        ASSERT_TRUE(de::CUnitConfigFile(home.path()).Add("QLM-0808A", "12ab56-0010-00000001"));
        ASSERT_TRUE(de::CUnitConfigFile(home.path()).Add("QLM-1600A", "777777-0010-00000001"));
    }
    model::CBaseDevice& Half(int subType) { return *doc.FindDevice(20, subType); }

    test_support::CTempDir home{"ostrel-property"};
    platform::gdi::FixedWidthMeasurer dc;
    de::CZoDeviceDoc doc;
    model::CRecordingMessages messages;
};

TEST_F(PropertyDialog, ShowsTheDeviceAndTakesNameMacAndChannelNamesOnOk) {
    deui::CDeviceDlgDeviceProperty dialog(doc, Half(1), home.path(), home.path() / "Ostrel.ini");
    ShowActive(dialog);
    EXPECT_EQ(dialog.NameBox()->text().toStdString(), Half(1).m_name);
    ASSERT_EQ(dialog.MacBox()->count(), 1); // only the unused unit of this model
    EXPECT_EQ(dialog.MacBox()->currentText(), "00602b12ab56");
    const int rows = Half(1).m_inputCount + Half(1).m_outputCount;
    ASSERT_EQ(dialog.ChannelList()->rowCount(), rows);
    ASSERT_GT(rows, 0);
    EXPECT_EQ(dialog.ChannelList()->item(0, 1)->text(), "1");

    dialog.NameBox()->setText("Stage");
    dialog.ChannelList()->item(0, 0)->setText("Vocal");
    Button(dialog, "ok")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    for (const int subType : {1, 2}) {
        SCOPED_TRACE(subType);
        EXPECT_EQ(Half(subType).m_name, "Stage");
        EXPECT_EQ(Half(subType).m_mac, "00602b12ab56");
    }
    EXPECT_EQ(Half(1).GetChnl(0)->m_name, "Vocal");
    EXPECT_TRUE(messages.ShownIds().empty());
}

TEST_F(PropertyDialog, CancelRestoresTheColoursOnBothHalves) {
    const auto opened = Half(1).m_colours;
    deui::CDeviceDlgDeviceProperty dialog(doc, Half(1), home.path(), home.path() / "Ostrel.ini");
    ShowActive(dialog);
    dialog.ChooseColour(de::EDeviceColour::Back, 0x0000FF);
    dialog.ChooseColour(de::EDeviceColour::Title, 0x00FF00);
    EXPECT_EQ(Half(2).m_colours[static_cast<int>(de::EDeviceColour::Back)], 0x0000FFu);
    EXPECT_TRUE(dialog.Swatch(de::EDeviceColour::Back)->styleSheet().contains("#ff0000"));
    Button(dialog, "cancel")->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(Half(1).m_colours, opened);
    EXPECT_EQ(Half(2).m_colours, opened);
}

// --- the shell's dialogs, registered with the device windows -------------------------

TEST(ShellDialogs, RegisteredWithTheDeviceWindowsUntilTheyGo) {
    test_support::CTempDir home{"ostrel-shell-dialogs"};
    ::setenv("OSTREL_HOME", home.path().c_str(), 1);
    shell::ui::CQtUiThread uiThread;
    model::SetUiThread(&uiThread);
    {
        shell::ui::CMainFrame frame(home.path());
        {
            const auto windows = deui::RegisterDeviceWindows(frame);
            const shell::CShellDialogs& dialogs = shell::RegisteredDialogs();
            EXPECT_TRUE(dialogs.ipRange);
            EXPECT_TRUE(dialogs.netType);
            ASSERT_TRUE(dialogs.hardwareConfigView);

            // The list opens as the frame's child and goes on its close.
            dialogs.hardwareConfigView();
            QPointer<deui::CDeviceDlgConfigView> view =
                frame.findChild<deui::CDeviceDlgConfigView*>();
            ASSERT_TRUE(view);
            EXPECT_TRUE(view->isVisible());
            view->close();
            // EXPECT: the environment and the UI thread are restored below.
            EXPECT_TRUE(gui_test::WaitFor([&] { return view.isNull(); }))
                << "the closed list was not deleted";
        }
        const shell::CShellDialogs& dialogs = shell::RegisteredDialogs();
        EXPECT_FALSE(dialogs.ipRange);
        EXPECT_FALSE(dialogs.netType);
        EXPECT_FALSE(dialogs.hardwareConfigView);
    }
    model::SetUiThread(nullptr);
    ::unsetenv("OSTREL_HOME");
}

} // namespace
