// The encryption side of a connection: the PRELOGIN ENCRYPTION answer, the TLS handshake
// carried in PRELOGIN packets, and the TLS stream that follows.
#include "Connection.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>

namespace standin::tds {

namespace {

// Values of the PRELOGIN ENCRYPTION option.
constexpr uint8_t kEncryptOff = 0x00;  // encrypt the login only
constexpr uint8_t kEncryptOn = 0x01;  // encrypt everything
constexpr uint8_t kEncryptNotSup = 0x02;  // cannot encrypt
constexpr uint8_t kEncryptReq = 0x03;  // (server) encrypt everything, or go away

}  // namespace

uint8_t Connection::negotiateEncryption(uint8_t client)
{
    client &= 0x0F;  // the high bits announce a client certificate, which changes nothing here
    if (!config_.tls) {
        encryption_ = Encryption::Off;
        return kEncryptNotSup;
    }
    switch (client) {
    case kEncryptNotSup:
        encryption_ = config_.forceEncryption ? Encryption::Refused : Encryption::Off;
        return config_.forceEncryption ? kEncryptReq : kEncryptNotSup;
    case kEncryptOff:
        encryption_ = config_.forceEncryption ? Encryption::Full : Encryption::LoginOnly;
        return config_.forceEncryption ? kEncryptReq : kEncryptOff;
    default:  // ON or REQ
        encryption_ = Encryption::Full;
        return kEncryptOn;
    }
}

bool Connection::runTlsHandshake()
{
    auto session = std::make_unique<TlsSession>(*config_.tls);
    QString error;
    while (!session->established()) {
        // One TDS packet from the client, its payload being TLS handshake records.
        char h[8];
        if (!readRaw(h, 8))
            return false;
        const int length = uint8_t(h[2]) << 8 | uint8_t(h[3]);
        if (uint8_t(h[0]) != PreloginPacket || length < 8 || length > 32768)
            return false;
        QByteArray body(length - 8, Qt::Uninitialized);
        if (!body.isEmpty() && !readRaw(body.data(), int(body.size())))
            return false;
        QByteArray reply;
        if (!session->handshake(body, &reply, &error))
            return false;
        if (!reply.isEmpty())
            send(reply, PreloginPacket);
    }
    tls_ = std::move(session);
    return true;
}

bool Connection::pullTls(bool wait)
{
    if (!wait) {
        pollfd p {fd_, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0 || !(p.revents & POLLIN))
            return false;
    }
    char buf[16384];
    for (;;) {
        const ssize_t k = ::recv(fd_, buf, sizeof buf, wait ? 0 : MSG_DONTWAIT);
        if (k == 0)
            return false;
        if (k < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        plainIn_.append(tls_->open(QByteArray::fromRawData(buf, int(k))));
        return true;
    }
}

void Connection::endLoginEncryption()
{
    if (!plainIn_.isEmpty())
        throw ProtocolError("data after the encrypted login");
    tls_.reset();
}

}  // namespace standin::tds
