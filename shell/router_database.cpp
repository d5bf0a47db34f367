#include "shell/router_database.h"

#include "comm/event_log.h"
#include "model/messages.h"
#include "resources/message_ids.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

#include <atomic>
#include <charconv>
#include <cstdlib>
#include <string_view>

namespace shell {

namespace {

constexpr int kDefaultPort = 3306;
// The database name is case-sensitive on the servers we run on.
constexpr const char* kDatabaseName = "Vargolin";
constexpr const char* kDefaultServer = "127.0.0.1";
// An unreachable server should not hold the window for the driver's
// default of minutes.
constexpr const char* kConnectOptions = "MYSQL_OPT_CONNECT_TIMEOUT=5";

int ReadDatabasePort()
{
    const char* text = std::getenv("OSTREL_DATABASE_PORT");
    if (!text || !*text)
        return kDefaultPort;
    const std::string_view s(text);
    unsigned port = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), port);
    if (ec != std::errc() || end != s.data() + s.size() || port == 0 || port > 65535)
        return kDefaultPort;
    return static_cast<int>(port);
}

// A host name, an IPv4 address or an IPv6 address: nothing else reaches the
// driver, so a server text cannot carry options or a socket path with it.
bool IsHostText(std::string_view server)
{
    if (server.empty() || server.size() > 255)
        return false;
    for (const char c : server) {
        const bool letterOrDigit =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letterOrDigit && c != '.' && c != '-' && c != '_' && c != ':')
            return false;
    }
    return true;
}

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

int DatabasePort()
{
    static const int port = ReadDatabasePort();
    return port;
}

CRouterDatabase::CRouterDatabase()
{
    static std::atomic<unsigned> serial{0};
    m_name = "ostrel-routes-" + std::to_string(++serial);
    QSqlDatabase::addDatabase("QMYSQL", Q(m_name));
}

CRouterDatabase::~CRouterDatabase()
{
    Close();
    // removeDatabase wants no handle of the connection left alive.
    QSqlDatabase::removeDatabase(Q(m_name));
}

bool CRouterDatabase::Open(const CDatabaseSettings& settings)
{
    Close();
    QSqlDatabase db = QSqlDatabase::database(Q(m_name), false);
    if (!db.isValid()) {
        m_lastError = "the QMYSQL driver is not available";
        return false;
    }
    const std::string server = settings.server.empty() ? kDefaultServer : settings.server;
    if (!IsHostText(server)) {
        m_lastError = "not a host name: " + server;
        return false;
    }
    db.setHostName(Q(server));
    db.setPort(DatabasePort());
    db.setDatabaseName(kDatabaseName);
    db.setUserName(Q(settings.user));
    db.setPassword(Q(settings.password));
    db.setConnectOptions(kConnectOptions);
    if (!db.open()) {
        m_lastError = db.lastError().text().toStdString();
        return false;
    }
    m_lastError.clear();
    return true;
}

bool CRouterDatabase::IsOpen() const
{
    return QSqlDatabase::database(Q(m_name), false).isOpen();
}

void CRouterDatabase::Close()
{
    QSqlDatabase db = QSqlDatabase::database(Q(m_name), false);
    if (db.isOpen())
        db.close();
}

std::optional<std::string> CRouterDatabase::FirstRowField(
    const std::string& sql, const std::vector<std::string>& boundValues, const std::string& field)
{
    QSqlDatabase db = QSqlDatabase::database(Q(m_name), false);
    if (!db.isOpen()) {
        m_lastError = "the connection is not open";
        return std::nullopt;
    }
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(Q(sql))) {
        m_lastError = query.lastError().text().toStdString();
        return std::nullopt;
    }
    for (const std::string& value : boundValues)
        query.addBindValue(Q(value));
    if (!query.exec()) {
        m_lastError = query.lastError().text().toStdString();
        return std::nullopt;
    }
    const int column = query.record().indexOf(Q(field));
    if (column < 0) {
        m_lastError = "no field " + field + " in the result";
        return std::nullopt;
    }
    m_lastError.clear();
    if (!query.next())
        return std::nullopt;
    return query.value(column).toString().toStdString();
}

int LoadRoutesFromDatabase(CRouterDatabase& connection, const CDatabaseSettings& settings)
{
    if (connection.Open(settings))
        return 1;
    comm::WriteLog("Data base error: failed to get router informations");
    model::ShowMessage(resources::kMsgDatabaseError);
    return 0;
}

} // namespace shell
