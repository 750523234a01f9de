// A minimal TDS 7.x client for tests: raw packets, PRELOGIN, LOGIN7, SQL batches and a token
// reader for the common types. Lets tests check the server byte by byte and send garbage.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

struct TdsTestMessage {
    int number = 0;
    int severity = 0;
    QString text;
};

struct TdsTestReply {
    bool complete = false;                 // the final DONE arrived
    QStringList columns;
    std::vector<uint8_t> columnTypes;
    std::vector<uint16_t> columnFlags;
    std::vector<QStringList> rows;         // values as text; NULL as "<null>"
    std::vector<TdsTestMessage> errors;
    std::vector<TdsTestMessage> infos;
    std::vector<uint16_t> doneStatus;
    std::vector<uint64_t> doneCounts;
    QString newDatabase;                   // from ENVCHANGE type 1
    bool loginAck = false;
};

class TdsTestClient {
public:
    ~TdsTestClient();
    bool connect(uint16_t port);
    void close();
    bool isOpen() const { return fd >= 0; }

    bool sendRaw(const QByteArray& bytes);
    bool sendMessage(uint8_t type, const QByteArray& payload, int packetSize = 4096);
    // Reads one whole message (until the end-of-message bit); false on timeout or close.
    bool readMessage(QByteArray* payload, uint8_t* type = nullptr, int timeoutMs = 10000);
    // True when the server closed the connection within the time.
    bool waitClosed(int timeoutMs = 5000);

    bool prelogin(QByteArray* reply = nullptr);
    static QByteArray login7(const QString& user, const QString& password, const QString& database,
                             const QString& host = QStringLiteral("testhost"), uint32_t version = 0x74000004);
    TdsTestReply login(const QString& user, const QString& password, const QString& database);
    TdsTestReply batch(const QString& sql);
    static TdsTestReply parse(const QByteArray& tokens);

    int fd = -1;
};
