#include "Connection.h"

#include <QDebug>

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace standin::tds {

namespace {

constexpr int kHeader = 8;
constexpr uint16_t kCmdSelect = 0xC1;

// Product version sent in PRELOGIN and LOGINACK: 16.0.1000.
constexpr uint8_t kVersionMajor = 16, kVersionMinor = 0;
constexpr uint16_t kVersionBuild = 1000;

uint32_t negotiate(uint32_t clientLe)
{
    switch (clientLe) {
    case Tds74: return Tds74;
    case Tds73B: return Tds73B;
    case Tds73A: return Tds73A;
    case Tds72: return Tds72;
    case Tds71: return Tds71;
    case 0x07010000: return Tds71;
    default: return clientLe > Tds74 ? Tds74 : Tds71;
    }
}

QString readField(const QByteArray& payload, int offset, int chars)
{
    if (chars == 0)
        return QString();
    if (offset < 0 || chars < 0 || offset + 2 * chars > payload.size())
        throw ProtocolError("LOGIN7 field outside the message");
    Reader f(payload, offset);
    return f.utf16(chars);
}

}  // namespace

Connection::Connection(int fd, Backend& backend, const ServerConfig& config, int spid)
    : fd_(fd), backend_(backend), config_(config), spid_(spid)
{
}

Connection::~Connection()
{
    ::shutdown(fd_, SHUT_RDWR);
    ::close(fd_);
}

void Connection::abort()
{
    if (!closed_.exchange(true))
        ::shutdown(fd_, SHUT_RDWR);
}

bool Connection::readFully(char* buf, int n)
{
    if (tls_) {
        while (plainIn_.size() < n)
            if (!pullTls(true))
                return false;
        memcpy(buf, plainIn_.constData(), size_t(n));
        plainIn_.remove(0, n);
        return true;
    }
    return readRaw(buf, n);
}

bool Connection::readRaw(char* buf, int n)
{
    int got = 0;
    while (got < n) {
        const ssize_t k = ::recv(fd_, buf + got, size_t(n - got), 0);
        if (k == 0)
            return false;
        if (k < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        got += int(k);
    }
    return true;
}

bool Connection::readMessage(Message& m)
{
    m.payload.clear();
    for (;;) {
        char h[kHeader];
        if (!readFully(h, kHeader))
            return false;
        const uint8_t type = uint8_t(h[0]);
        const uint8_t status = uint8_t(h[1]);
        const int length = uint8_t(h[2]) << 8 | uint8_t(h[3]);
        if (length < kHeader || length > 32768)
            throw ProtocolError("packet length outside 8..32768");
        switch (type) {
        case SqlBatchPacket: case RpcPacket: case AttentionPacket: case BulkLoadPacket:
        case TransactionManagerPacket: case Login7Packet: case SspiPacket: case PreloginPacket:
            break;
        default:
            throw ProtocolError("unknown packet type");
        }
        if (m.payload.isEmpty())
            m.type = type;
        else if (type != m.type)
            throw ProtocolError("packet type changed inside a message");
        const int body = length - kHeader;
        if (m.payload.size() + body > config_.maxMessageBytes)
            throw ProtocolError("message too large");
        const qsizetype at = m.payload.size();
        m.payload.resize(at + body);
        if (body > 0 && !readFully(m.payload.data() + at, body))
            return false;
        if (status & 0x01)
            return true;
        if (type == AttentionPacket)
            return true;
    }
}

void Connection::send(const QByteArray& tokens, uint8_t type)
{
    const int chunk = packetSize_ - kHeader;
    int at = 0;
    QByteArray packet;
    do {
        const int n = std::min<int>(chunk, int(tokens.size()) - at);
        const bool last = at + n >= tokens.size();
        const int length = n + kHeader;
        packet.resize(length);
        packet[0] = char(type);
        packet[1] = char(last ? 0x01 : 0x00);
        packet[2] = char(length >> 8);
        packet[3] = char(length & 0xFF);
        packet[4] = char(spid_ >> 8);
        packet[5] = char(spid_ & 0xFF);
        packet[6] = char(packetId_++);
        packet[7] = 0;
        if (n > 0)
            memcpy(packet.data() + kHeader, tokens.constData() + at, size_t(n));
        if (tls_) {
            const QByteArray sealed = tls_->seal(packet);
            writeRaw(sealed.constData(), int(sealed.size()));
        } else {
            writeRaw(packet.constData(), length);
        }
        at += n;
    } while (at < tokens.size());
}

void Connection::writeRaw(const char* data, int n)
{
    int sent = 0;
    while (sent < n) {
        const ssize_t k = ::send(fd_, data + sent, size_t(n - sent), MSG_NOSIGNAL);
        if (k < 0) {
            if (errno == EINTR)
                continue;
            throw ProtocolError("client went away");
        }
        sent += int(k);
    }
}

bool Connection::attentionPending()
{
    if (tls_) {
        if (plainIn_.size() < kHeader && !pullTls(false))
            return false;
        if (plainIn_.size() < kHeader || uint8_t(plainIn_[0]) != AttentionPacket)
            return false;
        Message m;
        return readMessage(m) && m.type == AttentionPacket;
    }
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0 || !(p.revents & POLLIN))
        return false;
    char h[kHeader];
    const ssize_t k = ::recv(fd_, h, kHeader, MSG_PEEK | MSG_DONTWAIT);
    if (k < kHeader || uint8_t(h[0]) != AttentionPacket)
        return false;
    Message m;
    return readMessage(m) && m.type == AttentionPacket;
}

bool Connection::cancelArrived()
{
    if (!attention_)
        attention_ = attentionPending();
    return attention_;
}

ServerMessage Connection::protocolMessage(int number, const QString& text, int severity) const
{
    ServerMessage m;
    m.number = number;
    m.severity = severity;
    m.state = 1;
    m.text = text;
    m.line = 1;
    return m;
}

void Connection::run()
{
    // A client has this long to log in; a logged-in client may stay idle as long as it likes.
    auto setReceiveTimeout = [this](int seconds) {
        timeval tv{seconds, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    };
    setReceiveTimeout(config_.loginTimeoutSeconds);
    try {
        Message m;
        bool loggedIn = false;
        while (!closed_ && readMessage(m)) {
            if (!loggedIn) {
                if (m.type == PreloginPacket) {
                    if (!handlePrelogin(m))
                        break;
                    continue;
                }
                // With forced encryption a login that skipped the encrypted PRELOGIN path is refused.
                if (m.type != Login7Packet || (config_.forceEncryption && encryption_ != Encryption::Full))
                    break;
                if (encryption_ == Encryption::LoginOnly)
                    endLoginEncryption();
                if (!handleLogin(m))
                    break;
                loggedIn = true;
                setReceiveTimeout(0);
                continue;
            }
            switch (m.type) {
            case SqlBatchPacket: handleBatch(m); break;
            case RpcPacket: handleRpc(m); break;
            case AttentionPacket: sendAttentionAck(); break;
            case TransactionManagerPacket: {
                // No distributed or explicit transactions through the manager: acknowledge.
                Writer w;
                writeDone(w, DoneToken, DoneFinal, 0, 0);
                send(w.buf);
                break;
            }
            default: {
                Writer w;
                writeMessage(w, protocolMessage(4002, QStringLiteral("The incoming tabular data stream (TDS) protocol stream is incorrect.")), true);
                writeDone(w, DoneToken, DoneError, 0, 0);
                send(w.buf);
                break;
            }
            }
        }
    } catch (const ProtocolError&) {
        // Malformed input or a vanished client: this connection ends, the server goes on.
    }
    if (session_)
        backend_.closeSession(std::move(session_));
    abort();
}

bool Connection::handlePrelogin(const Message& m)
{
    // Validate the option table; only the encryption answer depends on what the client asks.
    Reader r(m.payload);
    uint8_t clientEncryption = 0x02;  // a client that does not say cannot encrypt
    for (;;) {
        const uint8_t token = r.u8();
        if (token == 0xFF)
            break;
        const int off = r.u16be(), len = r.u16be();
        if (off + len > m.payload.size())
            throw ProtocolError("PRELOGIN option outside the message");
        if (token == 0x01 && len >= 1)
            clientEncryption = uint8_t(m.payload[off]);
    }
    const uint8_t encryption = negotiateEncryption(clientEncryption);
    struct Option {
        uint8_t token;
        QByteArray data;
    };
    const char version[6] = {char(kVersionMajor), char(kVersionMinor), char(kVersionBuild >> 8),
                             char(kVersionBuild & 0xFF), 0, 0};
    const Option options[] = {
        {0x00, QByteArray(version, 6)},
        {0x01, QByteArray(1, char(encryption))},
        {0x02, QByteArray(1, '\0')},    // instance accepted
        {0x03, QByteArray()},           // thread id
        {0x04, QByteArray(1, '\0')},    // no MARS
    };
    Writer w;
    int offset = int(std::size(options)) * 5 + 1;
    for (const Option& o : options) {
        w.u8(o.token);
        w.u16be(uint16_t(offset));
        w.u16be(uint16_t(o.data.size()));
        offset += int(o.data.size());
    }
    w.u8(0xFF);
    for (const Option& o : options)
        w.bytes(o.data);
    send(w.buf);
    if (encryption_ == Encryption::Refused)
        return false;  // the client will not encrypt and this server insists: end here
    if (encryption_ == Encryption::Off)
        return true;
    return runTlsHandshake();
}

bool Connection::handleLogin(const Message& m)
{
    const QByteArray& p = m.payload;
    Reader r(p);
    const uint32_t length = r.u32();
    if (length > uint32_t(p.size()) || length < 86)  // fixed part of a 7.1 LOGIN7
        throw ProtocolError("LOGIN7 length");
    version_ = negotiate(r.u32());
    const uint32_t requested = r.u32();
    r.skip(4 + 4 + 4);  // client program version, pid, connection id
    r.skip(4);          // option flags 1..3 and type flags
    r.skip(8);          // time zone, LCID
    auto field = [&]() {
        const int off = r.u16(), chars = r.u16();
        return readField(p, off, chars);
    };
    const QString hostName = field();
    const QString userName = field();
    const int pwOff = r.u16(), pwChars = r.u16();
    const QString appName = field();
    field();            // server name
    r.skip(4);          // extension
    field();            // client interface name
    const QString clientLanguage = field();
    const QString database = field();

    if (pwOff < 0 || pwChars < 0 || pwOff + 2 * pwChars > p.size())
        throw ProtocolError("LOGIN7 password outside the message");
    QByteArray pw = p.mid(pwOff, 2 * pwChars);
    for (char& c : pw) {
        const uint8_t b = uint8_t(c) ^ 0xA5;
        c = char(uint8_t(b << 4 | b >> 4));
    }
    const QString password(reinterpret_cast<const QChar*>(pw.constData()), pwChars);

    packetSize_ = requested == 0 ? 4096 : int(std::clamp<uint32_t>(requested, 512, 32767));

    Writer w;
    auto fail = [&](const std::vector<ServerMessage>& messages) {
        for (const ServerMessage& e : messages)
            writeMessage(w, e, true);
        writeDone(w, DoneToken, DoneError, 0, 0);
        send(w.buf);
        return false;
    };
    const ServerMessage loginFailed =
        [&] {
            ServerMessage e = protocolMessage(18456, QStringLiteral("Login failed for user '%1'.").arg(userName), 14);
            return e;
        }();
    if (!config_.logins.isEmpty()) {
        const auto it = config_.logins.constFind(userName.toLower());
        if (userName.isEmpty() || it == config_.logins.constEnd() || it.value() != password)
            return fail({loginFailed});
    }

    ServerMessage error;
    session_ = backend_.openSession(userName, hostName, appName, database, &error);
    if (!session_) {
        if (error.number == 0)
            error = protocolMessage(4060, QStringLiteral("Cannot open database \"%1\" requested by the login. The login failed.").arg(database), 11);
        return fail({error, loginFailed});
    }
    session_->spid = spid_;
    session_->cancelRequested = [this] { return cancelArrived(); };
    session_->login = userName;
    session_->hostName = hostName;
    session_->appName = appName;
    session_->encrypted = encryption_ == Encryption::Full;

    const QString db = session_->currentDatabase();
    writeEnvChange(w, 1, db, QStringLiteral("master"));
    ServerMessage info = protocolMessage(5701, QStringLiteral("Changed database context to '%1'.").arg(db), 0);
    info.state = 2;
    writeMessage(w, info, false);
    {
        // Collation of the database.
        w.u8(EnvChangeToken);
        w.u16(1 + 1 + 5 + 1);
        w.u8(7);
        w.u8(5);
        w.bytes(kCollation, 5);
        w.u8(0);
    }
    // The language the client asks for, else the login's default language.
    const bool clientChose = !clientLanguage.isEmpty() && session_->setLanguage(clientLanguage);
    const auto defaultLanguage = config_.loginLanguages.constFind(userName.toLower());
    if (!clientChose && defaultLanguage != config_.loginLanguages.constEnd())
        session_->setLanguage(defaultLanguage.value());
    const QString language = session_->language();
    writeEnvChange(w, 2, language, QString());
    ServerMessage lang = protocolMessage(5703, QStringLiteral("Changed language setting to %1.").arg(language), 0);
    writeMessage(w, lang, false);
    {
        const QString prog = QStringLiteral("Microsoft SQL Server");
        w.u8(LoginAckToken);
        w.u16(uint16_t(1 + 4 + 1 + 2 * prog.size() + 4));
        w.u8(1);  // SQL_TSQL
        w.u32be(version_);
        w.bVarChar(prog);
        w.u8(kVersionMajor);
        w.u8(kVersionMinor);
        w.u8(uint8_t(kVersionBuild >> 8));
        w.u8(uint8_t(kVersionBuild & 0xFF));
    }
    writeEnvChange(w, 4, QString::number(packetSize_), QString::number(4096));
    writeDone(w, DoneToken, DoneFinal, 0, 0);
    // The login answer still travels in 4096-byte packets; the new size applies afterwards.
    const int negotiated = packetSize_;
    packetSize_ = 4096;
    send(w.buf);
    packetSize_ = negotiated;
    return true;
}

void Connection::writeMessage(Writer& w, const ServerMessage& msg, bool error)
{
    w.u8(error ? ErrorToken : InfoToken);
    const int lengthAt = w.size();
    w.u16(0);
    w.u32(uint32_t(msg.number));
    w.u8(uint8_t(std::clamp(msg.state, 0, 255)));
    w.u8(uint8_t(std::clamp(msg.severity, 0, 25)));
    w.usVarChar(msg.text.left(4000));
    w.bVarChar(config_.serverName);
    w.bVarChar(msg.procedure);
    if (version_ >= Tds72)
        w.u32(uint32_t(std::max(msg.line, 0)));
    else
        w.u16(uint16_t(std::max(msg.line, 0)));
    w.patchU16(lengthAt, uint16_t(w.size() - lengthAt - 2));
}

void Connection::writeEnvChange(Writer& w, uint8_t type, const QString& newValue, const QString& oldValue)
{
    w.u8(EnvChangeToken);
    const int lengthAt = w.size();
    w.u16(0);
    w.u8(type);
    w.bVarChar(newValue);
    w.bVarChar(oldValue);
    w.patchU16(lengthAt, uint16_t(w.size() - lengthAt - 2));
}

void Connection::writeDone(Writer& w, uint8_t token, uint16_t status, uint16_t curCmd, int64_t rows)
{
    w.u8(token);
    w.u16(status);
    w.u16(curCmd);
    if (version_ >= Tds72)
        w.u64(uint64_t(std::max<int64_t>(rows, 0)));
    else
        w.u32(uint32_t(std::max<int64_t>(rows, 0)));
}

void Connection::writeResultSet(Writer& w, const ResultSet& rs)
{
    const int n = int(rs.columns.size());
    std::vector<WireColumn> wire;
    wire.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        SqlType t = rs.columns[size_t(i)].type;
        // A value wider than the declared type (computed columns) widens the column.
        const bool sized = t.id == TypeId::Char || t.id == TypeId::VarChar || t.id == TypeId::NChar
                        || t.id == TypeId::NVarChar || t.id == TypeId::Binary || t.id == TypeId::VarBinary;
        if (sized && t.length >= 0) {
            int widest = 0;
            for (const auto& row : rs.rows) {
                if (size_t(i) >= row.size())
                    continue;
                const Value& v = row[size_t(i)];
                if (const auto* s = std::get_if<QString>(&v.data))
                    widest = std::max(widest, int(s->size()));
                else if (const auto* b = std::get_if<QByteArray>(&v.data))
                    widest = std::max(widest, int(b->size()));
            }
            if (widest > t.length) {
                const int unit = (t.id == TypeId::NChar || t.id == TypeId::NVarChar) ? 2 : 1;
                t.length = widest * unit > 8000 ? -1 : widest;
                if (t.id == TypeId::Char) t.id = TypeId::VarChar;
                if (t.id == TypeId::NChar) t.id = TypeId::NVarChar;
                if (t.id == TypeId::Binary) t.id = TypeId::VarBinary;
            }
        }
        wire.push_back(wireColumn(t, version_));
    }
    w.u8(ColMetadataToken);
    w.u16(uint16_t(n));
    for (int i = 0; i < n; ++i) {
        const ColumnInfo& c = rs.columns[size_t(i)];
        if (version_ >= Tds72)
            w.u32(0);
        else
            w.u16(0);
        uint16_t flags = 0x0008;  // updatability unknown
        if (c.nullable)
            flags |= 0x0001;
        if (c.identity)
            flags |= 0x0010;
        if (c.computed)
            flags = uint16_t((flags & ~0x000C) | 0x0020);
        w.u16(flags);
        writeTypeInfo(w, wire[size_t(i)], c.baseTable, version_);
        w.bVarChar(c.name);
    }
    const bool nbc = version_ >= Tds73B;
    const Value missing{};
    for (const auto& row : rs.rows) {
        bool anyNull = false;
        for (int i = 0; i < n; ++i)
            anyNull = anyNull || size_t(i) >= row.size() || row[size_t(i)].isNull();
        if (nbc && anyNull) {
            w.u8(NbcRowToken);
            QByteArray bitmap((n + 7) / 8, '\0');
            for (int i = 0; i < n; ++i)
                if (size_t(i) >= row.size() || row[size_t(i)].isNull())
                    bitmap[i / 8] = char(uint8_t(bitmap[i / 8]) | (1 << (i % 8)));
            w.bytes(bitmap);
            for (int i = 0; i < n; ++i)
                if (size_t(i) < row.size() && !row[size_t(i)].isNull())
                    writeValue(w, wire[size_t(i)], row[size_t(i)], version_);
        } else {
            w.u8(RowToken);
            for (int i = 0; i < n; ++i)
                writeValue(w, wire[size_t(i)], size_t(i) < row.size() ? row[size_t(i)] : missing, version_);
        }
    }
}

void Connection::writeBatchResult(Writer& w, const BatchResult& r, const QString& dbBefore, bool insideRpc,
                                  const QString& languageBefore)
{
    const QString dbAfter = session_->currentDatabase();
    const bool dbChanged = dbAfter != dbBefore;
    const int count = int(r.statements.size());
    int envAt = count - 1;
    bool engineToldUse = false;
    if (dbChanged) {
        for (int i = 0; i < count; ++i)
            for (const ServerMessage& m : r.statements[size_t(i)].messages)
                if (m.number == 5701) {
                    envAt = i;
                    engineToldUse = true;
                }
    }
    for (int i = 0; i < count; ++i) {
        const StatementResult& s = r.statements[size_t(i)];
        if (s.resultSet)
            writeResultSet(w, *s.resultSet);
        if (dbChanged && i == envAt)
            writeEnvChange(w, 1, dbAfter, dbBefore);
        for (const ServerMessage& m : s.messages) {
            if (m.number == 5703)  // SET LANGUAGE
                writeEnvChange(w, 2, session_->language(), languageBefore);
            writeMessage(w, m, m.severity > 10);
        }
        if (dbChanged && i == envAt && !engineToldUse)
            writeMessage(w, protocolMessage(5701, QStringLiteral("Changed database context to '%1'.").arg(dbAfter), 0), false);
        const bool last = i == count - 1;
        uint16_t status = 0;
        if (!last || insideRpc)
            status |= DoneMore;
        if (s.failed)
            status |= DoneError;
        if (s.rowCount >= 0)
            status |= DoneCount;
        const uint8_t token = (s.inProcedure || insideRpc) ? DoneInProcToken : DoneToken;
        writeDone(w, token, status, s.resultSet ? kCmdSelect : 0, s.rowCount);
    }
    if (count == 0 && !insideRpc)
        writeDone(w, DoneToken, r.aborted ? DoneError : DoneFinal, 0, 0);
}

int Connection::skipAllHeaders(const QByteArray& payload)
{
    if (version_ < Tds72 || payload.size() < 4)
        return 0;
    Reader r(payload);
    const uint32_t total = r.u32();
    if (total < 4 || total > uint32_t(payload.size()))
        throw ProtocolError("ALL_HEADERS length");
    return int(total);
}

void Connection::handleBatch(const Message& m)
{
    const int start = skipAllHeaders(m.payload);
    const int bytes = int(m.payload.size()) - start;
    if (bytes % 2)
        throw ProtocolError("odd length of a UTF-16 batch");
    const QString text(reinterpret_cast<const QChar*>(m.payload.constData() + start), bytes / 2);
    const QString before = session_->currentDatabase();
    const QString languageBefore = session_->language();
    const BatchResult result = backend_.execute(*session_, text);
    // A cancel (during the batch or just after it) is answered with its acknowledgement alone.
    if (cancelArrived()) {
        attention_ = false;
        sendAttentionAck();
        return;
    }
    Writer w;
    writeBatchResult(w, result, before, false, languageBefore);
    send(w.buf);
}

void Connection::sendAttentionAck()
{
    Writer w;
    writeDone(w, DoneToken, DoneAttn, 0, 0);
    send(w.buf);
}

// --- RPC ----------------------------------------------------------------------------------

namespace {

enum ProcId : uint16_t {
    SpCursorOpen = 2,
    SpExecuteSql = 10,
    SpPrepare = 11,
    SpExecute = 12,
    SpPrepExec = 13,
    SpUnprepare = 15,
};

// Names of the procedures a client may call by number (server cursors are not supported:
// they reach the engine as EXECUTE of that name and fail as an unknown procedure would).
QString procNameById(uint16_t id)
{
    static const char* const names[] = {"", "sp_cursor", "sp_cursoropen", "sp_cursorprepare", "sp_cursorexecute",
                                        "sp_cursorprepexec", "sp_cursorunprepare", "sp_cursorfetch", "sp_cursoroption",
                                        "sp_cursorclose", "sp_executesql", "sp_prepare", "sp_execute", "sp_prepexec",
                                        "sp_prepexecrpc", "sp_unprepare"};
    return id >= 1 && id < std::size(names) ? QString::fromLatin1(names[id]) : QStringLiteral("sp_%1").arg(id);
}

uint16_t procIdByName(const QString& name)
{
    QString n = name.toLower();
    if (n.startsWith(QStringLiteral("sys.")))
        n = n.mid(4);
    if (n == QStringLiteral("sp_executesql")) return SpExecuteSql;
    if (n == QStringLiteral("sp_cursoropen")) return SpCursorOpen;
    if (n == QStringLiteral("sp_prepare")) return SpPrepare;
    if (n == QStringLiteral("sp_execute")) return SpExecute;
    if (n == QStringLiteral("sp_prepexec")) return SpPrepExec;
    if (n == QStringLiteral("sp_unprepare")) return SpUnprepare;
    return 0;
}

QString textOf(const Value& v)
{
    if (const auto* s = std::get_if<QString>(&v.data))
        return *s;
    return QString();
}

}  // namespace

QStringList declaredParameterNames(const QString& declarations)
{
    QStringList names;
    int depth = 0;
    QString current;
    auto flush = [&] {
        const QString t = current.trimmed();
        if (t.startsWith(u'@')) {
            int end = 1;
            while (end < t.size() && (t[end].isLetterOrNumber() || t[end] == u'_' || t[end] == u'@' || t[end] == u'#' || t[end] == u'$'))
                ++end;
            names << t.left(end);
        }
        current.clear();
    };
    for (QChar c : declarations) {
        if (c == u'(') ++depth;
        if (c == u')') --depth;
        if (c == u',' && depth == 0) {
            flush();
            continue;
        }
        current += c;
    }
    flush();
    return names;
}

QString substituteParameters(const QString& s, const QHash<QString, QString>& literals)
{
    QString out;
    out.reserve(s.size());
    int i = 0;
    const int n = int(s.size());
    auto copyUntil = [&](int end) {
        out += s.mid(i, end - i);
        i = end;
    };
    while (i < n) {
        const QChar c = s[i];
        if (c == u'\'' || c == u'"' || c == u'[') {
            const QChar close = c == u'[' ? u']' : c;
            int j = i + 1;
            while (j < n) {
                if (s[j] == close) {
                    if (j + 1 < n && s[j + 1] == close) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            copyUntil(std::min(j + 1, n));
        } else if (c == u'-' && i + 1 < n && s[i + 1] == u'-') {
            int j = int(s.indexOf(u'\n', i));
            copyUntil(j < 0 ? n : j);
        } else if (c == u'/' && i + 1 < n && s[i + 1] == u'*') {
            int j = int(s.indexOf(QStringLiteral("*/"), i + 2));
            copyUntil(j < 0 ? n : j + 2);
        } else if (c == u'@') {
            int j = i + 1;
            while (j < n && (s[j].isLetterOrNumber() || s[j] == u'_' || s[j] == u'@' || s[j] == u'#' || s[j] == u'$'))
                ++j;
            const QString name = s.mid(i, j - i).toLower();
            const auto it = literals.constFind(name);
            if (it != literals.constEnd()) {
                out += it.value();
                i = j;
            } else {
                copyUntil(j);
            }
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

void Connection::handleRpc(const Message& m)
{
    Reader r(m.payload, skipAllHeaders(m.payload));
    Writer w;
    while (!r.atEnd()) {
        const uint16_t nameLen = r.u16();
        uint16_t procId = 0;
        QString procName;
        if (nameLen == 0xFFFF) {
            procId = r.u16();
        } else {
            procName = r.utf16(nameLen);
            procId = procIdByName(procName);
        }
        r.u16();  // option flags
        std::vector<WireParam> params;
        while (!r.atEnd()) {
            const uint8_t next = uint8_t(m.payload[r.pos()]);
            if (next == 0x80 || next == 0xFF || next == 0xFE) {
                r.skip(1);
                break;
            }
            params.push_back(readParam(r, version_));
        }

        QString statement;
        QString declarations;
        size_t firstValue = 0;
        int handle = 0;
        bool returnHandle = false;
        bool execute = true;
        bool unknownHandle = false;
        bool cursorOpen = false;
        switch (procId) {
        case SpCursorOpen:
            // Drivers open a server cursor for statements that are not forward-only. Statements
            // without rows (Qt's SET QUOTED_IDENTIFIER ON on connect) run and report cursor 0,
            // which tells the driver that no cursor exists; a statement with rows is refused.
            if (params.size() < 2)
                throw ProtocolError("sp_cursoropen without its statement");
            statement = textOf(params[1].value);
            if (params.size() > 5) declarations = textOf(params[5].value);
            firstValue = 6;
            cursorOpen = true;
            break;
        case SpExecuteSql:
            if (!params.empty()) statement = textOf(params[0].value);
            if (params.size() > 1) declarations = textOf(params[1].value);
            firstValue = 2;
            break;
        case SpPrepare:
        case SpPrepExec:
            if (params.size() < 3)
                throw ProtocolError("sp_prepare without its parameters");
            declarations = textOf(params[1].value);
            statement = textOf(params[2].value);
            handle = nextHandle_++;
            prepared_.insert(handle, {declarations, statement});
            returnHandle = true;
            execute = procId == SpPrepExec;
            firstValue = 3;
            break;
        case SpExecute: {
            if (params.empty())
                throw ProtocolError("sp_execute without a handle");
            const Value& h = params[0].value;
            const int64_t* hv = std::get_if<int64_t>(&h.data);
            const auto it = hv ? prepared_.constFind(int(*hv)) : prepared_.constEnd();
            if (it == prepared_.constEnd()) {
                writeMessage(w, protocolMessage(8179, QStringLiteral("Could not find prepared statement with handle %1.").arg(hv ? *hv : 0)), true);
                execute = false;
                unknownHandle = true;
                break;
            }
            declarations = it->first;
            statement = it->second;
            firstValue = 1;
            break;
        }
        case SpUnprepare:
            if (!params.empty())
                if (const int64_t* hv = std::get_if<int64_t>(&params[0].value.data))
                    prepared_.remove(int(*hv));
            execute = false;
            break;
        default: {
            // Any other procedure: run it as an EXECUTE statement with literal arguments.
            QStringList args;
            for (const WireParam& p : params)
                args << (p.name.isEmpty() ? sqlLiteral(p.value) : p.name + QStringLiteral(" = ") + sqlLiteral(p.value));
            QString name = procName.isEmpty() ? procNameById(procId) : procName;
            statement = QStringLiteral("EXECUTE ") + name + (args.isEmpty() ? QString() : u' ' + args.join(QStringLiteral(", ")));
            break;
        }
        }
        auto returnInt = [&](size_t ordinal, int value) {
            w.u8(ReturnValueToken);
            w.u16(uint16_t(ordinal));
            w.bVarChar(ordinal < params.size() ? params[ordinal].name : QString());
            w.u8(0x01);  // output parameter
            if (version_ >= Tds72) w.u32(0); else w.u16(0);
            w.u16(0x0001);
            w.u8(IntNType);
            w.u8(4);
            w.u8(4);
            w.u32(uint32_t(value));
        };
        if (returnHandle)
            returnInt(0, handle);
        bool failed = unknownHandle;
        if (execute && !statement.isEmpty()) {
            const QStringList names = declaredParameterNames(declarations);
            QHash<QString, QString> literals;
            for (size_t i = firstValue; i < params.size(); ++i) {
                QString name = params[i].name;
                const size_t ordinal = i - firstValue;
                if (name.isEmpty() && ordinal < size_t(names.size()))
                    name = names[int(ordinal)];
                if (!name.isEmpty())
                    literals.insert(name.toLower(), sqlLiteral(params[i].value));
            }
            const QString text = literals.isEmpty() ? statement : substituteParameters(statement, literals);
            const QString before = session_->currentDatabase();
            const QString languageBefore = session_->language();
            const BatchResult result = backend_.execute(*session_, text);
            bool rows = false;
            for (const StatementResult& s : result.statements)
                rows = rows || s.resultSet.has_value();
            if (cursorOpen && rows) {
                writeMessage(w, protocolMessage(16999, QStringLiteral("Server cursors are not supported; send the statement as a forward-only, read-only query.")), true);
                failed = true;
            } else {
                writeBatchResult(w, result, before, true, languageBefore);
                failed = result.aborted;
                for (const StatementResult& s : result.statements)
                    failed = failed || s.failed;
            }
            if (cursorOpen && !rows) {
                auto intParam = [&](size_t i) {
                    const int64_t* v = i < params.size() ? std::get_if<int64_t>(&params[i].value.data) : nullptr;
                    return v ? int(*v) : 0;
                };
                returnInt(0, 0);
                returnInt(2, intParam(2));
                returnInt(3, intParam(3));
                returnInt(4, -1);
            }
        }
        w.u8(ReturnStatusToken);
        w.u32(failed ? uint32_t(-6) : 0);
        writeDone(w, DoneProcToken, uint16_t((r.atEnd() ? 0 : DoneMore) | (failed ? DoneError : 0)), 0, 0);
    }
    if (cancelArrived()) {
        attention_ = false;
        sendAttentionAck();
        return;
    }
    if (w.buf.isEmpty())
        writeDone(w, DoneToken, DoneFinal, 0, 0);
    send(w.buf);
}

}  // namespace standin::tds
