// The input modules named after the routing database, against a MariaDB
// server of the test's own (tests/support/mariadb_server.h), through the
// main frame's settings and connection (shell::CMainFrameCore) with the
// settings dialog answered by the test.
#include "dsp_editor/router_links.h"

#include "dsp_editor/ui/router_link_frame.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/recording_messages.h"
#include "resources/message_ids.h"
#include "shell/main_frame_core.h"
#include "tests/dsp_editor/dsp_test_support.h"
#include "tests/shell/app_recorders.h"
#include "tests/support/mariadb_server.h"
#include "tests/support/peers_required.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using dsp_editor::CDSPDlgDBServerSet;
using shell::CDatabaseSettings;

constexpr int kMsg250 = resources::kMsgDatabaseError;
// Routes of the units below; the MAC with a quote has a route of its own,
// so that a query sent for it would show.
constexpr const char* kChannel2Only = "00602b0a0001";
constexpr const char* kFedBy12 = "00602b0a0002";
constexpr const char* kQuoted = "00602b'0a003";
constexpr const char* kFourRoutes = "00602b0a0004";

// The frame's connection and settings as the program has them; the dialog
// answers from a script (none: Cancel), and a hook runs after each query.
class ScriptedFrameLinks final : public dsp_editor::ui::CFrameRouterLinks {
public:
    using CFrameRouterLinks::CFrameRouterLinks;

    bool RunDBServerSetDialog(CDSPDlgDBServerSet& dialog) override {
        shownServers.push_back(dialog.m_server);
        shownUsers.push_back(dialog.m_user);
        if (answers.empty())
            return false;
        const std::optional<CDatabaseSettings> answer = answers.front();
        answers.pop_front();
        if (!answer)
            return false;
        dialog.OnOK(answer->server, answer->user, answer->password);
        return true;
    }
    dsp_editor::CRouteAnswer FirstRowField(const std::string& sql,
                                           const std::vector<std::string>& bound,
                                           const std::string& field) override {
        dsp_editor::CRouteAnswer answer = CFrameRouterLinks::FirstRowField(sql, bound, field);
        ++queries;
        if (afterQuery)
            afterQuery(queries);
        return answer;
    }

    std::deque<std::optional<CDatabaseSettings>> answers;
    std::function<void(int)> afterQuery;
    std::vector<std::string> shownServers;
    std::vector<std::string> shownUsers;
    int queries = 0;
};

class CountingWindow final : public dsp_editor::IDspViewWindow {
public:
    void Repaint() override { ++repaints; }
    void UpdatePropertyPanel() override {}
    int repaints = 0;
};

class RouterLinksDb : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_suite.Start();
        if (!s_suite.Server())
            return;
        try {
            const QStringList rows[] = {
                {kChannel2Only, "2", "7"}, {kFedBy12, "1", "12"},    {kQuoted, "1", "quoted"},
                {kFourRoutes, "1", "21"},  {kFourRoutes, "2", "22"}, {kFourRoutes, "3", "23"},
                {kFourRoutes, "4", "24"},
            };
            for (const QStringList& row : rows)
                s_suite.Server()->Execute("INSERT INTO Vargolin.ROUTERLINK VALUES (?, ?, ?)", row);
        } catch (const std::exception& error) {
            s_setupError = error.what();
        }
    }
    static void TearDownTestSuite() { s_suite.Stop(); }

    void SetUp() override {
        ASSERT_EQ(s_suite.StartError(), "");
        ASSERT_EQ(s_setupError, "");
        OSTREL_REQUIRE_PEER(s_suite.Server(), "mariadbd and Qt's QMYSQL driver");
    }
    void TearDown() override {
        if (view)
            view->SetWindow(nullptr);
    }

    // A new, unmodified sheet of the unit in a view of its own.
    void NewSheet(const char* mac) {
        if (view)
            view->SetWindow(nullptr);
        view.reset();
        doc = dsp_test::NewDocument(dspFrame);
        doc->m_unitMac = mac;
        doc->SetModifiedFlag(false);
        view = std::make_unique<dsp_editor::CZoDSPView>(*doc);
        view->SetWindow(&window);
        window.repaints = 0;
    }

    std::vector<std::string> InputLabels() const {
        std::vector<std::string> labels;
        for (int id = 1; id <= 8; ++id)
            labels.push_back(doc->GetModuleById(id)->m_displayName);
        return labels;
    }
    static std::vector<std::string> Labels(std::vector<std::pair<int, std::string>> named) {
        std::vector<std::string> labels;
        for (int id = 1; id <= 8; ++id)
            labels.push_back("Channel-" + std::to_string(id));
        for (const auto& [id, label] : named)
            labels[static_cast<std::size_t>(id - 1)] = label;
        return labels;
    }
    static int LoggedQueryFailures() {
        return s_suite.LoggedCount(dsp_editor::kRouteQueryFailedLog);
    }

    static test_support::CRouterDatabaseSuite s_suite;
    static std::string s_setupError;

    model::CRecordingMessages messages;
    app_test::CFrameWindows frameWindows;
    app_test::CNoTimer timer;
    shell::CMainFrameCore frameCore{frameWindows, timer};
    ScriptedFrameLinks links{frameCore, nullptr};
    dsp_test::FakeFrame dspFrame;
    std::unique_ptr<dsp_editor::CZoDSPDoc> doc;
    std::unique_ptr<dsp_editor::CZoDSPView> view;
    CountingWindow window;
};

test_support::CRouterDatabaseSuite RouterLinksDb::s_suite;
std::string RouterLinksDb::s_setupError;

TEST_F(RouterLinksDb, RoutesNameTheirInputPairsOnly) {
    const struct {
        const char* mac;
        std::vector<std::string> labels;
    } cases[] = {
        // Rows for input channel 2 only: inputs 3 and 4 only.
        {kChannel2Only, Labels({{3, "7-L"}, {4, "7-R"}})},
        {kFedBy12, Labels({{1, "12-L"}, {2, "12-R"}})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mac);
        NewSheet(c.mac);
        links.answers = {CDatabaseSettings{"127.0.0.1", "vargolin", ""}};
        const int queries = links.queries;
        dsp_editor::OnNameInputsFromDatabase(*view, links);
        EXPECT_EQ(InputLabels(), c.labels);
        EXPECT_TRUE(doc->IsModified());
        EXPECT_EQ(links.queries, queries + 4);
        EXPECT_EQ(window.repaints, 1);
        // The frame keeps what was entered; the connection is closed again.
        EXPECT_EQ(frameCore.DatabaseSettings().server, "127.0.0.1");
        EXPECT_FALSE(frameCore.DatabaseSettingsPending());
        ASSERT_TRUE(frameCore.Database());
        EXPECT_FALSE(frameCore.Database()->IsOpen());
    }
    EXPECT_TRUE(messages.ShownIds().empty());
}

TEST_F(RouterLinksDb, AMacHoldingAQuoteReachesNoQuery) {
    NewSheet(kQuoted);
    links.answers = {CDatabaseSettings{"127.0.0.1", "vargolin", ""}};
    const int logged = LoggedQueryFailures();
    dsp_editor::OnNameInputsFromDatabase(*view, links);
    EXPECT_EQ(links.queries, 0);
    EXPECT_TRUE(links.shownServers.empty());
    EXPECT_FALSE(frameCore.Database());
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{kMsg250});
    EXPECT_EQ(LoggedQueryFailures(), logged + 1);
    EXPECT_EQ(InputLabels(), Labels({}));
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(window.repaints, 0);
}

TEST_F(RouterLinksDb, ServerStoppedHalfWayReportsEachFailedChannel) {
    NewSheet(kFourRoutes);
    links.answers = {CDatabaseSettings{"127.0.0.1", "vargolin", ""}};
    links.afterQuery = [](int done) {
        if (done == 2)
            s_suite.Server()->StopServer();
    };
    const int logged = LoggedQueryFailures();
    dsp_editor::OnNameInputsFromDatabase(*view, links);
    const bool stopped = !s_suite.Server()->Running();
    s_suite.Server()->StartServer();
    ASSERT_TRUE(stopped);

    EXPECT_EQ(links.queries, 4);
    EXPECT_EQ(InputLabels(), Labels({{1, "21-L"}, {2, "21-R"}, {3, "22-L"}, {4, "22-R"}}));
    EXPECT_EQ(messages.ShownIds(), (std::vector<int>{kMsg250, kMsg250}));
    EXPECT_EQ(LoggedQueryFailures(), logged + 2);
    EXPECT_TRUE(doc->IsModified());
    // The four queries ran: the view repaints what they named.
    EXPECT_EQ(window.repaints, 1);
}

TEST_F(RouterLinksDb, TheServerEditShowsThePreviousServerAndCancelChangesNothing) {
    NewSheet(kFedBy12);
    // Nothing listens on 127.0.0.2: refused, and asked again.
    links.answers = {CDatabaseSettings{"127.0.0.2", "vargolin", ""},
                     CDatabaseSettings{"127.0.0.1", "vargolin", ""}};
    dsp_editor::OnNameInputsFromDatabase(*view, links);
    EXPECT_EQ(links.shownServers, (std::vector<std::string>{"127.0.0.1", "127.0.0.2"}));
    // The failed connection is reported by the frame.
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{kMsg250});
    EXPECT_EQ(InputLabels(), Labels({{1, "12-L"}, {2, "12-R"}}));

    // Next use: the dialog opens on the server entered last. Cancel: no
    // query, no label, no change of the frame's settings.
    const CDatabaseSettings before = frameCore.DatabaseSettings();
    NewSheet(kChannel2Only);
    links.answers = {std::nullopt};
    const int queries = links.queries;
    dsp_editor::OnNameInputsFromDatabase(*view, links);
    EXPECT_EQ(links.shownServers.back(), "127.0.0.1");
    EXPECT_EQ(links.shownUsers, (std::vector<std::string>(3, "vargolin")));
    EXPECT_EQ(links.queries, queries);
    EXPECT_EQ(InputLabels(), Labels({}));
    EXPECT_FALSE(doc->IsModified());
    EXPECT_FALSE(frameCore.Database()->IsOpen());
    EXPECT_EQ(frameCore.DatabaseSettings().server, before.server);
    EXPECT_EQ(frameCore.DatabaseSettings().user, before.user);
    EXPECT_EQ(frameCore.DatabaseSettings().password, before.password);
    // Pending again until a dialog is confirmed.
    EXPECT_TRUE(frameCore.DatabaseSettingsPending());
    EXPECT_EQ(window.repaints, 0);
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{kMsg250});
}

} // namespace
