// The DSP document of a unit on the device sheet, and the switch of a unit
// to a stored template, over recording DSP documents.
#include "resources/message_ids.h"
#include "shell/dsp_of_device.h"

#include "device_editor/zo_device_doc.h"
#include "model/device_qovg.h"
#include "model/recording_messages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using shell::IDspDocument;

class CDspDocument final : public IDspDocument {
public:
    CDspDocument(std::vector<std::string>& log, std::string mac, bool view = true)
        : m_log(log), m_mac(std::move(mac)), m_view(view)
    {
    }
    std::string UnitMac() const override { return m_mac; }
    void SetDeviceModel(int model) override { m_log.push_back("model " + std::to_string(model)); }
    void SetDeviceId(int id) override { m_log.push_back("device " + std::to_string(id)); }
    void SetTitle(const std::string& title) override { m_log.push_back("title " + title); }
    void Activate() override { m_log.push_back("activate"); }
    bool HasView() const override { return m_view; }
    bool HoldsConfiguration() const override { return true; }
    void LoadTemplate(const fs::path& path) override { m_log.push_back("load " + path.string()); }
    void SwitchToStoredTemplate(int slot) override
    {
        m_log.push_back("switch " + std::to_string(slot));
    }

private:
    std::vector<std::string>& m_log;
    std::string m_mac;
    bool m_view;
};

class CDspDocuments final : public shell::IDspDocuments {
public:
    std::vector<IDspDocument*> OpenDocuments() override
    {
        std::vector<IDspDocument*> open;
        for (auto& document : documents)
            open.push_back(document.get());
        return open;
    }
    IDspDocument* NewDocument() override
    {
        log.push_back("new");
        documents.push_back(std::make_unique<CDspDocument>(log, ""));
        return documents.back().get();
    }
    IDspDocument* OpenDocument(const fs::path& path) override
    {
        log.push_back("open " + path.filename().string());
        documents.push_back(std::make_unique<CDspDocument>(log, ""));
        return documents.back().get();
    }
    std::optional<shell::CTemplateChoice> SelectTemplate() override { return choice; }

    std::vector<std::string> log;
    std::vector<std::unique_ptr<IDspDocument>> documents;
    std::optional<shell::CTemplateChoice> choice;
};

class DspOfDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("ostrel-dsp-of-device-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        AddUnit(7, 2, "00602b000007", "Hall");
        AddUnit(8, 12, "00602b000008", "Amplifier"); // not a DSP unit
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void AddUnit(int id, int model, std::string mac, std::string name)
    {
        auto unit = std::make_unique<model::CDeviceQOVG>();
        unit->m_id = id;
        unit->m_typeCode = model;
        unit->m_mac = std::move(mac);
        unit->m_name = std::move(name);
        m_sheet.AddDevice(std::move(unit));
    }
    IDspDocument* Open(int id, const std::string& sheetPath)
    {
        return shell::OpenDspDocumentOfDevice(id, &m_sheet, sheetPath, &m_documents, m_pending);
    }

    fs::path m_dir;
    device_editor::CZoDeviceDoc m_sheet;
    CDspDocuments m_documents;
    int m_pending = 0;
};

TEST_F(DspOfDevice, TheUnitsDocumentIsReusedFoundBesideTheSheetOrMadeNew)
{
    // No sheet path: a new document that knows its device.
    ASSERT_NE(Open(7, ""), nullptr);
    EXPECT_EQ(m_documents.log, (std::vector<std::string>{"new", "device 7", "model 2",
                                                         "title Hall(00602b000007) *"}));
    EXPECT_EQ(m_pending, 0);

    // A saved sheet without the unit's file: the frame remembers the device.
    m_documents = {};
    ASSERT_NE(Open(7, (m_dir / "Site.zo").string()), nullptr);
    EXPECT_EQ(m_documents.log,
              (std::vector<std::string>{"new", "model 2", "title Hall(00602b000007) *"}));
    EXPECT_EQ(m_pending, 7);

    // The unit's file in "<sheet> DSP Files", its name in another case.
    m_documents = {};
    fs::create_directories(m_dir / "site DSP files");
    std::ofstream(m_dir / "site DSP files" / "00602B000007.DSP");
    ASSERT_NE(Open(7, (m_dir / "site.zo").string()), nullptr);
    EXPECT_EQ(m_documents.log, (std::vector<std::string>{"open 00602B000007.DSP", "model 2",
                                                         "title Hall(00602b000007)"}));

    // An open document of the unit's MAC comes to the front.
    m_documents = {};
    m_documents.documents.push_back(
        std::make_unique<CDspDocument>(m_documents.log, "00602b000007"));
    IDspDocument* open = m_documents.documents.back().get();
    EXPECT_EQ(Open(7, (m_dir / "site.zo").string()), open);
    EXPECT_EQ(m_documents.log, (std::vector<std::string>{"model 2", "activate"}));

    // Not a DSP unit, no such device, no sheet: nothing.
    EXPECT_EQ(Open(8, ""), nullptr);
    EXPECT_EQ(Open(99, ""), nullptr);
    EXPECT_EQ(shell::OpenDspDocumentOfDevice(7, nullptr, "", &m_documents, m_pending), nullptr);
}

TEST_F(DspOfDevice, TheTemplateSwitchAndItsMessages)
{
    const fs::path ini = m_dir / "Ostrel.ini";
    std::ofstream(ini) << "[00602b000007-FirmAriTemplate]\n1=/templates/a.dsp\n2=x\n";
    struct Case {
        const char* name;
        std::optional<shell::CTemplateChoice> choice;
        bool openWithoutView;
        std::vector<int> messages;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {"cancelled", std::nullopt, false, {}, {}},
        {"no slot chosen", shell::CTemplateChoice{"00602b000007", 0}, false, {227}, {}},
        {"a short MAC", shell::CTemplateChoice{"00602b0007", 1}, false, {304}, {}},
        {"no file stored", shell::CTemplateChoice{"00602b000007", 2}, false, {231}, {}},
        {"no document open", shell::CTemplateChoice{"00602b000007", 1}, false, {},
         {"new", "load /templates/a.dsp", "switch 1"}},
        {"the unit's document without a view", shell::CTemplateChoice{"00602b000007", 1}, true,
         {286}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        model::CRecordingMessages messages;
        CDspDocuments documents;
        documents.choice = c.choice;
        if (c.openWithoutView)
            documents.documents.push_back(
                std::make_unique<CDspDocument>(documents.log, "00602b000007", false));
        shell::SelectDspTemplate(&documents, ini);
        EXPECT_EQ(messages.ShownIds(), c.messages);
        EXPECT_EQ(documents.log, c.log);
    }
    // While no editor makes DSP documents.
    model::CRecordingMessages messages;
    shell::SelectDspTemplate(nullptr, ini);
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{resources::kMsgNoDocumentTemplate});
}

} // namespace
