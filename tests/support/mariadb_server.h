#pragma once
// A MariaDB server of the test's own, for tests of the routing database: a
// fresh data folder made by mariadb-install-db in a temporary folder,
// mariadbd on a free loopback port with a private socket, set up and run as
// root over that socket. The program reaches it through
// OSTREL_DATABASE_PORT; CRouterDatabaseSuite does that for a test suite and
// makes the database the installations have.
//
// Needs Qt's QMYSQL driver (Qt6::Sql) and a QCoreApplication for it to
// load.
#include "comm/event_log.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace test_support {

namespace mariadb_detail {

inline std::string FindProgram(const std::string& name) {
    std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    path += ":/usr/sbin:/usr/bin:/sbin";
    std::stringstream folders(path);
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::filesystem::path candidate = std::filesystem::path(folder) / name;
        if (!folder.empty() && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

inline int FreeTcpPort() {
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

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Starts `args` with its output going to `logPath`.
inline pid_t Spawn(const std::vector<std::string>& args, const std::filesystem::path& logPath) {
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
inline int WaitFor(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        if (std::chrono::steady_clock::now() >= deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace mariadb_detail

// A private mariadbd, serving until destroyed; raises std::runtime_error
// (with the server's log) when it does not come up.
class CMariaDb {
public:
    static bool Available() {
        using mariadb_detail::FindProgram;
        return !FindProgram("mariadbd").empty() && !FindProgram("mariadb-install-db").empty() &&
               QSqlDatabase::isDriverAvailable("QMYSQL");
    }

    CMariaDb() {
        static std::atomic<unsigned> serial{0};
        m_rootConnection = QStringLiteral("mariadb-test-root-%1").arg(++serial);
        std::string pattern =
            (std::filesystem::temp_directory_path() / "ostrel-mariadb-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_folder = pattern;
        try {
            Install();
            m_port = mariadb_detail::FreeTcpPort();
            StartServer();
        } catch (...) {
            StopServer();
            RemoveFolder();
            throw;
        }
    }
    ~CMariaDb() {
        StopServer();
        RemoveFolder();
    }
    CMariaDb(const CMariaDb&) = delete;
    CMariaDb& operator=(const CMariaDb&) = delete;

    int Port() const { return m_port; }
    const std::filesystem::path& Folder() const { return m_folder; }
    bool Running() const { return m_pid > 0; }

    // Runs the statement as root over the server's socket, `bound` in its
    // placeholders.
    void Execute(const QString& sql, const QStringList& bound = {}) const {
        QSqlQuery query(QSqlDatabase::database(m_rootConnection));
        query.prepare(sql);
        for (const QString& value : bound)
            query.addBindValue(value);
        if (!query.exec())
            throw std::runtime_error("setup failed: " + sql.toStdString() + ": " +
                                     query.lastError().text().toStdString());
    }

    // Shuts the server down as an operator would; its data stays for
    // StartServer.
    void StopServer() {
        if (QSqlDatabase::contains(m_rootConnection)) {
            QSqlDatabase::database(m_rootConnection, false).close();
            QSqlDatabase::removeDatabase(m_rootConnection);
        }
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            if (mariadb_detail::WaitFor(m_pid, std::chrono::seconds(10)) < 0) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, nullptr, 0);
            }
            m_pid = -1;
        }
    }

    // Starts the server on its port and waits until it takes connections.
    void StartServer() {
        using namespace std::chrono_literals;
        using mariadb_detail::FindProgram;
        using mariadb_detail::ReadFile;
        if (m_pid > 0)
            return;
        const std::filesystem::path socket = m_folder / "mariadb.sock";
        m_pid = mariadb_detail::Spawn(
            {FindProgram("mariadbd"), "--no-defaults", "--datadir=" + (m_folder / "data").string(),
             "--tmpdir=" + (m_folder / "tmp").string(), "--user=root", "--bind-address=127.0.0.1",
             "--port=" + std::to_string(m_port), "--socket=" + socket.string(),
             "--pid-file=" + (m_folder / "pid").string(), "--skip-name-resolve", "--skip-log-bin",
             "--innodb-buffer-pool-size=16M"},
            Log());

        QSqlDatabase root = QSqlDatabase::addDatabase("QMYSQL", m_rootConnection);
        root.setHostName("localhost");
        root.setUserName("root");
        root.setConnectOptions("UNIX_SOCKET=" + QString::fromStdString(socket.string()));
        const auto deadline = std::chrono::steady_clock::now() + 15s;
        while (!root.open()) {
            if (mariadb_detail::WaitFor(m_pid, 0ms) >= 0) {
                m_pid = -1;
                throw std::runtime_error("mariadbd ended:\n" + ReadFile(Log()));
            }
            if (std::chrono::steady_clock::now() >= deadline)
                throw std::runtime_error("mariadbd does not accept connections:\n" +
                                         ReadFile(Log()));
            std::this_thread::sleep_for(50ms);
        }
    }

private:
    std::filesystem::path Log() const { return m_folder / "server.log"; }

    void Install() {
        using mariadb_detail::FindProgram;
        // Its own folder for temporary tables: installs running side by side
        // in /tmp remove each other's.
        const std::filesystem::path tmp = m_folder / "tmp";
        std::filesystem::create_directories(tmp);
        const pid_t install = mariadb_detail::Spawn(
            {FindProgram("mariadb-install-db"), "--no-defaults",
             "--datadir=" + (m_folder / "data").string(), "--tmpdir=" + tmp.string(), "--user=root",
             "--auth-root-authentication-method=normal", "--skip-test-db", "--skip-name-resolve"},
            Log());
        if (mariadb_detail::WaitFor(install, std::chrono::seconds(15)) != 0) {
            ::kill(install, SIGKILL);
            ::waitpid(install, nullptr, 0);
            throw std::runtime_error("mariadb-install-db failed:\n" +
                                     mariadb_detail::ReadFile(Log()));
        }
    }

    void RemoveFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    QString m_rootConnection;
    std::filesystem::path m_folder;
    int m_port = 0;
    pid_t m_pid = -1;
};

// The routing database as the installations have it: the database
// Vargolin with an empty ROUTERLINK table, read by the user vargolin
// without a password from 127.0.0.1.
inline void CreateRouterDatabase(const CMariaDb& server) {
    server.Execute("CREATE DATABASE Vargolin");
    server.Execute("CREATE TABLE Vargolin.ROUTERLINK (INMAC VARCHAR(32) NOT NULL, "
                   "INCHANNEL INT NOT NULL, OUTCHANNELID VARCHAR(32))");
    server.Execute("CREATE USER 'vargolin'@'127.0.0.1'");
    server.Execute("GRANT SELECT ON Vargolin.* TO 'vargolin'@'127.0.0.1'");
}

// What a test suite against the routing database keeps: one server for the
// whole suite, or why it did not start.
class CRouterDatabaseSuite {
public:
    // Makes the QCoreApplication the driver needs when there is none; when
    // mariadbd and the driver are here, starts the server, points
    // OSTREL_DATABASE_PORT at it (the program reads it once: before its
    // first connection) and OSTREL_HOME at its folder (the event log goes
    // there) and creates the routing database. A failure is kept in
    // StartError() for each test to report.
    void Start() {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "ostrel_db_test";
            static char* argv[] = {name, nullptr};
            static QCoreApplication app(argc, argv);
        }
        if (!CMariaDb::Available())
            return;
        try {
            m_server = std::make_unique<CMariaDb>();
            ::setenv("OSTREL_DATABASE_PORT", std::to_string(m_server->Port()).c_str(), 1);
            ::setenv("OSTREL_HOME", m_server->Folder().c_str(), 1);
            CreateRouterDatabase(*m_server);
        } catch (const std::exception& error) {
            m_server.reset();
            m_startError = error.what();
        }
    }
    void Stop() { m_server.reset(); }

    // Null when mariadbd or the driver is missing, or it did not start.
    CMariaDb* Server() const { return m_server.get(); }
    const std::string& StartError() const { return m_startError; }

    // How often today's event log (in the server's folder) holds `text`.
    int LoggedCount(const std::string& text) const {
        const std::string log = mariadb_detail::ReadFile(
            m_server->Folder() / comm::CEventLog::DailyFileName(std::time(nullptr)));
        int count = 0;
        for (auto at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
            ++count;
        return count;
    }

private:
    std::unique_ptr<CMariaDb> m_server;
    std::string m_startError;
};

} // namespace test_support
