#include "TlsTestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const char* kOpensslConfig = R"([req]
distinguished_name = dn
prompt = no
[dn]
CN = unused
[ca]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
[server]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature,keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = IP:127.0.0.1,DNS:localhost
[other]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature,keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:outro.exemplo
)";

void openssl(const QString& dir, const QStringList& args)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("openssl"), args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw std::runtime_error("openssl " + args.join(u' ').toStdString() + ": " + p.readAll().toStdString());
}

}  // namespace

TestCertificates::TestCertificates()
{
    const QString d = dir_.path();
    QFile cnf(dir_.filePath(QStringLiteral("openssl.cnf")));
    if (!cnf.open(QIODevice::WriteOnly) || cnf.write(kOpensslConfig) < 0)
        throw std::runtime_error("cannot write the openssl configuration");
    cnf.close();
    auto request = [&](const QString& section, const QString& name, const QString& subject, bool signByCa) {
        QStringList args {QStringLiteral("req"),
                          QStringLiteral("-x509"),
                          QStringLiteral("-config"),
                          QStringLiteral("openssl.cnf"),
                          QStringLiteral("-extensions"),
                          section,
                          QStringLiteral("-newkey"),
                          QStringLiteral("ec"),
                          QStringLiteral("-pkeyopt"),
                          QStringLiteral("ec_paramgen_curve:prime256v1"),
                          QStringLiteral("-nodes"),
                          QStringLiteral("-keyout"),
                          name + QStringLiteral(".key"),
                          QStringLiteral("-out"),
                          name + QStringLiteral(".pem"),
                          QStringLiteral("-subj"),
                          subject,
                          QStringLiteral("-days"),
                          QStringLiteral("2")};
        if (signByCa)
            args << QStringLiteral("-CA") << QStringLiteral("ca.pem") << QStringLiteral("-CAkey")
                 << QStringLiteral("ca.key");
        openssl(d, args);
    };
    request(QStringLiteral("ca"), QStringLiteral("ca"), QStringLiteral("/CN=ORVO Teste CA"), false);
    request(QStringLiteral("server"), QStringLiteral("server"), QStringLiteral("/CN=127.0.0.1"), true);
    request(QStringLiteral("other"), QStringLiteral("other"), QStringLiteral("/CN=outro.exemplo"), true);
}

LoopbackRelay::LoopbackRelay(int targetPort)
    : targetPort_(targetPort)
{
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listenFd_, 8) != 0)
        throw std::runtime_error("relay cannot listen");
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

LoopbackRelay::~LoopbackRelay()
{
    stopping_ = true;
    ::shutdown(listenFd_, SHUT_RDWR);
    ::close(listenFd_);
    acceptor_.join();
    for (std::thread& t : pumps_)
        t.join();
}

void LoopbackRelay::acceptLoop()
{
    for (;;) {
        const int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            return;
        std::lock_guard lock(mutex_);
        pumps_.emplace_back([this, client] { pump(client); });
    }
}

void LoopbackRelay::pump(int client)
{
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(uint16_t(targetPort_));
    if (::connect(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        char buf[16384];
        bool open = true;
        while (open && !stopping_) {
            if (::poll(fds, 2, 200) <= 0)
                continue;
            for (int i = 0; i < 2 && open; ++i) {
                if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                const ssize_t n = ::recv(fds[i].fd, buf, sizeof buf, 0);
                if (n <= 0 || ::send(fds[1 - i].fd, buf, size_t(n), MSG_NOSIGNAL) != n) {
                    open = false;
                    break;
                }
                std::lock_guard lock(mutex_);
                seen_.append(buf, int(n));
            }
        }
    }
    ::close(server);
    ::close(client);
}

QByteArray LoopbackRelay::seen() const
{
    std::lock_guard lock(mutex_);
    return seen_;
}

bool LoopbackRelay::sawUtf16(const QString& text) const
{
    const QByteArray utf16(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return seen().contains(utf16);
}
