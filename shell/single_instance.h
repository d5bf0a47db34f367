#pragma once
// One ostrel per user and program folder. A lock file decides which start
// is the first (the kernel drops the lock with its process, so a crashed
// instance leaves nothing stale behind); a local socket carries a later
// start's request that the first show itself.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class QLocalServer;

namespace shell {

class CSingleInstance {
public:
    // `programFolder` names the instance: two program folders are two
    // programs. The lock and the socket live in the user's runtime folder.
    explicit CSingleInstance(const std::filesystem::path& programFolder);
    ~CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // True when this is the first start: it holds the lock and listens for
    // later starts. False when another instance runs: that one has been
    // asked to show itself.
    bool Acquire();

    // Runs on this thread's event loop when a later start asks the first to
    // show itself maximised and raised.
    void SetShowHandler(std::function<void()> show);

    const std::string& SocketName() const { return m_name; }

private:
    std::string m_name;
    std::filesystem::path m_lockPath;
    int m_lockFd = -1;
    std::unique_ptr<QLocalServer> m_server;
    std::function<void()> m_show;
};

} // namespace shell
