#pragma once
// The routing database's connection: MariaDB through Qt SQL's QMYSQL
// driver, database "Vargolin" on the configured server. The server, user
// and password are separate settings handed to the driver as they are;
// no connection text is ever put together from them, and queries take their
// values only as bound values.
//
// A connection belongs to the thread that made it (a Qt SQL rule); the
// program makes and uses it on the user-interface thread, which needs a
// QCoreApplication for the driver to load.
#include <optional>
#include <string>
#include <vector>

namespace shell {

// What the user entered in the database settings; the defaults are those
// the installations' databases are made with.
struct CDatabaseSettings {
    std::string server = "127.0.0.1";
    std::string user = "vargolin";
    std::string password;
};

// 3306, or the port that OSTREL_DATABASE_PORT names (1-65535), read once
// per process, so tests can reach a server of their own.
int DatabasePort();

class CRouterDatabase {
public:
    // Registers a Qt SQL connection under a name of its own.
    CRouterDatabase();
    // Closes it and removes the registration.
    ~CRouterDatabase();
    CRouterDatabase(const CRouterDatabase&) = delete;
    CRouterDatabase& operator=(const CRouterDatabase&) = delete;

    // (Re)opens the connection with `settings`; an empty server is the
    // loopback address. A server text that cannot be a host name (say one
    // holding ';') is refused without trying. False with LastError() set
    // when it is not open.
    bool Open(const CDatabaseSettings& settings);
    bool IsOpen() const;
    void Close();

    // Runs `sql`, whose '?' placeholders take `boundValues` in order, and
    // reads the field named `field` of the first row as text (NULL reads
    // as ""). nullopt when there is no row or on an error; LastError()
    // tells the two apart (empty when the query ran).
    std::optional<std::string> FirstRowField(const std::string& sql,
                                             const std::vector<std::string>& boundValues,
                                             const std::string& field);

    // The driver's account of the last failed Open or query; empty after a
    // success.
    const std::string& LastError() const { return m_lastError; }

private:
    std::string m_name;
    std::string m_lastError;
};

// Opens `connection` with `settings`: 1 when it is open; 0 when it is not,
// after the event-log line "Data base error: failed to get router
// informations" and message 250.
int LoadRoutesFromDatabase(CRouterDatabase& connection, const CDatabaseSettings& settings);

} // namespace shell
