#include "shell/ui/language_dialog.h"
#include "shell/ui/splash.h"

#include "gui_app.h"

#include "platform/gdi/recording_canvas.h"
#include "shell/app_settings.h"
#include "shell/language.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QImage>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using shell::ui::CDlgSelectLanguage;
using shell::ui::CDlgSplash;
using shell::ui::CLanguageEntry;

const fs::path kShipped = OSTREL_SHIPPED_PACKS;

void WriteFile(const fs::path& file, const std::string& bytes)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

// A program folder with a Language folder of the caller's packs.
class ProgramFolder {
public:
    ProgramFolder() : m_settings(Path() / "Ostrel.ini") {}
    fs::path Path() const { return fs::path(m_dir.path().toStdString()); }
    fs::path Language() const { return Path() / "Language"; }
    shell::CAppSettings& Settings() { return m_settings; }

    void CopyShipped()
    {
        fs::create_directories(Language());
        fs::copy_file(kShipped / "rcEng.lang", Language() / "rcEng.lang");
        fs::copy_file(kShipped / "rcChs.lang", Language() / "rcChs.lang");
    }
    void AddPack(const std::string& title, const std::string& name)
    {
        WriteFile(Language() / (title + ".lang"), "[Strings]\n134=" + name + "\n");
    }

private:
    QTemporaryDir m_dir;
    shell::CAppSettings m_settings;
};

std::vector<std::string> ComboTexts(const QComboBox& combo)
{
    std::vector<std::string> texts;
    for (int i = 0; i < combo.count(); ++i)
        texts.push_back(combo.itemText(i).toStdString() + "|" +
                        combo.itemData(i).toString().toStdString());
    return texts;
}

TEST(ShellLanguageDialog, ListsBothShippedPacksAndWritesTheChosenTitle)
{
    ProgramFolder folder;
    folder.CopyShipped();
    // Not packs: no name of their own, or not a pack file at all.
    WriteFile(folder.Language() / "Nameless.lang", "[Strings]\n157=x\n");
    WriteFile(folder.Language() / "readme.txt", "[Strings]\n134=Readme\n");

    CDlgSelectLanguage dialog(folder.Path(), "rcChs", folder.Settings());
    QComboBox* combo = dialog.Combo();
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->objectName(), QStringLiteral("ctl1037"));
    EXPECT_EQ(ComboTexts(*combo),
              (std::vector<std::string>{"简体中文(Simplied Chinese)|rcChs", "English|rcEng"}));
    // The application's language is preselected.
    EXPECT_EQ(combo->currentIndex(), 0);

    dialog.show();
    combo->setCurrentIndex(1);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(folder.Settings().Language(), "rcEng");
}

TEST(ShellLanguageDialog, KeepsEveryPackItsOwnTitleHoweverManyThereAre)
{
    ProgramFolder folder;
    for (int i = 0; i < 12; ++i)
        folder.AddPack("pack" + std::to_string(10 + i), "Language " + std::to_string(i));

    // The current language is found past the eighth item.
    CDlgSelectLanguage dialog(folder.Path(), "pack20", folder.Settings());
    ASSERT_EQ(dialog.Combo()->count(), 12);
    EXPECT_EQ(dialog.Combo()->currentIndex(), 10);
    dialog.Combo()->setCurrentIndex(11);
    dialog.accept();
    EXPECT_EQ(folder.Settings().Language(), "pack21");
}

TEST(ShellLanguageDialog, WithoutPacksOrWithoutAChoiceOkWritesNothing)
{
    ProgramFolder folder;
    ASSERT_TRUE(folder.Settings().SetLanguage("rcChs"));
    {
        // No Language folder at all.
        CDlgSelectLanguage dialog(folder.Path(), "rcChs", folder.Settings());
        EXPECT_EQ(dialog.Combo()->count(), 0);
        dialog.accept();
    }
    EXPECT_EQ(folder.Settings().Language(), "rcChs");

    folder.AddPack("rcEng", "English");
    {
        // The current language has no pack here: nothing is preselected.
        CDlgSelectLanguage dialog(folder.Path(), "rcChs", folder.Settings());
        EXPECT_EQ(dialog.Combo()->currentIndex(), -1);
        dialog.accept();
    }
    EXPECT_EQ(folder.Settings().Language(), "rcChs");

    // The folder and the extension are found without regard to case.
    fs::rename(folder.Language(), folder.Path() / "LANGUAGE");
    fs::rename(folder.Path() / "LANGUAGE" / "rcEng.lang", folder.Path() / "LANGUAGE" / "rcEng.LANG");
    EXPECT_EQ(shell::ui::ListLanguagePacks(folder.Path()),
              (std::vector<CLanguageEntry>{{"English", "rcEng"}}));
}

// A timer the test fires by hand.
class CManualTimer final : public shell::ITimer {
public:
    struct State {
        std::chrono::milliseconds period{0};
        std::function<void()> tick;
        bool running = false;
    };
    explicit CManualTimer(std::shared_ptr<State> state) : m_state(std::move(state)) {}
    void Start(std::chrono::milliseconds period, std::function<void()> tick) override
    {
        m_state->period = period;
        m_state->tick = std::move(tick);
        m_state->running = true;
    }
    void Stop() override { m_state->running = false; }

private:
    std::shared_ptr<State> m_state;
};

class ShellSplash : public ::testing::Test {
protected:
    void TearDown() override { shell::InstallLanguage(nullptr, ""); }
};

TEST_F(ShellSplash, NoPictureNoSplash)
{
    EXPECT_EQ(CDlgSplash::Create(shell::CDibBitmap()), nullptr);
}

TEST_F(ShellSplash, ShowsThePictureCentredAndClosesOnItsTimer)
{
    auto state = std::make_shared<CManualTimer::State>();
    QPointer<CDlgSplash> splash = CDlgSplash::Create(shell::ui::DrawSplashPicture(),
                                                     std::make_unique<CManualTimer>(state));
    ASSERT_NE(splash, nullptr);
    splash->show();
    EXPECT_EQ(splash->size(), QSize(480, 300));
    EXPECT_EQ(splash->frameGeometry().center(),
              QGuiApplication::primaryScreen()->geometry().center());

    // The picture's corner, and the light panel the text stands on.
    const QImage shown = splash->grab().toImage();
    const auto corner = splash->Picture().ToBitmap().GetPixel(2, 2);
    EXPECT_EQ(shown.pixelColor(2, 2),
              QColor(platform::gdi::GetRValue(corner), platform::gdi::GetGValue(corner),
                     platform::gdi::GetBValue(corner)));
    EXPECT_GT(shown.pixelColor(460, 225).lightness(), 200);

    splash->SetShowTime(std::chrono::milliseconds(750));
    EXPECT_EQ(state->period, std::chrono::milliseconds(750));
    ASSERT_TRUE(state->running);
    QCoreApplication::processEvents();
    EXPECT_FALSE(splash.isNull());

    state->tick();
    EXPECT_FALSE(state->running);
    EXPECT_TRUE(QTest::qWaitFor([&] { return splash.isNull(); }, 5000));
}

TEST_F(ShellSplash, ItsOwnTimerClosesIt)
{
    QPointer<CDlgSplash> splash = CDlgSplash::Create(shell::ui::DrawSplashPicture());
    ASSERT_NE(splash, nullptr);
    splash->show();
    splash->SetShowTime(std::chrono::milliseconds(20));
    EXPECT_TRUE(QTest::qWaitFor([&] { return splash.isNull(); }, 5000));
}

TEST_F(ShellSplash, TextComesFromTheInstalledLanguageAndEndsInAnEllipsis)
{
    auto pack = shell::LoadLanguagePack(kShipped / "rcEng.lang");
    ASSERT_TRUE(pack.has_value());
    shell::InstallLanguage(std::make_shared<shell::CLanguagePack>(std::move(*pack)), "rcEng");
    EXPECT_EQ(shell::ui::SplashText(),
              "Ostrel Transmission System 3.10\r\nThis program is protected by copyright law; "
              "do not copy or distribute it without permission.\r\nProduct ID: 3.10 release");

    platform::gdi::RecordingCanvas canvas(6);
    shell::ui::PaintSplash(canvas, shell::ui::DrawSplashPicture());
    std::vector<const platform::gdi::RecordedOp*> texts;
    for (const auto& op : canvas.Ops())
        if (op.kind == platform::gdi::RecordedOp::Kind::Text)
            texts.push_back(&op);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(canvas.Ops().front().kind, platform::gdi::RecordedOp::Kind::Bitmap);
    EXPECT_EQ(texts[0]->origin, (platform::gdi::Point{250, 155}));
    EXPECT_EQ(texts[0]->text, "Ostrel Transmission System 3.10");
    EXPECT_EQ(texts[0]->font.lfFaceName, "Arial");
    EXPECT_EQ(texts[0]->font.lfHeight, 13);
    EXPECT_EQ(texts[0]->font.lfWeight, 400);
    EXPECT_EQ(texts[0]->colour, platform::gdi::kBlack);
    // The notice is wider than the picture's right part.
    EXPECT_TRUE(texts[1]->text.ends_with("...")) << texts[1]->text;
    EXPECT_TRUE(texts[1]->text.starts_with("This program")) << texts[1]->text;
    EXPECT_EQ(texts[2]->text, "Product ID: 3.10 release");
}

} // namespace
