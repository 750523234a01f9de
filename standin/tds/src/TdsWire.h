// Byte-level pieces of the TDS protocol: packet framing, little-endian readers and writers,
// token and type constants, and the encoding of engine values as TDS column data.
#pragma once

#include "standin/Engine.h"
#include "standin/Value.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <stdexcept>

namespace standin::tds {

// TDS versions as they appear in LOGINACK (big-endian order of the LOGIN7 field).
enum : uint32_t {
    Tds71 = 0x71000001,
    Tds72 = 0x72090002,
    Tds73A = 0x730A0003,
    Tds73B = 0x730B0003,
    Tds74 = 0x74000004,
};

enum PacketType : uint8_t {
    SqlBatchPacket = 0x01,
    RpcPacket = 0x03,
    ReplyPacket = 0x04,
    AttentionPacket = 0x06,
    BulkLoadPacket = 0x07,
    TransactionManagerPacket = 0x0E,
    Login7Packet = 0x10,
    SspiPacket = 0x11,
    PreloginPacket = 0x12,
};

enum Token : uint8_t {
    ReturnStatusToken = 0x79,
    ColMetadataToken = 0x81,
    OrderToken = 0xA9,
    ErrorToken = 0xAA,
    InfoToken = 0xAB,
    ReturnValueToken = 0xAC,
    LoginAckToken = 0xAD,
    RowToken = 0xD1,
    NbcRowToken = 0xD2,
    EnvChangeToken = 0xE3,
    DoneToken = 0xFD,
    DoneProcToken = 0xFE,
    DoneInProcToken = 0xFF,
};

enum DoneStatus : uint16_t {
    DoneFinal = 0x00,
    DoneMore = 0x01,
    DoneError = 0x02,
    DoneCount = 0x10,
    DoneAttn = 0x20,
    DoneSrvError = 0x100,
};

// TDS data type bytes (TYPE_INFO).
enum WireType : uint8_t {
    ImageType = 0x22,
    TextType = 0x23,
    GuidType = 0x24,
    IntNType = 0x26,
    DateNType = 0x28,
    TimeNType = 0x29,
    DateTime2NType = 0x2A,
    DateTimeOffsetNType = 0x2B,
    Int1Type = 0x30,
    BitType = 0x32,
    Int2Type = 0x34,
    Int4Type = 0x38,
    DateTim4Type = 0x3A,
    Flt4Type = 0x3B,
    MoneyType = 0x3C,
    DateTimeType = 0x3D,
    Flt8Type = 0x3E,
    SqlVariantType = 0x62,
    NTextType = 0x63,
    BitNType = 0x68,
    DecimalNType = 0x6A,
    NumericNType = 0x6C,
    FltNType = 0x6D,
    MoneyNType = 0x6E,
    DateTimNType = 0x6F,
    Money4Type = 0x7A,
    Int8Type = 0x7F,
    BigVarBinType = 0xA5,
    BigVarCharType = 0xA7,
    BigBinaryType = 0xAD,
    BigCharType = 0xAF,
    NVarCharType = 0xE7,
    NCharType = 0xEF,
    XmlType = 0xF1,
    UdtType = 0xF0,
    DecimalType = 0x37,
    NumericType = 0x3F,
    VarCharType = 0x27,
    VarBinaryType = 0x25,
    CharType = 0x2F,
    BinaryType = 0x2D,
};

// Latin1_General_CI_AS: LCID 0x0409, ignore case, kana and width; Windows sort (id 0).
extern const char kCollation[5];

// Thrown when a client message is malformed; the connection answers or closes, the server goes on.
struct ProtocolError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Reads little-endian fields from a message, checking every bound.
class Reader {
public:
    explicit Reader(const QByteArray& data, int pos = 0) : d(data), p(pos) {}
    int pos() const { return p; }
    int remaining() const { return int(d.size()) - p; }
    bool atEnd() const { return p >= d.size(); }
    void seek(int pos);
    void skip(int n);
    uint8_t u8();
    uint16_t u16();
    uint16_t u16be();
    uint32_t u32();
    uint64_t u64();
    QByteArray bytes(int n);
    QString utf16(int chars);  // n UTF-16 code units
    QString bVarChar() { return utf16(u8()); }
    QString usVarChar() { return utf16(u16()); }

private:
    const QByteArray& d;
    int p;
};

// Appends little-endian fields.
class Writer {
public:
    QByteArray buf;
    void u8(uint8_t v) { buf.append(char(v)); }
    void u16(uint16_t v);
    void u16be(uint16_t v);
    void u32(uint32_t v);
    void u32be(uint32_t v);
    void u64(uint64_t v);
    void bytes(const QByteArray& b) { buf.append(b); }
    void bytes(const char* b, int n) { buf.append(b, n); }
    void utf16(const QString& s);
    void bVarChar(const QString& s);   // length in characters as one byte (cut at 255)
    void usVarChar(const QString& s);  // length in characters as two bytes
    int size() const { return int(buf.size()); }
    void patchU16(int at, uint16_t v);
};

// Windows code page 1252, the code page of Latin1_General collations.
QByteArray toCp1252(const QString& s);
QString fromCp1252(const QByteArray& b);

// How a column of a given engine type travels on the wire for one negotiated TDS version.
struct WireColumn {
    uint8_t type = IntNType;
    int length = 0;      // max byte length as sent in TYPE_INFO (0xFFFF for PLP)
    int precision = 0;
    int scale = 0;
    bool plp = false;    // (max) types in 7.2+
    bool collation = false;
    bool tablename = false;  // text/ntext/image carry a table name in COLMETADATA
    bool asText = false;     // date/time types sent as nvarchar to clients before 7.3
};

WireColumn wireColumn(const SqlType& t, uint32_t tdsVersion);

// TYPE_INFO followed (for text types) by the table name, as in COLMETADATA.
void writeTypeInfo(Writer& w, const WireColumn& c, const QString& tableName, uint32_t tdsVersion);
// One column value of a ROW token.
void writeValue(Writer& w, const WireColumn& c, const Value& v, uint32_t tdsVersion);
// Whether writeValue would write nothing but a null marker (for NBCROW).
bool isNullOnWire(const Value& v);

// Client-sent typed values (RPC parameters): TYPE_INFO then the value.
struct WireParam {
    QString name;
    uint8_t status = 0;
    Value value;
};
WireParam readParam(Reader& r, uint32_t tdsVersion);

// Text of a value as a T-SQL literal (N'..', 0x.., CAST('..' AS datetime) ...).
QString sqlLiteral(const Value& v);

}  // namespace standin::tds
