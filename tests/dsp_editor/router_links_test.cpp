// The input modules named after the routing database, over a scripted main
// frame: the labels of a pair, the MAC that is never sent, the settings
// dialog's turns (pending, a failed connection, Cancel), a failed query
// among good ones and the view's command. The same against a real server:
// tests/dsp_editor/ui/router_links_db_test.cpp.
#include "dsp_editor/router_links.h"

#include "comm/event_log.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/recording_messages.h"
#include "resources/message_ids.h"
#include "tests/dsp_editor/dsp_test_support.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <ctime>
#include <deque>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace shell {
// For the comparisons and failure messages below.
bool operator==(const CDatabaseSettings& a, const CDatabaseSettings& b) {
    return a.server == b.server && a.user == b.user && a.password == b.password;
}
void PrintTo(const CDatabaseSettings& s, std::ostream* out) {
    *out << "{" << s.server << ", " << s.user << ", " << s.password << "}";
}
} // namespace shell

namespace {

using dsp_editor::CDSPDlgDBServerSet;
using dsp_editor::CRouteAnswer;
using shell::CDatabaseSettings;

constexpr int kMsg250 = resources::kMsgDatabaseError;

// The main frame with its settings and a connection that answers from a
// table by input channel; the settings dialog answers from a script (none:
// Cancel).
class ScriptedFrame final : public dsp_editor::IRouterLinkFrame {
public:
    bool DatabaseSettingsPending() const override { return pending; }
    void SetDatabaseSettingsPending(bool value) override { pending = value; }
    CDatabaseSettings DatabaseSettings() const override { return settings; }
    void SetDatabaseSettings(const CDatabaseSettings& value) override { settings = value; }
    bool OpenDatabase() override {
        opened.push_back(settings.server);
        if (openResults.empty())
            return true;
        const bool result = openResults.front();
        openResults.pop_front();
        return result;
    }
    CRouteAnswer FirstRowField(const std::string& sql, const std::vector<std::string>& bound,
                               const std::string& field) override {
        EXPECT_EQ(sql, dsp_editor::kRouteQuery);
        EXPECT_EQ(field, "OUTCHANNELID");
        queries.push_back(bound);
        const auto it = answers.find(bound.size() == 2 ? bound[1] : "");
        return it == answers.end() ? CRouteAnswer{} : it->second;
    }
    void CloseDatabase() override { ++closed; }
    bool RunDBServerSetDialog(CDSPDlgDBServerSet& dialog) override {
        shown.push_back(dialog.Settings());
        if (dialogAnswers.empty())
            return false;
        const std::optional<CDatabaseSettings> answer = dialogAnswers.front();
        dialogAnswers.pop_front();
        if (!answer)
            return false;
        dialog.OnOK(answer->server, answer->user, answer->password);
        return true;
    }

    bool pending = true;
    CDatabaseSettings settings;
    std::deque<bool> openResults;
    std::map<std::string, CRouteAnswer> answers; // by channel text "1".."4"
    std::deque<std::optional<CDatabaseSettings>> dialogAnswers;

    std::vector<std::string> opened; // the server of each attempt
    std::vector<std::vector<std::string>> queries;
    std::vector<CDatabaseSettings> shown; // the edits of each dialog as it opened
    int closed = 0;
};

class CountingWindow final : public dsp_editor::IDspViewWindow {
public:
    void Repaint() override { ++repaints; }
    void UpdatePropertyPanel() override {}
    int repaints = 0;
};

class RouterLinks : public ::testing::Test {
protected:
    void SetUp() override { NewDocument(); }

    // A new sheet, unmodified.
    void NewDocument() {
        doc = dsp_test::NewDocument(dspFrame);
        doc->SetModifiedFlag(false);
    }

    // The labels of input modules 1-8.
    std::vector<std::string> InputLabels() const {
        std::vector<std::string> labels;
        for (int id = 1; id <= 8; ++id)
            labels.push_back(doc->GetModuleById(id)->m_displayName);
        return labels;
    }
    static std::vector<std::string> DefaultLabels() {
        std::vector<std::string> labels;
        for (int id = 1; id <= 8; ++id)
            labels.push_back("Channel-" + std::to_string(id));
        return labels;
    }
    int LoggedFailures() const {
        std::ifstream in(home.path() / comm::CEventLog::DailyFileName(std::time(nullptr)));
        std::stringstream text;
        text << in.rdbuf();
        const std::string log = text.str();
        int count = 0;
        for (auto at = log.find(dsp_editor::kRouteQueryFailedLog); at != std::string::npos;
             at = log.find(dsp_editor::kRouteQueryFailedLog, at + 1))
            ++count;
        return count;
    }

    test_support::CTempDir home{"ostrel-routes"};
    test_support::ScopedEnv homeEnv{"OSTREL_HOME", home.path().string()};
    model::CRecordingMessages messages;
    dsp_test::FakeFrame dspFrame;
    std::unique_ptr<dsp_editor::CZoDSPDoc> doc;
    ScriptedFrame frame;
};

TEST_F(RouterLinks, SetInputPairNameLabelsItsPairOnlyAndMarksTheDocument) {
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        NewDocument();
        dsp_editor::SetInputPairName(*doc, k, "12");
        std::vector<std::string> expected = DefaultLabels();
        expected[2 * k] = "12-L";
        expected[2 * k + 1] = "12-R";
        EXPECT_EQ(InputLabels(), expected);
        EXPECT_TRUE(doc->IsModified());
        // The outputs keep their labels.
        EXPECT_EQ(doc->GetModuleById(9)->m_displayName, "Channel-1");
    }
    for (int k : {-1, 4}) {
        SCOPED_TRACE(k);
        NewDocument();
        dsp_editor::SetInputPairName(*doc, k, "12");
        EXPECT_EQ(InputLabels(), DefaultLabels());
        EXPECT_FALSE(doc->IsModified());
    }
}

TEST_F(RouterLinks, SettingsDialogShowsTheStoredServerAndTheDefaultUser) {
    CDSPDlgDBServerSet dialog("10.1.2.3");
    dialog.OnInitDialog();
    EXPECT_EQ(dialog.Settings(), (CDatabaseSettings{"10.1.2.3", "vargolin", ""}));
    dialog.OnOK("db", "operator", "secret");
    EXPECT_EQ(dialog.Settings(), (CDatabaseSettings{"db", "operator", "secret"}));
    // Opened again, the user is the default again and the password empty.
    dialog.OnInitDialog();
    EXPECT_EQ(dialog.Settings(), (CDatabaseSettings{"10.1.2.3", "vargolin", ""}));
}

TEST_F(RouterLinks, AMacOtherThanTwelveHexDigitsIsNeverSent) {
    const char* const macs[] = {
        "00602b'0a0b0",
        "00602b0a0b0' OR '1'='1",
        "00602b0a0b0",
        "00602b0a0b0c0",
        "00602b0a0g0c",
        "00602b 0a0b0",
        "",
    };
    for (const char* mac : macs) {
        SCOPED_TRACE(mac);
        NewDocument();
        model::CRecordingMessages shown;
        ScriptedFrame fresh;
        fresh.dialogAnswers.push_back(CDatabaseSettings{});
        doc->m_unitMac = mac;
        const int logged = LoggedFailures();
        EXPECT_EQ(dsp_editor::NameInputsFromDatabase(*doc, fresh), 0);
        EXPECT_TRUE(fresh.shown.empty());
        EXPECT_TRUE(fresh.opened.empty());
        EXPECT_TRUE(fresh.queries.empty());
        EXPECT_EQ(shown.ShownIds(), std::vector<int>{kMsg250});
        EXPECT_EQ(LoggedFailures(), logged + 1);
        EXPECT_EQ(InputLabels(), DefaultLabels());
        EXPECT_FALSE(doc->IsModified());

        // Asked for one channel, the same.
        dsp_editor::LoadChannelNameFromDB(*doc, fresh, 0);
        EXPECT_TRUE(fresh.queries.empty());
        EXPECT_EQ(shown.ShownIds(), (std::vector<int>{kMsg250, kMsg250}));
    }
}

TEST_F(RouterLinks, PendingSettingsAreAskedAndAFailedConnectionAsksAgain) {
    frame.settings = {"10.0.0.1", "vargolin", ""};
    frame.openResults = {false, true};
    frame.dialogAnswers = {CDatabaseSettings{"10.0.0.2", "operator", "pw"},
                           CDatabaseSettings{"10.0.0.3", "vargolin", ""}};
    frame.answers["3"] = {false, "5"};

    EXPECT_EQ(dsp_editor::NameInputsFromDatabase(*doc, frame), 1);
    // Each dialog opens on the server stored last; the user is the default.
    EXPECT_EQ(frame.shown, (std::vector<CDatabaseSettings>{{"10.0.0.1", "vargolin", ""},
                                                           {"10.0.0.2", "vargolin", ""}}));
    EXPECT_EQ(frame.opened, (std::vector<std::string>{"10.0.0.2", "10.0.0.3"}));
    EXPECT_EQ(frame.settings, (CDatabaseSettings{"10.0.0.3", "vargolin", ""}));
    EXPECT_FALSE(frame.pending);
    const std::string mac = doc->m_unitMac;
    EXPECT_EQ(frame.queries, (std::vector<std::vector<std::string>>{
                                 {mac, "1"}, {mac, "2"}, {mac, "3"}, {mac, "4"}}));
    EXPECT_EQ(frame.closed, 1);
    std::vector<std::string> expected = DefaultLabels();
    expected[4] = "5-L";
    expected[5] = "5-R";
    EXPECT_EQ(InputLabels(), expected);
    // The failed connection's message is the frame's own.
    EXPECT_TRUE(messages.ShownIds().empty());

    // Settings no longer pending: straight to the connection.
    EXPECT_EQ(dsp_editor::NameInputsFromDatabase(*doc, frame), 1);
    EXPECT_EQ(frame.shown.size(), 2u);
    EXPECT_EQ(frame.opened.back(), "10.0.0.3");
}

TEST_F(RouterLinks, CancelQueriesNothingAndKeepsTheSettings) {
    frame.settings = {"10.0.0.1", "vargolin", ""};
    frame.answers["1"] = {false, "12"};
    // Cancel at once.
    frame.dialogAnswers = {std::nullopt};
    EXPECT_EQ(dsp_editor::NameInputsFromDatabase(*doc, frame), 0);
    EXPECT_TRUE(frame.pending);
    // Cancel after a failed connection: what was entered is kept, as the
    // frame stored it before trying.
    frame.openResults = {false};
    frame.dialogAnswers = {CDatabaseSettings{"10.0.0.9", "vargolin", ""}, std::nullopt};
    EXPECT_EQ(dsp_editor::NameInputsFromDatabase(*doc, frame), 0);
    EXPECT_EQ(frame.shown.size(), 3u);
    EXPECT_EQ(frame.opened, std::vector<std::string>{"10.0.0.9"});
    EXPECT_TRUE(frame.queries.empty());
    EXPECT_EQ(frame.closed, 0);
    EXPECT_EQ(InputLabels(), DefaultLabels());
    EXPECT_FALSE(doc->IsModified());
    EXPECT_TRUE(messages.ShownIds().empty());
}

TEST_F(RouterLinks, EachFailedQueryIsReportedAndTheOthersStillName) {
    frame.pending = false;
    frame.answers["1"] = {false, "12"};
    frame.answers["2"] = {true, std::nullopt};
    frame.answers["4"] = {false, "3"};
    const int logged = LoggedFailures();
    EXPECT_EQ(dsp_editor::NameInputsFromDatabase(*doc, frame), 1);
    EXPECT_EQ(frame.queries.size(), 4u);
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{kMsg250});
    EXPECT_EQ(LoggedFailures(), logged + 1);
    EXPECT_EQ(InputLabels(), (std::vector<std::string>{"12-L", "12-R", "Channel-3", "Channel-4",
                                                       "Channel-5", "Channel-6", "3-L", "3-R"}));
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(RouterLinks, TheViewsCommandAsksEveryTimeAndRepaintsWhenItRan) {
    dsp_editor::CZoDSPView view(*doc);
    CountingWindow window;
    view.SetWindow(&window);
    frame.pending = false;
    frame.answers["1"] = {false, "12"};

    frame.dialogAnswers = {CDatabaseSettings{"10.0.0.4", "vargolin", ""}};
    dsp_editor::OnNameInputsFromDatabase(view, frame);
    EXPECT_EQ(frame.shown.size(), 1u);
    EXPECT_EQ(window.repaints, 1);
    EXPECT_EQ(doc->GetModuleById(1)->m_displayName, "12-L");

    // Cancelled: no repaint.
    dsp_editor::OnNameInputsFromDatabase(view, frame);
    EXPECT_EQ(frame.shown.size(), 2u);
    EXPECT_EQ(frame.shown.back().server, "10.0.0.4");
    EXPECT_EQ(window.repaints, 1);
    view.SetWindow(nullptr);
}

} // namespace
