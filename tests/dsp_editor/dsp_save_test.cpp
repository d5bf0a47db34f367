// Saving a DSP document beside its device sheet, and closing it.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "dsp_test_support.h"
#include "model/recording_messages.h"
#include "platform/archive/file.h"
#include "resources/message_ids.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using dsp_editor::CZoDSPDoc;
using dsp_test::FakeFrame;
using model::EMessageAnswer;

using TempDir = test_support::CTempDir;

// Files larger than a few bytes cannot be written while it lives, even by
// root: the write fails as on a full disk.
class FileSizeLimit {
public:
    FileSizeLimit() {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit low = old_;
        low.rlim_cur = 64;
        ::setrlimit(RLIMIT_FSIZE, &low);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, old_handler_);
    }

private:
    rlimit old_{};
    void (*old_handler_)(int) = nullptr;
};

TEST(DspEditorSave, ThePathBesideTheDeviceSheet) {
    struct Row {
        const char* sheet;
        const char* mac;
        const char* path; // null: none
    } rows[] = {
        {"/a/b.zo", "00602b0a0b0c", "/a/b DSP Files/00602b0a0b0c.dsp"},
        {"  /a/b.zo \t", "00602B0A0B0C", "/a/b DSP Files/00602B0A0B0C.dsp"},
        {"/a/Hall Main.zo", "0123456789ab", "/a/Hall Main DSP Files/0123456789ab.dsp"},
        {"", "00602b0a0b0c", nullptr},
        {"   ", "00602b0a0b0c", nullptr},
        {"/a/b.zo", "", nullptr},
        {"/a/b.zo", "00602b0a0b0", nullptr},
        {"/a/b.zo", "00602b0a0b0c0", nullptr},
        {"/a/b.zo", "00602b0a0b0g", nullptr},
        {"/a/b.zo", "../../../etc", nullptr},
        {"/a/b.zo", "00602b/a0b0c", nullptr},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.sheet) + " " + r.mac);
        const auto path = dsp_editor::DefaultDspPath(r.sheet, r.mac);
        if (r.path == nullptr)
            EXPECT_FALSE(path.has_value());
        else
            EXPECT_EQ(path, fs::path(r.path));
    }
}

TEST(DspEditorSave, AFirstSaveMakesTheFolderAndMarksTheDocumentCleanAfterwards) {
    model::CRecordingMessages messages;
    TempDir dir;
    FakeFrame frame;
    frame.sheetPath = (dir.path() / "Hall.zo").string();
    auto doc = dsp_test::NewDocument(frame);
    doc->SetTitle("Stage(00602b0a0b0c) *");
    doc->GetModuleById(3)->m_selected = 1;

    ASSERT_TRUE(doc->OnFileSave());
    const fs::path file = dir.path() / "Hall DSP Files" / "00602b0a0b0c.dsp";
    ASSERT_TRUE(fs::is_regular_file(file));
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(doc->GetTitle(), "Stage(00602b0a0b0c)");
    EXPECT_EQ(doc->m_savedTitle, "Stage(00602b0a0b0c)");
    EXPECT_TRUE(doc->GetPathName().empty()); // computed again at every save
    EXPECT_TRUE(messages.ShownIds().empty());
    for (const auto& m : doc->Modules())
        EXPECT_EQ(m->m_selected, 0);

    CZoDSPDoc loaded;
    loaded.OnOpenDocument(file);
    EXPECT_EQ(loaded.m_savedTitle, "Stage(00602b0a0b0c)");
    EXPECT_EQ(loaded.GetTitle(), "00602b0a0b0c.dsp");
    EXPECT_EQ(loaded.SaveDocument(), doc->SaveDocument());
}

TEST(DspEditorSave, NothingIsWrittenWithoutASheetPathOrAWellFormedMac) {
    struct Row {
        const char* sheet;
        const char* mac;
        int message;
    } rows[] = {
        {"", "00602b0a0b0c", resources::kMsgSaveDeviceDocumentFirst},
        {"Hall.zo", "../00602b0a0b0c", resources::kMsgBadMac},
        {"Hall.zo", "", resources::kMsgBadMac},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.mac);
        model::CRecordingMessages messages;
        TempDir dir;
        FakeFrame frame;
        frame.mac = r.mac;
        frame.sheetPath = *r.sheet ? (dir.path() / r.sheet).string() : "";
        auto doc = dsp_test::NewDocument(frame);
        EXPECT_FALSE(doc->OnFileSave());
        EXPECT_EQ(messages.ShownIds(), std::vector<int>{r.message});
        EXPECT_TRUE(doc->IsModified());
        EXPECT_TRUE(doc->GetTitle().ends_with(" *"));
        EXPECT_TRUE(fs::is_empty(dir.path()));
    }
}

TEST(DspEditorSave, AFailedSaveKeepsTheOldFileAndTheModifiedMark) {
    TempDir dir;
    FakeFrame frame;
    frame.sheetPath = (dir.path() / "Hall.zo").string();
    auto doc = dsp_test::NewDocument(frame);
    doc->SetTitle("Stage *");
    ASSERT_TRUE(doc->OnFileSave());
    const fs::path file = dir.path() / "Hall DSP Files" / "00602b0a0b0c.dsp";
    const std::vector<std::uint8_t> old_bytes = platform::archive::read_file(file);

    doc->AddModule(model::kAriDelay, 1, 300, 100, 1);
    doc->SetTitle("Renamed *");
    model::CRecordingMessages messages;
    bool saved = true;
    {
        FileSizeLimit limit;
        saved = doc->OnFileSave();
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{resources::kMsgSaveFailed});
    EXPECT_EQ(platform::archive::read_file(file), old_bytes);
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()),
              1); // no temporary file left
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(doc->GetTitle(), "Renamed *");
    EXPECT_EQ(doc->m_savedTitle, "Stage");

    // A document opened from a file saves there, and fails there alike.
    CZoDSPDoc opened;
    opened.OnOpenDocument(file);
    opened.SetModifiedFlag(true);
    {
        FileSizeLimit limit;
        EXPECT_FALSE(opened.OnFileSave());
    }
    EXPECT_TRUE(opened.IsModified());
    EXPECT_EQ(platform::archive::read_file(file), old_bytes);
    opened.m_zoom = 3;
    ASSERT_TRUE(opened.OnFileSave());
    EXPECT_FALSE(opened.IsModified());
    EXPECT_NE(platform::archive::read_file(file), old_bytes);
}

TEST(DspEditorSave, CloseAsksOnlyWhenModifiedAndStaysOpenWhenTheSaveFails) {
    struct Row {
        const char* what;
        bool modified;
        EMessageAnswer answer;
        bool sheetSaved; // the device sheet has a path
        bool failWrite;
        bool closes;
        bool written;
        std::vector<int> shown;
    } rows[] = {
        {"clean", false, EMessageAnswer::Yes, true, false, true, false, {}},
        {"no", true, EMessageAnswer::No, true, false, true, false, {}},
        {"cancel", true, EMessageAnswer::Cancel, true, false, false, false, {}},
        {"yes", true, EMessageAnswer::Yes, true, false, true, true, {}},
        {"yes, sheet unsaved",
         true,
         EMessageAnswer::Yes,
         false,
         false,
         false,
         false,
         {resources::kMsgSaveDeviceDocumentFirst}},
        {"yes, write fails",
         true,
         EMessageAnswer::Yes,
         true,
         true,
         false,
         false,
         {resources::kMsgSaveFailed}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        model::CRecordingMessages messages;
        messages.ScriptAnswer(resources::kMsgSaveDocument, r.answer);
        TempDir dir;
        FakeFrame frame;
        frame.sheetPath = r.sheetSaved ? (dir.path() / "Hall.zo").string() : "";
        auto doc = dsp_test::NewDocument(frame);
        doc->SetModifiedFlag(r.modified);
        bool closes = false;
        {
            std::optional<FileSizeLimit> limit;
            if (r.failWrite)
                limit.emplace();
            closes = doc->OnFileClose();
        }
        EXPECT_EQ(closes, r.closes);
        EXPECT_EQ(messages.AskedIds(),
                  r.modified ? std::vector<int>{resources::kMsgSaveDocument} : std::vector<int>{});
        EXPECT_EQ(messages.ShownIds(), r.shown);
        EXPECT_EQ(fs::exists(dir.path() / "Hall DSP Files" / "00602b0a0b0c.dsp"), r.written);
        EXPECT_EQ(doc->IsModified(), r.modified && !r.written);
    }
}

} // namespace
