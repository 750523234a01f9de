// The protocol layer alone: value encodings, parameter decoding and substitution, and the
// connection state machine against a small in-memory backend.
#include "Server.h"
#include "TdsTestClient.h"
#include "TdsWire.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

using namespace standin;
using namespace standin::tds;

namespace {

Value make(TypeId id, Value::Data data, int length = 0, int precision = 0, int scale = 0)
{
    Value v;
    v.type = SqlType{id, length, precision, scale};
    v.data = std::move(data);
    return v;
}

QByteArray encode(const SqlType& t, const Value& v, uint32_t version = Tds74)
{
    Writer w;
    writeValue(w, wireColumn(t, version), v, version);
    return w.buf;
}

}  // namespace

TEST(TdsWire, FixedLayoutsMatchTheProtocol)
{
    // datetime: days since 1900-01-01, then 1/300 s since midnight.
    const DateTimeValue dt {QDate(2025, 10, 1), TimeOfDay {10000000}};
    EXPECT_EQ(encode({TypeId::DateTime}, make(TypeId::DateTime, dt)).toHex(), QByteArray("0869b300002c010000"));
    // datetime2(7): 100 ns units since midnight in 5 bytes, then days since 0001-01-01 in 3; time(3)
    // sends milliseconds, rounded, in 4 bytes.
    const DateTimeValue fine {QDate(1, 1, 3), TimeOfDay {1234567}};
    EXPECT_EQ(encode({TypeId::DateTime2, 0, 0, 7}, make(TypeId::DateTime2, fine, 0, 0, 7)).toHex(),
              QByteArray("0887d6120000020000"));
    EXPECT_EQ(encode({TypeId::Time, 0, 0, 3}, make(TypeId::Time, fine.time, 0, 0, 3)).toHex(), QByteArray("047b000000"));
    // uniqueidentifier: the first three groups little-endian.
    const QUuid g(QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC96401"));
    EXPECT_EQ(encode({TypeId::UniqueIdentifier}, make(TypeId::UniqueIdentifier, g)).toHex(),
              QByteArray("10ff19966f868b11d0b42d00c04fc96401"));
    // money: high 32 bits first, then the low 32 bits, in units of 1/10000.
    EXPECT_EQ(encode({TypeId::Money}, make(TypeId::Money, Decimal{-15000, 4})).toHex(), QByteArray("08ffffffff68c5ffff"));
    // decimal(18,2): sign byte (0 negative) then the magnitude in 8 bytes.
    EXPECT_EQ(encode({TypeId::Decimal, 0, 18, 2}, make(TypeId::Decimal, Decimal{-12345, 3}, 0, 18, 3)).toHex(),
              QByteArray("0900d304000000000000"));
    // NULLs: one-byte, two-byte and PLP markers.
    EXPECT_EQ(encode({TypeId::Int}, make(TypeId::Int, std::monostate{})).toHex(), QByteArray("00"));
    EXPECT_EQ(encode({TypeId::NVarChar, 10}, make(TypeId::NVarChar, std::monostate{})).toHex(), QByteArray("ffff"));
    EXPECT_EQ(encode({TypeId::VarBinary, -1}, make(TypeId::VarBinary, std::monostate{})).toHex(), QByteArray("ffffffffffffffff"));
    // char(n) pads with blanks; varchar travels in code page 1252.
    EXPECT_EQ(encode({TypeId::Char, 4}, make(TypeId::Char, QStringLiteral("é"))).toHex(), QByteArray("0400e9202020"));
    // image before 7.2 and (max) types from 7.2 take different shapes.
    EXPECT_EQ(wireColumn({TypeId::VarBinary, -1}, Tds71).type, ImageType);
    EXPECT_TRUE(wireColumn({TypeId::VarBinary, -1}, Tds72).plp);
    EXPECT_TRUE(wireColumn({TypeId::Date}, Tds72).asText);
    EXPECT_EQ(wireColumn({TypeId::Date}, Tds74).type, DateNType);
}

TEST(TdsWire, Cp1252CoversTheWindowsPunctuation)
{
    const QString s = QStringLiteral("Peças € “ok” Ÿ");
    EXPECT_EQ(fromCp1252(toCp1252(s)), s);
    EXPECT_EQ(toCp1252(QStringLiteral("€")), QByteArray("\x80"));
    EXPECT_EQ(toCp1252(QStringLiteral("漢")), QByteArray("?"));
}

TEST(TdsWire, ParametersDecodeAndBecomeLiterals)
{
    Writer w;
    // @P1 int = -7
    w.bVarChar(QStringLiteral("@P1")); w.u8(0); w.u8(IntNType); w.u8(4); w.u8(4); w.u32(uint32_t(-7));
    // @P2 nvarchar(20) = N'd'Ávila'
    const QString text = QStringLiteral("d'Ávila");
    w.bVarChar(QStringLiteral("@P2")); w.u8(0); w.u8(NVarCharType); w.u16(40); w.bytes(kCollation, 5);
    w.u16(uint16_t(text.size() * 2)); w.utf16(text);
    // @P3 varbinary(max) = 0x0102 in two PLP chunks
    w.bVarChar(QStringLiteral("@P3")); w.u8(0); w.u8(BigVarBinType); w.u16(0xFFFF);
    w.u64(2); w.u32(1); w.u8(1); w.u32(1); w.u8(2); w.u32(0);
    // @P4 datetime NULL
    w.bVarChar(QStringLiteral("@P4")); w.u8(0); w.u8(DateTimNType); w.u8(8); w.u8(0);
    // @P5 datetimeoffset(0) = 2025-06-01 10:00 -03:00, sent as 13:00 UTC and the offset in minutes
    w.bVarChar(QStringLiteral("@P5")); w.u8(0); w.u8(DateTimeOffsetNType); w.u8(0); w.u8(8);
    for (uint32_t v : {13u * 3600u, 739402u})
        for (int i = 0; i < 3; ++i)
            w.u8(uint8_t(v >> (8 * i)));
    w.u16(uint16_t(int16_t(-180)));
    Reader r(w.buf);
    const WireParam p1 = readParam(r, Tds74), p2 = readParam(r, Tds74), p3 = readParam(r, Tds74), p4 = readParam(r, Tds74);
    const WireParam p5 = readParam(r, Tds74);
    EXPECT_TRUE(r.atEnd());
    EXPECT_EQ(sqlLiteral(p5.value), QStringLiteral("CAST('2025-06-01 10:00:00.0000000 -03:00' AS datetimeoffset)"));
    EXPECT_EQ(sqlLiteral(p1.value), QStringLiteral("-7"));
    EXPECT_EQ(sqlLiteral(p2.value), QStringLiteral("N'd''Ávila'"));
    EXPECT_EQ(sqlLiteral(p3.value), QStringLiteral("0x0102"));
    EXPECT_EQ(sqlLiteral(p4.value), QStringLiteral("NULL"));

    // A truncated parameter is a protocol error, not a crash.
    const QByteArray cut = w.buf.left(20);
    Reader rc(cut);
    readParam(rc, Tds74);
    EXPECT_THROW(readParam(rc, Tds74), ProtocolError);
}

TEST(TdsWire, RandomParameterBytesNeverCrashTheDecoder)
{
    std::mt19937 rng(1234);
    const uint8_t types[] = {IntNType, BitNType, FltNType, MoneyNType, DateTimNType, DecimalNType, GuidType, DateNType,
                             TimeNType, DateTime2NType, DateTimeOffsetNType, BigVarCharType, NVarCharType, BigVarBinType,
                             TextType, NTextType, ImageType, Int4Type, 0x99};
    int decoded = 0;
    for (int i = 0; i < 20000; ++i) {
        QByteArray b(int(rng() % 40), '\0');
        for (char& c : b)
            c = char(rng());
        // A plausible head (empty name, status, a known type) so the decoder gets past the first bytes.
        b.prepend(char(types[rng() % std::size(types)])).prepend(char(0)).prepend(char(0));
        Reader r(b);
        try {
            const WireParam p = readParam(r, Tds74);
            sqlLiteral(p.value);
            ++decoded;
        } catch (const ProtocolError&) {
        }
    }
    EXPECT_GT(decoded, 0);
}

TEST(TdsWire, SubstitutionLeavesStringsCommentsAndQuotedNamesAlone)
{
    const QHash<QString, QString> lit{{QStringLiteral("@p1"), QStringLiteral("5")}, {QStringLiteral("@nome"), QStringLiteral("N'x'")}};
    EXPECT_EQ(substituteParameters(QStringLiteral("SELECT '@P1', [@P1], @P1 -- @P1\n/* @nome */ WHERE a = @Nome AND b = @P10"), lit),
              QStringLiteral("SELECT '@P1', [@P1], 5 -- @P1\n/* @nome */ WHERE a = N'x' AND b = @P10"));
    EXPECT_EQ(declaredParameterNames(QStringLiteral("@P1 int, @P2 decimal(18, 2),@P3 nvarchar(max) OUTPUT")),
              (QStringList{QStringLiteral("@P1"), QStringLiteral("@P2"), QStringLiteral("@P3")}));
}

TEST(TdsWire, ListenAddresses)
{
    QString host, error;
    uint16_t port = 1;
    EXPECT_TRUE(parseListenAddress(QStringLiteral("localhost:0"), &host, &port, &error));
    EXPECT_EQ(host, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(port, 0);
    EXPECT_TRUE(isLoopbackAddress(QStringLiteral("127.0.0.2")));
    EXPECT_FALSE(isLoopbackAddress(QStringLiteral("0.0.0.0")));
    EXPECT_FALSE(isLoopbackAddress(QStringLiteral("192.168.0.1")));
    EXPECT_FALSE(parseListenAddress(QStringLiteral("127.0.0.1"), &host, &port, &error));
    EXPECT_FALSE(parseListenAddress(QStringLiteral("127.0.0.1:70000"), &host, &port, &error));
}

// --- the connection against an in-memory backend ------------------------------------------

namespace {

class FakeSession : public Session {
public:
    QString db;
    QString currentDatabase() const override { return db; }
};

// Answers every batch with one result set echoing the text, or an error for "fail".
class FakeBackend : public tds::Backend {
public:
    std::unique_ptr<Session> openSession(const QString&, const QString&, const QString&, const QString& database,
                                         ServerMessage* error) override
    {
        if (!database.isEmpty() && database != QStringLiteral("ORVO")) {
            error->number = 4060;
            error->severity = 11;
            error->text = QStringLiteral("Cannot open database \"%1\" requested by the login. The login failed.").arg(database);
            return nullptr;
        }
        auto s = std::make_unique<FakeSession>();
        s->db = QStringLiteral("ORVO");
        return s;
    }
    BatchResult execute(Session& session, const QString& batch) override
    {
        BatchResult r;
        StatementResult st;
        if (batch == QStringLiteral("fail")) {
            st.failed = true;
            st.messages.push_back(ServerMessage{102, 1, 15, QStringLiteral("Incorrect syntax near 'fail'."), {}, 1});
            r.aborted = true;
        } else if (batch == QStringLiteral("use")) {
            static_cast<FakeSession&>(session).db = QStringLiteral("Vuzur");
        } else {
            ResultSet rs;
            rs.columns.push_back(ColumnInfo{QStringLiteral("texto"), SqlType{TypeId::NVarChar, 5}, false, false, false, {}, {}});
            rs.columns.push_back(ColumnInfo{QStringLiteral("n"), SqlType{TypeId::Int}, true, true, false, {}, {}});
            rs.rows.push_back({make(TypeId::NVarChar, batch, 5), make(TypeId::Int, int64_t(42))});
            rs.rows.push_back({make(TypeId::NVarChar, QStringLiteral("b")), make(TypeId::Int, std::monostate{})});
            st.resultSet = rs;
            st.rowCount = 2;
        }
        r.statements.push_back(st);
        return r;
    }
};

struct RunningServer {
    FakeBackend backend;
    std::unique_ptr<Server> server;
    std::thread thread;
    explicit RunningServer(int loginTimeoutSeconds = 30)
    {
        ServerConfig config;
        config.loginTimeoutSeconds = loginTimeoutSeconds;
        config.logins.insert(QStringLiteral("orvo"), QStringLiteral("pw"));
        server = std::make_unique<Server>(backend, config);
        QString error;
        if (server->listen(QStringLiteral("127.0.0.1"), 0, &error))
            thread = std::thread([this] { server->serve(); });
    }
    ~RunningServer()
    {
        server->stop();
        if (thread.joinable())
            thread.join();
    }
};

}  // namespace

TEST(TdsConnection, LoginBatchesAndErrors)
{
    RunningServer rs;
    TdsTestClient c;
    ASSERT_TRUE(c.connect(rs.server->port()));
    QByteArray pre;
    ASSERT_TRUE(c.prelogin(&pre));
    // The ENCRYPTION option answers ENCRYPT_NOT_SUP (2).
    Reader r(pre);
    bool sawEncryption = false, sawMars = false;
    for (uint8_t t = r.u8(); t != 0xFF; t = r.u8()) {
        const int off = r.u16be(), len = r.u16be();
        if (t == 1) { sawEncryption = true; EXPECT_EQ(len, 1); EXPECT_EQ(pre[off], 2); }
        if (t == 4) sawMars = true;
    }
    EXPECT_TRUE(sawEncryption);
    EXPECT_TRUE(sawMars);  // without MARS in the answer FreeTDS falls back to TDS 7.1
    QByteArray reply;
    ASSERT_TRUE(c.sendMessage(0x10, TdsTestClient::login7(QStringLiteral("ORVO"), QStringLiteral("pw"), QString())));
    ASSERT_TRUE(c.readMessage(&reply));
    const TdsTestReply login = TdsTestClient::parse(reply);
    EXPECT_TRUE(login.loginAck);
    EXPECT_EQ(login.newDatabase, QStringLiteral("ORVO"));

    const TdsTestReply rows = c.batch(QStringLiteral("abc"));
    ASSERT_TRUE(rows.complete);
    EXPECT_EQ(rows.rows, (std::vector<QStringList>{{QStringLiteral("abc"), QStringLiteral("42")}, {QStringLiteral("b"), QStringLiteral("<null>")}}));
    EXPECT_EQ(rows.columnFlags[0] & 0x01, 0);
    EXPECT_EQ(rows.columnFlags[1] & 0x11, 0x11);
    EXPECT_EQ(rows.doneStatus.back(), DoneCount);
    EXPECT_EQ(rows.doneCounts.back(), 2u);

    const TdsTestReply failed = c.batch(QStringLiteral("fail"));
    ASSERT_EQ(failed.errors.size(), 1u);
    EXPECT_EQ(failed.errors[0].number, 102);
    EXPECT_EQ(failed.doneStatus.back() & DoneError, DoneError);

    const TdsTestReply use = c.batch(QStringLiteral("use"));
    EXPECT_EQ(use.newDatabase, QStringLiteral("Vuzur"));
    ASSERT_EQ(use.infos.size(), 1u);
    EXPECT_EQ(use.infos[0].number, 5701);

    // An attention when idle is acknowledged with DONE_ATTN.
    ASSERT_TRUE(c.sendMessage(0x06, QByteArray()));
    ASSERT_TRUE(c.readMessage(&reply));
    const TdsTestReply attn = TdsTestClient::parse(reply);
    EXPECT_EQ(attn.doneStatus.back(), DoneAttn);

    // A batch longer than one packet, sent in 512-byte packets, arrives whole.
    const QString longText(3000, u'x');
    EXPECT_EQ(c.batch(longText).rows.at(0).at(0), longText);
}

TEST(TdsConnection, BadLoginsAndGarbageCloseOnlyTheirConnection)
{
    RunningServer rs;
    TdsTestClient bad;
    ASSERT_TRUE(bad.connect(rs.server->port()));
    const TdsTestReply refused = bad.login(QStringLiteral("orvo"), QStringLiteral("PW"), QString());
    ASSERT_EQ(refused.errors.size(), 1u);
    EXPECT_EQ(refused.errors[0].number, 18456);
    EXPECT_EQ(refused.errors[0].text, QStringLiteral("Login failed for user 'orvo'."));
    EXPECT_TRUE(bad.waitClosed());

    TdsTestClient noDb;
    ASSERT_TRUE(noDb.connect(rs.server->port()));
    const TdsTestReply missing = noDb.login(QStringLiteral("orvo"), QStringLiteral("pw"), QStringLiteral("Outro"));
    ASSERT_EQ(missing.errors.size(), 2u);
    EXPECT_EQ(missing.errors[0].number, 4060);
    EXPECT_EQ(missing.errors[1].number, 18456);
    EXPECT_TRUE(noDb.waitClosed());

    TdsTestClient good;
    ASSERT_TRUE(good.connect(rs.server->port()));
    ASSERT_TRUE(good.login(QStringLiteral("orvo"), QStringLiteral("pw"), QString()).loginAck);

    for (const QByteArray& junk : {QByteArray::fromHex("0101000300000100"),
                                   QByteArray("GET / HTTP/1.1\r\n\r\n"), QByteArray::fromHex("1001ffff0000010000")}) {
        TdsTestClient g;
        ASSERT_TRUE(g.connect(rs.server->port()));
        g.sendRaw(junk);
        EXPECT_TRUE(g.waitClosed()) << junk.toHex().constData();
    }
    // A logged-in client sending an odd-length batch loses only its own connection.
    TdsTestClient odd;
    ASSERT_TRUE(odd.connect(rs.server->port()));
    ASSERT_TRUE(odd.login(QStringLiteral("orvo"), QStringLiteral("pw"), QString()).loginAck);
    odd.sendMessage(0x01, QByteArray::fromHex("1600000012000000020000000000000000000100000041"));
    EXPECT_TRUE(odd.waitClosed());

    EXPECT_EQ(good.batch(QStringLiteral("ainda")).rows.at(0).at(0), QStringLiteral("ainda"));
}

TEST(TdsConnection, SilentClientsAreDroppedBeforeLoginButNotAfter)
{
    RunningServer rs(1);
    TdsTestClient silent, prelogged, idle;
    ASSERT_TRUE(silent.connect(rs.server->port()));
    ASSERT_TRUE(prelogged.connect(rs.server->port()));
    ASSERT_TRUE(prelogged.prelogin());
    ASSERT_TRUE(idle.connect(rs.server->port()));
    ASSERT_TRUE(idle.login(QStringLiteral("orvo"), QStringLiteral("pw"), QString()).loginAck);
    EXPECT_TRUE(silent.waitClosed(4000));
    EXPECT_TRUE(prelogged.waitClosed(4000));
    EXPECT_EQ(idle.batch(QStringLiteral("depois")).rows.at(0).at(0), QStringLiteral("depois"));
}

TEST(TdsConnection, AttentionRightAfterABatchIsAcknowledged)
{
    RunningServer rs;
    TdsTestClient c;
    ASSERT_TRUE(c.connect(rs.server->port()));
    ASSERT_TRUE(c.login(QStringLiteral("orvo"), QStringLiteral("pw"), QString()).loginAck);
    const QString text = QStringLiteral("cancelar");
    const QByteArray batch = QByteArray::fromHex("16000000120000000200") + QByteArray(8, '\0') + QByteArray::fromHex("01000000")
          + QByteArray(reinterpret_cast<const char*>(text.utf16()), int(text.size()) * 2);
    ASSERT_TRUE(c.sendMessage(0x01, batch));
    ASSERT_TRUE(c.sendMessage(0x06, QByteArray()));
    // The client reads until the DONE that carries the attention flag; results before it are dropped.
    bool acknowledged = false;
    for (int i = 0; i < 3 && !acknowledged; ++i) {
        QByteArray reply;
        ASSERT_TRUE(c.readMessage(&reply));
        const TdsTestReply r = TdsTestClient::parse(reply);
        acknowledged = !r.doneStatus.empty() && (r.doneStatus.back() & DoneAttn);
    }
    EXPECT_TRUE(acknowledged);
    EXPECT_EQ(c.batch(QStringLiteral("depois")).rows.at(0).at(0), QStringLiteral("depois"));
}
