// Captions of the shell's windows in both shipped packs, on the offscreen
// platform: a message box is as wide as the product's name in its title
// and its buttons speak the language,
// the language dialog's caption and buttons speak the pack, and each
// palette page button holds its whole caption at the bar's narrowest.
#include "gui_app.h"

#include "model/messages.h"
#include "shell/app_settings.h"
#include "shell/dialog_texts.h"
#include "shell/language.h"
#include "shell/ui/language_dialog.h"
#include "shell/ui/message_boxes.h"
#include "shell/ui/palette_bar.h"
#include "shell/ui/text_fit.h"
#include "tests/support/shipped_language.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using test_support::ScopedShippedLanguage;

const char* const kPacks[] = {"rcEng", "rcChs"};

struct ShownBox {
    QString title;
    int width = 0;
    int captionWidth = 0;
    // The buttons' texts in the box's order, and every word it shows.
    std::vector<std::string> buttons;
    std::vector<std::string> texts;
};

// Runs `show` (which opens a modal box), notes the box and closes it.
ShownBox NoteModalBox(const std::function<void()>& show) {
    ShownBox shown;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible())
            return;
        shown = {box->windowTitle(), box->width(),
                 shell::ui::CaptionWidth(*box, box->windowTitle()), {},
                 gui_test::VisibleTexts(*box, false, {box->text().toStdString()})};
        for (const QAbstractButton* button : box->buttons())
            shown.buttons.push_back(button->text().toStdString());
        poll.stop();
        box->done(QMessageBox::Cancel);
    });
    poll.start();
    show();
    return shown;
}

TEST(ShellCaptions, MessageBoxesShowTheProductsNameWhole) {
    for (const char* pack : kPacks) {
        SCOPED_TRACE(pack);
        const ScopedShippedLanguage language(pack);
        shell::ui::CMessageBoxSink sink;
        const ShownBox message = NoteModalBox([&] { sink.ShowMessage(157, "OK"); });
        EXPECT_EQ(message.title, shell::StringText(shell::kProductTitleString));
        EXPECT_GE(message.width, message.captionWidth);
        const ShownBox question = NoteModalBox(
            [&] { sink.Ask(226, "?", model::EMessageButtons::YesNo, model::EMessageAnswer::No); });
        EXPECT_GE(question.width, question.captionWidth);
        EXPECT_GT(question.captionWidth, 0);
    }
}

// The buttons are the language's, not the toolkit's English; the built-in
// table speaks Chinese too.
TEST(ShellCaptions, MessageBoxButtonsSpeakTheLanguage) {
    struct Row {
        const char* pack; // empty: the built-in table
        std::vector<std::string> ok;
        std::vector<std::string> yesNoCancel;
        std::vector<std::string> okCancel;
    };
    const Row rows[] = {
        {"rcEng", {"OK"}, {"&Yes", "&No", "Cancel"}, {"OK", "Cancel"}},
        {"rcChs", {"确定"}, {"是(&Y)", "否(&N)", "取消"}, {"确定", "取消"}},
        {"", {"确定"}, {"是(&Y)", "否(&N)", "取消"}, {"确定", "取消"}},
    };
    const auto sorted = [](std::vector<std::string> texts) {
        std::sort(texts.begin(), texts.end());
        return texts;
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(*row.pack ? row.pack : "built-in");
        std::optional<ScopedShippedLanguage> language;
        if (*row.pack)
            language.emplace(row.pack);
        shell::ui::CMessageBoxSink sink;
        const ShownBox message = NoteModalBox([&] { sink.ShowMessage(157, "text"); });
        EXPECT_EQ(message.buttons, row.ok);
        const ShownBox question = NoteModalBox([&] {
            sink.Ask(226, "?", model::EMessageButtons::YesNoCancel, model::EMessageAnswer::Yes);
        });
        EXPECT_EQ(sorted(question.buttons), sorted(row.yesNoCancel));
        const ShownBox okCancel = NoteModalBox([&] {
            sink.Ask(226, "?", model::EMessageButtons::OkCancel, model::EMessageAnswer::Ok);
        });
        EXPECT_EQ(sorted(okCancel.buttons), sorted(row.okCancel));
        if (language) {
            for (const ShownBox* box : {&message, &question, &okCancel})
                EXPECT_EQ(shell::UntranslatedTexts(language->Pack(), box->texts),
                          std::vector<std::string>{});
        }
    }
}

TEST(ShellCaptions, LanguageDialogSpeaksThePackAndShowsItsCaptionWhole) {
    struct Row {
        const char* pack;
        const char* ok;
        const char* cancel;
    };
    for (const Row& row : {Row{"rcEng", "OK", "Cancel"}, Row{"rcChs", "确定", "取消"}}) {
        SCOPED_TRACE(row.pack);
        const ScopedShippedLanguage language(row.pack);
        QTemporaryDir folder;
        const std::filesystem::path program(folder.path().toStdString());
        std::filesystem::create_directories(program / "Language");
        for (const char* pack : kPacks)
            std::filesystem::copy_file(std::filesystem::path(OSTREL_SHIPPED_PACKS) /
                                           (std::string(pack) + ".lang"),
                                       program / "Language" / (std::string(pack) + ".lang"));
        shell::CAppSettings settings(program / "Ostrel.ini");
        shell::ui::CDlgSelectLanguage dialog(program, row.pack, settings);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        ASSERT_NE(buttons, nullptr);
        EXPECT_EQ(buttons->button(QDialogButtonBox::Ok)->text().toStdString(), row.ok);
        EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text().toStdString(), row.cancel);
        EXPECT_GE(dialog.width(), shell::ui::CaptionWidth(dialog, dialog.windowTitle()));
        // The packs' own names are listed as each pack gives it.
        const std::set<std::string> names{"English", "简体中文(Simplied Chinese)"};
        EXPECT_EQ(
            shell::UntranslatedTexts(language.Pack(), gui_test::VisibleTexts(dialog, true, names)),
            std::vector<std::string>{});
    }
}

TEST(ShellCaptions, PalettePageButtonsHoldTheirCaptionsAtTheBarsNarrowest) {
    for (const char* pack : kPacks) {
        const ScopedShippedLanguage language(pack);
        for (const shell::EPaletteKind kind :
             {shell::EPaletteKind::Device, shell::EPaletteKind::Dsp}) {
            SCOPED_TRACE(std::string(pack) +
                         (kind == shell::EPaletteKind::Device ? " device" : " dsp"));
            shell::ui::CPaletteBar bar(kind, [](int) { return QIcon(); });
            bar.resize(bar.minimumWidth(), 700);
            bar.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
            for (int page = 0; bar.PageButton(page) != nullptr; ++page) {
                const QPushButton& button = *bar.PageButton(page);
                // Where the style draws the caption.
                QStyleOptionButton option;
                option.initFrom(&button);
                option.text = button.text();
                const QRect contents =
                    button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
                EXPECT_LE(button.fontMetrics().horizontalAdvance(button.text()), contents.width())
                    << button.text().toStdString();
            }
        }
    }
}

} // namespace
