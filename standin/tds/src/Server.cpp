#include "Server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace standin::tds {

bool parseListenAddress(const QString& text, QString* host, uint16_t* port, QString* error)
{
    const int colon = int(text.lastIndexOf(u':'));
    if (colon <= 0) {
        *error = QStringLiteral("expected HOST:PORT, got '%1'").arg(text);
        return false;
    }
    QString h = text.left(colon);
    bool ok = false;
    const uint p = text.mid(colon + 1).toUInt(&ok);
    if (!ok || p > 65535) {
        *error = QStringLiteral("bad port in '%1'").arg(text);
        return false;
    }
    if (h.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0)
        h = QStringLiteral("127.0.0.1");
    in_addr addr{};
    if (inet_pton(AF_INET, h.toLatin1().constData(), &addr) != 1) {
        *error = QStringLiteral("bad IPv4 address '%1'").arg(h);
        return false;
    }
    *host = h;
    *port = uint16_t(p);
    return true;
}

bool isLoopbackAddress(const QString& host)
{
    in_addr addr{};
    if (inet_pton(AF_INET, host.toLatin1().constData(), &addr) != 1)
        return false;
    return (ntohl(addr.s_addr) >> 24) == 127;
}

Server::Server(Backend& backend, ServerConfig config) : backend_(backend), config_(std::move(config)) {}

Server::~Server()
{
    stop();
}

bool Server::listen(const QString& host, uint16_t port, QString* error)
{
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) {
        *error = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    const int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    inet_pton(AF_INET, host.toLatin1().constData(), &addr.sin_addr);
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listenFd_, 64) != 0) {
        *error = QStringLiteral("cannot listen on %1:%2: %3").arg(host).arg(port).arg(QString::fromLocal8Bit(strerror(errno)));
        ::close(listenFd_);
        listenFd_ = -1;
        return false;
    }
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    return true;
}

void Server::serve()
{
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED || errno == EMFILE || errno == ENFILE) {
                if (errno == EMFILE || errno == ENFILE)
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                std::lock_guard lock(mutex_);
                if (stopping_)
                    return;
                continue;
            }
            return;  // listening socket closed by stop()
        }
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::shared_ptr<Connection> connection;
        {
            std::lock_guard lock(mutex_);
            if (stopping_ || int(active_.size()) >= maxConnections) {
                ::close(fd);
                if (stopping_)
                    return;
                continue;
            }
            connection = std::make_shared<Connection>(fd, backend_, config_, nextSpid_);
            nextSpid_ = nextSpid_ >= 32000 ? 51 : nextSpid_ + 1;
            active_.insert(connection);
        }
        std::thread([this, connection] {
            connection->run();
            std::lock_guard lock(mutex_);
            active_.erase(connection);
            idle_.notify_all();
        }).detach();
    }
}

void Server::stop()
{
    std::unique_lock lock(mutex_);
    if (stopping_ && listenFd_ < 0 && active_.empty())
        return;
    stopping_ = true;
    if (listenFd_ >= 0) {
        ::shutdown(listenFd_, SHUT_RDWR);
        ::close(listenFd_);
        listenFd_ = -1;
    }
    for (const auto& c : active_)
        c->abort();
    idle_.wait(lock, [this] { return active_.empty(); });
}

}  // namespace standin::tds
