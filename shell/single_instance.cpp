#include "shell/single_instance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <unistd.h>

namespace shell {

namespace {

constexpr int kConnectMs = 2000;
constexpr char kShowRequest[] = "show\n";

std::filesystem::path RuntimeFolder()
{
    if (const char* dir = std::getenv("XDG_RUNTIME_DIR"); dir && *dir)
        return dir;
    return std::filesystem::temp_directory_path();
}

} // namespace

CSingleInstance::CSingleInstance(const std::filesystem::path& programFolder)
{
    const std::size_t folderHash =
        std::hash<std::string>{}(std::filesystem::absolute(programFolder).lexically_normal());
    const std::string base =
        "ostrel-" + std::to_string(::getuid()) + "-" + std::to_string(folderHash);
    m_lockPath = RuntimeFolder() / (base + ".lock");
    m_name = (RuntimeFolder() / (base + ".socket")).string();
}

CSingleInstance::~CSingleInstance()
{
    m_server.reset();
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

bool CSingleInstance::Acquire()
{
    m_lockFd = ::open(m_lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lockFd >= 0 && ::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0) {
        // A socket left by a crashed first start would refuse the listen.
        QLocalServer::removeServer(QString::fromStdString(m_name));
        m_server = std::make_unique<QLocalServer>();
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        QObject::connect(m_server.get(), &QLocalServer::newConnection, [this] {
            while (QLocalSocket* peer = m_server->nextPendingConnection()) {
                QObject::connect(peer, &QLocalSocket::readyRead, peer, [this, peer] {
                    if (peer->readAll().contains("show") && m_show)
                        m_show();
                    peer->disconnectFromServer();
                });
                QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            }
        });
        // Without the socket a later start still finds the lock taken; it
        // only cannot raise this window.
        m_server->listen(QString::fromStdString(m_name));
        return true;
    }
    if (m_lockFd >= 0) {
        ::close(m_lockFd);
        m_lockFd = -1;
    }
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(m_name));
    if (socket.waitForConnected(kConnectMs)) {
        socket.write(kShowRequest);
        socket.waitForBytesWritten(kConnectMs);
        socket.disconnectFromServer();
    }
    return false;
}

void CSingleInstance::SetShowHandler(std::function<void()> show)
{
    m_show = std::move(show);
}

} // namespace shell
