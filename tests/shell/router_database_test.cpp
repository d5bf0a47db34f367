// The routing database's connection against a MariaDB server of the test's
// own: a fresh data folder made by mariadb-install-db in a temporary folder,
// mariadbd on a free loopback port handed to the program through
// OSTREL_DATABASE_PORT, the database Vargolin with a ROUTERLINK table, the
// user vargolin without a password and a user with one.
#include "shell/router_database.h"

#include "comm/event_log.h"
#include "model/recording_messages.h"
#include "tests/support/peers_required.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using shell::CDatabaseSettings;
using shell::CRouterDatabase;

constexpr const char* kRouteQuery =
    "SELECT OUTCHANNELID from ROUTERLINK where INMAC=? and INCHANNEL=?";
constexpr const char* kLogLine = "Data base error: failed to get router informations";
// A password that would end the option it sat in, were it ever spliced into
// a connection text.
constexpr const char* kOperatorPassword = "Se'cret;PWD=;x";

std::string FindProgram(const std::string& name)
{
    std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    path += ":/usr/sbin:/usr/bin:/sbin";
    std::stringstream folders(path);
    for (std::string folder; std::getline(folders, folder, ':');) {
        const fs::path candidate = fs::path(folder) / name;
        if (!folder.empty() && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

int FreeTcpPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        if (fd >= 0)
            ::close(fd);
        throw std::runtime_error("no free TCP port on 127.0.0.1");
    }
    ::close(fd);
    return ntohs(address.sin_port);
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Starts `args` with its output going to `logPath`.
pid_t Spawn(const std::vector<std::string>& args, const fs::path& logPath)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (log >= 0) {
            ::dup2(log, STDOUT_FILENO);
            ::dup2(log, STDERR_FILENO);
        }
        std::vector<char*> argv;
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (pid < 0)
        throw std::runtime_error("fork failed");
    return pid;
}

// The exit status of `pid` once it ended, or -1 when it is still running
// after `limit`.
int WaitFor(pid_t pid, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        if (std::chrono::steady_clock::now() >= deadline)
            return -1;
        std::this_thread::sleep_for(20ms);
    }
}

// A private mariadbd, serving until destroyed; raises std::runtime_error
// (with the server's log) when it does not come up.
class CMariaDb {
public:
    static bool Available()
    {
        return !FindProgram("mariadbd").empty() && !FindProgram("mariadb-install-db").empty() &&
               QSqlDatabase::isDriverAvailable("QMYSQL");
    }

    CMariaDb()
    {
        std::string pattern = (fs::temp_directory_path() / "ostrel-mariadb-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_folder = pattern;
        try {
            Start();
        } catch (...) {
            Stop();
            throw;
        }
    }
    ~CMariaDb() { Stop(); }
    CMariaDb(const CMariaDb&) = delete;
    CMariaDb& operator=(const CMariaDb&) = delete;

    int Port() const { return m_port; }
    const fs::path& Folder() const { return m_folder; }

    // Runs the statement as root over the server's socket, `bound` in its
    // placeholders.
    void Execute(const QString& sql, const QStringList& bound = {}) const
    {
        QSqlQuery query(QSqlDatabase::database(kRootConnection));
        query.prepare(sql);
        for (const QString& value : bound)
            query.addBindValue(value);
        if (!query.exec())
            throw std::runtime_error("setup failed: " + sql.toStdString() + ": " +
                                     query.lastError().text().toStdString());
    }

private:
    static constexpr const char* kRootConnection = "mariadb-test-root";

    void Start()
    {
        const fs::path log = m_folder / "server.log";
        // Its own folder for temporary tables: installs running side by side
        // in /tmp remove each other's.
        const fs::path tmp = m_folder / "tmp";
        fs::create_directories(tmp);
        const pid_t install = Spawn({FindProgram("mariadb-install-db"), "--no-defaults",
                                     "--datadir=" + (m_folder / "data").string(),
                                     "--tmpdir=" + tmp.string(), "--user=root",
                                     "--auth-root-authentication-method=normal", "--skip-test-db",
                                     "--skip-name-resolve"},
                                    log);
        if (WaitFor(install, 15s) != 0) {
            ::kill(install, SIGKILL);
            ::waitpid(install, nullptr, 0);
            throw std::runtime_error("mariadb-install-db failed:\n" + ReadFile(log));
        }
        m_port = FreeTcpPort();
        const fs::path socket = m_folder / "mariadb.sock";
        m_pid = Spawn({FindProgram("mariadbd"), "--no-defaults",
                       "--datadir=" + (m_folder / "data").string(), "--tmpdir=" + tmp.string(),
                       "--user=root", "--bind-address=127.0.0.1", "--port=" + std::to_string(m_port),
                       "--socket=" + socket.string(), "--pid-file=" + (m_folder / "pid").string(),
                       "--skip-name-resolve", "--skip-log-bin", "--innodb-buffer-pool-size=16M"},
                      log);

        QSqlDatabase root = QSqlDatabase::addDatabase("QMYSQL", kRootConnection);
        root.setHostName("localhost");
        root.setUserName("root");
        root.setConnectOptions("UNIX_SOCKET=" + QString::fromStdString(socket.string()));
        const auto deadline = std::chrono::steady_clock::now() + 15s;
        while (!root.open()) {
            if (WaitFor(m_pid, 0ms) >= 0) {
                m_pid = -1;
                throw std::runtime_error("mariadbd ended:\n" + ReadFile(log));
            }
            if (std::chrono::steady_clock::now() >= deadline)
                throw std::runtime_error("mariadbd does not accept connections:\n" +
                                         ReadFile(log));
            std::this_thread::sleep_for(50ms);
        }
    }

    void Stop()
    {
        if (QSqlDatabase::contains(kRootConnection)) {
            QSqlDatabase::database(kRootConnection, false).close();
            QSqlDatabase::removeDatabase(kRootConnection);
        }
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            if (WaitFor(m_pid, 10s) < 0) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, nullptr, 0);
            }
            m_pid = -1;
        }
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    fs::path m_folder;
    int m_port = 0;
    pid_t m_pid = -1;
};

class RouterDatabase : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Qt SQL loads its drivers only with an application object.
        static int argc = 1;
        static char name[] = "router_database_test";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
        if (!CMariaDb::Available())
            return;
        // A failure here would only skip the tests: each test fails with it
        // instead.
        try {
            s_server = std::make_unique<CMariaDb>();
            // Read once by the connection: set before its first use.
            ::setenv("OSTREL_DATABASE_PORT", std::to_string(s_server->Port()).c_str(), 1);
            ::setenv("OSTREL_HOME", s_server->Folder().c_str(), 1);
            CreateDatabase(*s_server);
        } catch (const std::exception& error) {
            s_server.reset();
            s_startError = error.what();
        }
    }
    static void TearDownTestSuite() { s_server.reset(); }

    void SetUp() override
    {
        ASSERT_EQ(s_startError, "");
        OSTREL_REQUIRE_PEER(s_server, "mariadbd and Qt's QMYSQL driver");
    }

    static void CreateDatabase(const CMariaDb& server)
    {
        server.Execute("CREATE DATABASE Vargolin");
        server.Execute("CREATE TABLE Vargolin.ROUTERLINK (INMAC VARCHAR(32) NOT NULL, "
                       "INCHANNEL INT NOT NULL, OUTCHANNELID VARCHAR(32))");
        const QStringList rows[] = {
            {"00602b0a0001", "1", "12"},
            {"00602b0a0001", "2", "7"},
            {"00602b0a0002", "1", "3"},
            {"00602b'0a03", "1", "quoted"},
        };
        for (const QStringList& row : rows)
            server.Execute("INSERT INTO Vargolin.ROUTERLINK VALUES (?, ?, ?)", row);
        server.Execute("CREATE USER 'vargolin'@'127.0.0.1'");
        server.Execute("GRANT SELECT ON Vargolin.* TO 'vargolin'@'127.0.0.1'");
        server.Execute("CREATE USER 'operator'@'127.0.0.1' IDENTIFIED BY ?",
                       {kOperatorPassword});
        server.Execute("GRANT SELECT ON Vargolin.* TO 'operator'@'127.0.0.1'");
    }

    // How often the event log of today holds the connection's failure line.
    static int LoggedFailures()
    {
        const std::string text =
            ReadFile(s_server->Folder() / comm::CEventLog::DailyFileName(std::time(nullptr)));
        int count = 0;
        for (auto at = text.find(kLogLine); at != std::string::npos;
             at = text.find(kLogLine, at + 1))
            ++count;
        return count;
    }

    static std::unique_ptr<CMariaDb> s_server;
    static std::string s_startError;
};

std::unique_ptr<CMariaDb> RouterDatabase::s_server;
std::string RouterDatabase::s_startError;

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
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{shell::kMsgDatabaseError});
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
        EXPECT_EQ(messages.ShownIds(), std::vector<int>{shell::kMsgDatabaseError});
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
