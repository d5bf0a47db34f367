// The routing database's connection against a MariaDB server of the test's
// own: a fresh data folder made by mariadb-install-db in a temporary folder,
// mariadbd on a free loopback port handed to the program through
// OSTREL_DATABASE_PORT, the database Vargolin with a ROUTERLINK table, the
// user vargolin without a password and a user with one.
#include "resources/message_ids.h"
#include "shell/router_database.h"

#include "model/recording_messages.h"
#include "tests/support/mariadb_server.h"
#include "tests/support/peers_required.h"

#include <QSqlDatabase>
#include <QStringList>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using shell::CDatabaseSettings;
using shell::CRouterDatabase;

constexpr const char* kRouteQuery =
    "SELECT OUTCHANNELID from ROUTERLINK where INMAC=? and INCHANNEL=?";
constexpr const char* kLogLine = "Data base error: failed to get router informations";
// A password that would end the option it sat in, were it ever spliced into
// a connection text.
constexpr const char* kOperatorPassword = "Se'cret;PWD=;x";

class RouterDatabase : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_suite.Start();
        if (!s_suite.Server())
            return;
        // A failure here would only skip the tests: each test fails with it
        // instead.
        try {
            FillDatabase(*s_suite.Server());
        } catch (const std::exception& error) {
            s_setupError = error.what();
        }
    }
    static void TearDownTestSuite() { s_suite.Stop(); }

    void SetUp() override
    {
        ASSERT_EQ(s_suite.StartError(), "");
        ASSERT_EQ(s_setupError, "");
        OSTREL_REQUIRE_PEER(s_suite.Server(), "mariadbd and Qt's QMYSQL driver");
    }

    // The routes read here and a user with a password.
    static void FillDatabase(const test_support::CMariaDb& server)
    {
        const QStringList rows[] = {
            {"00602b0a0001", "1", "12"},
            {"00602b0a0001", "2", "7"},
            {"00602b0a0002", "1", "3"},
            {"00602b'0a03", "1", "quoted"},
        };
        for (const QStringList& row : rows)
            server.Execute("INSERT INTO Vargolin.ROUTERLINK VALUES (?, ?, ?)", row);
        server.Execute("CREATE USER 'operator'@'127.0.0.1' IDENTIFIED BY ?",
                       {kOperatorPassword});
        server.Execute("GRANT SELECT ON Vargolin.* TO 'operator'@'127.0.0.1'");
    }

    // How often the event log of today holds the connection's failure line.
    static int LoggedFailures() { return s_suite.LoggedCount(kLogLine); }

    static test_support::CRouterDatabaseSuite s_suite;
    static std::string s_setupError;
};

test_support::CRouterDatabaseSuite RouterDatabase::s_suite;
std::string RouterDatabase::s_setupError;

TEST_F(RouterDatabase, DefaultSettingsOpenAndReadTheFirstRow)
{
    model::CRecordingMessages messages;
    CRouterDatabase connection;
    ASSERT_EQ(shell::LoadRoutesFromDatabase(connection, CDatabaseSettings{}), 1)
        << connection.LastError();
    EXPECT_TRUE(connection.IsOpen());

    EXPECT_EQ(connection.FirstRowField(kRouteQuery, {"00602b0a0001", "1"}, "OUTCHANNELID"), "12");
    EXPECT_EQ(connection.FirstRowField(kRouteQuery, {"00602b0a0001", "2"}, "OUTCHANNELID"), "7");
    // No row is not an error: the caller leaves its labels alone.
    EXPECT_EQ(connection.FirstRowField(kRouteQuery, {"00602b0a0001", "3"}, "OUTCHANNELID"),
              std::nullopt);
    EXPECT_EQ(connection.LastError(), "");
    // A query the server refuses is one, and tells the caller so.
    EXPECT_EQ(connection.FirstRowField("SELECT OUTCHANNELID from NOSUCHTABLE where INMAC=?",
                                       {"00602b0a0001"}, "OUTCHANNELID"),
              std::nullopt);
    EXPECT_NE(connection.LastError(), "");
    EXPECT_EQ(connection.FirstRowField(kRouteQuery, {"00602b0a0002", "1"}, "NOSUCHFIELD"),
              std::nullopt);
    EXPECT_NE(connection.LastError(), "");

    connection.Close();
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_EQ(connection.FirstRowField(kRouteQuery, {"00602b0a0001", "1"}, "OUTCHANNELID"),
              std::nullopt);
    EXPECT_NE(connection.LastError(), "");
    EXPECT_TRUE(messages.ShownIds().empty());
}

TEST_F(RouterDatabase, EnteredUserAndPasswordAreUsedAsGiven)
{
    model::CRecordingMessages messages;
    CRouterDatabase connection;
    // A failed attempt leaves the connection ready for the next one, as
    // when the user corrects the settings.
    EXPECT_EQ(shell::LoadRoutesFromDatabase(connection, {"127.0.0.1", "operator", "wrong"}), 0);
    ASSERT_EQ(shell::LoadRoutesFromDatabase(connection,
                                            {"127.0.0.1", "operator", kOperatorPassword}),
              1)
        << connection.LastError();
    EXPECT_EQ(connection.FirstRowField(kRouteQuery, {"00602b0a0002", "1"}, "OUTCHANNELID"), "3");
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{resources::kMsgDatabaseError});
}

TEST_F(RouterDatabase, RefusedConnectionsLogAndShow250)
{
    const struct {
        const char* what;
        CDatabaseSettings settings;
    } cases[] = {
        {"wrong password", {"127.0.0.1", "operator", "wrong"}},
        {"password for a user without one", {"127.0.0.1", "vargolin", "x"}},
        // User names are case-sensitive.
        {"user name in another case", {"127.0.0.1", "Vargolin", ""}},
        {"unknown user", {"127.0.0.1", "nobody", ""}},
        // Options after the host must not reach the driver.
        {"server text with options", {"127.0.0.1;Port=3306;UID=root", "vargolin", ""}},
        {"server text ending in ';'", {"127.0.0.1;", "vargolin", ""}},
        {"server text naming a socket", {"localhost/tmp/x.sock", "vargolin", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        model::CRecordingMessages messages;
        const int logged = LoggedFailures();
        CRouterDatabase connection;
        EXPECT_EQ(shell::LoadRoutesFromDatabase(connection, c.settings), 0);
        EXPECT_FALSE(connection.IsOpen());
        EXPECT_NE(connection.LastError(), "");
        EXPECT_EQ(messages.ShownIds(), std::vector<int>{resources::kMsgDatabaseError});
        EXPECT_EQ(LoggedFailures(), logged + 1);
    }
}

TEST_F(RouterDatabase, BoundValuesMatchLiterally)
{
    CRouterDatabase connection;
    ASSERT_TRUE(connection.Open({})) << connection.LastError();
    EXPECT_EQ(connection.FirstRowField(kRouteQuery, {"00602b'0a03", "1"}, "OUTCHANNELID"),
              "quoted");
    // Text that would widen a spliced condition matches no MAC.
    EXPECT_EQ(connection.FirstRowField(kRouteQuery, {"x' OR '1'='1", "1"}, "OUTCHANNELID"),
              std::nullopt);
    EXPECT_EQ(connection.LastError(), "");
}

TEST_F(RouterDatabase, EachConnectionHasItsOwnRegistration)
{
    const QStringList before = QSqlDatabase::connectionNames();
    {
        CRouterDatabase first;
        CRouterDatabase second;
        ASSERT_TRUE(first.Open({})) << first.LastError();
        ASSERT_TRUE(second.Open({"127.0.0.1", "operator", kOperatorPassword}))
            << second.LastError();
        EXPECT_EQ(QSqlDatabase::connectionNames().size(), before.size() + 2);
        second.Close();
        EXPECT_TRUE(first.IsOpen());
        EXPECT_EQ(first.FirstRowField(kRouteQuery, {"00602b0a0001", "1"}, "OUTCHANNELID"), "12");
    }
    EXPECT_EQ(QSqlDatabase::connectionNames(), before);
}

} // namespace
