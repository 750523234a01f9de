#include "TdsTestClient.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct In {
    const QByteArray& d;
    int p = 0;
    void need(int n) const
    {
        if (n < 0 || p + n > d.size())
            throw std::runtime_error("token stream too short");
    }
    uint8_t u8() { need(1); return uint8_t(d[p++]); }
    uint16_t u16() { const uint16_t lo = u8(); return uint16_t(lo | u8() << 8); }
    uint32_t u32() { const uint32_t lo = u16(); return lo | uint32_t(u16()) << 16; }
    uint64_t u64() { const uint64_t lo = u32(); return lo | uint64_t(u32()) << 32; }
    QByteArray bytes(int n) { need(n); p += n; return d.mid(p - n, n); }
    QString utf16(int n) { const QByteArray b = bytes(2 * n); return QString(reinterpret_cast<const QChar*>(b.constData()), n); }
};

void putU16(QByteArray& b, int at, uint16_t v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

void appendU32(QByteArray& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char(v >> (8 * i)));
}

struct Column {
    uint8_t type;
    int length;
};

QString readValue(In& in, const Column& c)
{
    switch (c.type) {
    case 0x26: case 0x68: {  // INTN, BITN
        const int n = in.u8();
        if (n == 0) return QStringLiteral("<null>");
        int64_t v = 0;
        const QByteArray b = in.bytes(n);
        for (int i = n - 1; i >= 0; --i)
            v = v << 8 | uint8_t(b[i]);
        if (n < 8 && (uint8_t(b[n - 1]) & 0x80) && c.type == 0x26 && n > 1)
            v -= int64_t(1) << (8 * n);
        return QString::number(v);
    }
    case 0xE7: case 0xEF: case 0xA7: case 0xAF: case 0xA5: case 0xAD: {
        if (c.length == 0xFFFF) {
            const uint64_t total = in.u64();
            if (total == ~uint64_t(0)) return QStringLiteral("<null>");
            QByteArray all;
            for (uint32_t n = in.u32(); n != 0; n = in.u32())
                all += in.bytes(int(n));
            if (c.type == 0xE7) return QString(reinterpret_cast<const QChar*>(all.constData()), int(all.size() / 2));
            return QString::fromLatin1(all.toHex());
        }
        const int n = in.u16();
        if (n == 0xFFFF) return QStringLiteral("<null>");
        const QByteArray b = in.bytes(n);
        if (c.type == 0xE7 || c.type == 0xEF) return QString(reinterpret_cast<const QChar*>(b.constData()), n / 2);
        if (c.type == 0xA7 || c.type == 0xAF) return QString::fromLatin1(b);
        return QString::fromLatin1(b.toHex());
    }
    default:
        throw std::runtime_error("test client cannot read type " + std::to_string(c.type));
    }
}

}  // namespace

TdsTestClient::~TdsTestClient()
{
    close();
}

bool TdsTestClient::connect(uint16_t port)
{
    close();
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close();
        return false;
    }
    return true;
}

void TdsTestClient::close()
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

bool TdsTestClient::sendRaw(const QByteArray& bytes)
{
    int sent = 0;
    while (sent < bytes.size()) {
        const ssize_t k = ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (k <= 0)
            return false;
        sent += int(k);
    }
    return true;
}

bool TdsTestClient::sendMessage(uint8_t type, const QByteArray& payload, int packetSize)
{
    int at = 0;
    uint8_t id = 1;
    do {
        const int n = std::min<int>(packetSize - 8, int(payload.size()) - at);
        QByteArray p(8, '\0');
        p[0] = char(type);
        p[1] = char(at + n >= payload.size() ? 1 : 0);
        p[2] = char((n + 8) >> 8);
        p[3] = char((n + 8) & 0xFF);
        p[6] = char(id++);
        p += payload.mid(at, n);
        if (!sendRaw(p))
            return false;
        at += n;
    } while (at < payload.size());
    return true;
}

bool TdsTestClient::readMessage(QByteArray* payload, uint8_t* type, int timeoutMs)
{
    payload->clear();
    auto readN = [&](char* buf, int n) {
        int got = 0;
        while (got < n) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0)
                return false;
            const ssize_t k = ::recv(fd, buf + got, size_t(n - got), 0);
            if (k <= 0)
                return false;
            got += int(k);
        }
        return true;
    };
    for (;;) {
        char h[8];
        if (!readN(h, 8))
            return false;
        if (type)
            *type = uint8_t(h[0]);
        const int len = uint8_t(h[2]) << 8 | uint8_t(h[3]);
        if (len < 8)
            return false;
        QByteArray body(len - 8, '\0');
        if (len > 8 && !readN(body.data(), len - 8))
            return false;
        payload->append(body);
        if (h[1] & 1)
            return true;
    }
}

bool TdsTestClient::waitClosed(int timeoutMs)
{
    char buf[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return false;
        const ssize_t k = ::recv(fd, buf, sizeof buf, 0);
        if (k <= 0)
            return true;
    }
}

bool TdsTestClient::prelogin(QByteArray* reply)
{
    // VERSION, ENCRYPTION (off), INSTOPT "", THREADID, MARS off.
    QByteArray b;
    const int start = 5 * 5 + 1;
    const int lens[5] = {6, 1, 1, 4, 1};
    int off = start;
    for (int t = 0; t < 5; ++t) {
        b.append(char(t));
        b.append(char(off >> 8)).append(char(off & 0xFF));
        b.append(char(0)).append(char(lens[t]));
        off += lens[t];
    }
    b.append(char(0xFF));
    b.append(QByteArray::fromHex("090000000000")).append(char(0)).append(char(0)).append(QByteArray(4, '\0')).append(char(0));
    QByteArray r;
    if (!sendMessage(0x12, b) || !readMessage(&r))
        return false;
    if (reply)
        *reply = r;
    return true;
}

QByteArray TdsTestClient::login7(const QString& user, const QString& password, const QString& database,
                                 const QString& host, uint32_t version)
{
    QByteArray fixed(94, '\0');
    QByteArray data;
    auto utf16 = [](const QString& s) { return QByteArray(reinterpret_cast<const char*>(s.utf16()), int(s.size()) * 2); };
    QByteArray pw = utf16(password);
    for (char& c : pw) {
        const uint8_t u = uint8_t(c);
        c = char(uint8_t((u << 4) | (u >> 4)) ^ 0xA5);
    }
    const QByteArray fields[9] = {utf16(host), utf16(user), pw, utf16(QStringLiteral("tds-test")), utf16(QStringLiteral("srv")),
                                  QByteArray(), utf16(QStringLiteral("test-lib")), QByteArray(), utf16(database)};
    int pos = 36;
    for (int i = 0; i < 9; ++i) {
        putU16(fixed, pos, uint16_t(94 + data.size()));
        putU16(fixed, pos + 2, uint16_t(i == 5 ? 0 : fields[i].size() / 2));
        data += fields[i];
        pos += 4;
    }
    QByteArray head;
    appendU32(head, uint32_t(94 + data.size()));
    appendU32(head, version);
    appendU32(head, 4096);
    fixed.replace(0, head.size(), head);
    return fixed + data;
}

TdsTestReply TdsTestClient::login(const QString& user, const QString& password, const QString& database)
{
    QByteArray r;
    if (!prelogin() || !sendMessage(0x10, login7(user, password, database)) || !readMessage(&r))
        return {};
    return parse(r);
}

TdsTestReply TdsTestClient::batch(const QString& sql)
{
    QByteArray payload;
    // ALL_HEADERS with the transaction descriptor header.
    appendU32(payload, 22);
    appendU32(payload, 18);
    payload.append(char(2)).append(char(0));
    payload.append(QByteArray(8, '\0'));
    appendU32(payload, 1);
    payload += QByteArray(reinterpret_cast<const char*>(sql.utf16()), int(sql.size()) * 2);
    QByteArray r;
    if (!sendMessage(0x01, payload) || !readMessage(&r))
        return {};
    return parse(r);
}

TdsTestReply TdsTestClient::parse(const QByteArray& tokens)
{
    TdsTestReply reply;
    In in{tokens};
    std::vector<Column> cols;
    while (in.p < tokens.size()) {
        const uint8_t t = in.u8();
        switch (t) {
        case 0x81: {
            const int n = in.u16();
            cols.clear();
            reply.columns.clear();
            for (int i = 0; i < n; ++i) {
                in.u32();
                const uint16_t flags = in.u16();
                Column c{in.u8(), 0};
                switch (c.type) {
                case 0x26: case 0x68: case 0x6D: case 0x6E: case 0x6F: case 0x24: c.length = in.u8(); break;
                case 0xE7: case 0xEF: case 0xA7: case 0xAF: c.length = in.u16(); in.bytes(5); break;
                case 0xA5: case 0xAD: c.length = in.u16(); break;
                default: throw std::runtime_error("test client cannot read column type " + std::to_string(c.type));
                }
                cols.push_back(c);
                reply.columnTypes.push_back(c.type);
                reply.columnFlags.push_back(flags);
                reply.columns << in.utf16(in.u8());
            }
            break;
        }
        case 0xD1: case 0xD2: {
            QByteArray bitmap;
            if (t == 0xD2)
                bitmap = in.bytes(int((cols.size() + 7) / 8));
            QStringList row;
            for (size_t i = 0; i < cols.size(); ++i) {
                if (t == 0xD2 && (uint8_t(bitmap[int(i / 8)]) >> (i % 8)) & 1)
                    row << QStringLiteral("<null>");
                else
                    row << readValue(in, cols[i]);
            }
            reply.rows.push_back(row);
            break;
        }
        case 0xAA: case 0xAB: {
            const int len = in.u16();
            const int end = in.p + len;
            TdsTestMessage m;
            m.number = int(in.u32());
            in.u8();
            m.severity = in.u8();
            m.text = in.utf16(in.u16());
            in.p = end;
            (t == 0xAA ? reply.errors : reply.infos).push_back(m);
            break;
        }
        case 0xE3: {
            const int len = in.u16();
            const int end = in.p + len;
            if (in.u8() == 1)
                reply.newDatabase = in.utf16(in.u8());
            in.p = end;
            break;
        }
        case 0xAD: {
            in.bytes(in.u16());
            reply.loginAck = true;
            break;
        }
        case 0x79: in.u32(); break;
        case 0xFD: case 0xFE: case 0xFF: {
            const uint16_t status = in.u16();
            in.u16();
            reply.doneStatus.push_back(status);
            reply.doneCounts.push_back(in.u64());
            if (t == 0xFD && !(status & 1))
                reply.complete = true;
            break;
        }
        default:
            throw std::runtime_error("test client met token " + std::to_string(t));
        }
    }
    return reply;
}
