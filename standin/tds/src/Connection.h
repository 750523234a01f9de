// One client connection: PRELOGIN, LOGIN7, then SQL batches, RPC requests and attentions,
// answered with TDS token streams. Runs on its own thread over a connected socket.
#pragma once

#include "Backend.h"
#include "TdsWire.h"
#include "Tls.h"

#include <QHash>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

namespace standin::tds {

struct ServerConfig {
    // Logins by lower-cased name -> password. Empty: every login is accepted.
    QHash<QString, QString> logins;
    // Default language of a login (lower-cased name -> language name); us_english when absent.
    QHash<QString, QString> loginLanguages;
    QString serverName = QStringLiteral("SQLSTANDIN");
    int maxMessageBytes = 256 * 1024 * 1024;
    int loginTimeoutSeconds = 30;
    // The certificate offered to clients; without one the server answers that it cannot encrypt.
    std::shared_ptr<TlsContext> tls;
    // Refuse clients that do not encrypt the whole session.
    bool forceEncryption = false;
};

class Connection {
public:
    Connection(int fd, Backend& backend, const ServerConfig& config, int spid);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Serves the client until it leaves, breaks the protocol or the socket fails.
    void run();
    // Closes the socket from another thread (server shutdown).
    void abort();

private:
    struct Message {
        uint8_t type = 0;
        QByteArray payload;
    };
    bool readMessage(Message& m);
    bool readFully(char* buf, int n);
    bool readRaw(char* buf, int n);
    void writeRaw(const char* data, int n);
    void send(const QByteArray& tokens, uint8_t type = ReplyPacket);
    bool attentionPending();
    // Whether the client sent a cancel; asked by the engine between statements of a running batch.
    bool cancelArrived();

    bool handlePrelogin(const Message& m);
    // TLS (Tls.cpp side of the connection, in ConnectionTls.cpp).
    // The ENCRYPTION answer for what the client offered, and what the session will run with.
    uint8_t negotiateEncryption(uint8_t client);
    // Runs the TLS handshake carried in PRELOGIN packets. False when it fails.
    bool runTlsHandshake();
    // Reads whatever the socket has (without blocking when `wait` is false) into plainIn_.
    bool pullTls(bool wait);
    // After an encrypted LOGIN7 of a login-only session the connection goes back to clear text.
    void endLoginEncryption();
    bool handleLogin(const Message& m);
    void handleBatch(const Message& m);
    void handleRpc(const Message& m);
    void sendAttentionAck();

    // Token stream pieces.
    void writeMessage(Writer& w, const ServerMessage& msg, bool error);
    void writeEnvChange(Writer& w, uint8_t type, const QString& newValue, const QString& oldValue);
    void writeDone(Writer& w, uint8_t token, uint16_t status, uint16_t curCmd, int64_t rows);
    void writeResultSet(Writer& w, const ResultSet& rs);
    // Writes the tokens of a batch result; the final DONE uses `finalToken` and `more` for the last one.
    void writeBatchResult(Writer& w, const BatchResult& r, const QString& dbBefore, bool insideRpc,
                          const QString& languageBefore);

    int skipAllHeaders(const QByteArray& payload);
    ServerMessage protocolMessage(int number, const QString& text, int severity = 16) const;

    int fd_;
    Backend& backend_;
    const ServerConfig& config_;
    int spid_;
    uint32_t version_ = Tds74;
    int packetSize_ = 4096;
    uint8_t packetId_ = 1;
    std::unique_ptr<Session> session_;
    bool attention_ = false;  // a cancel arrived while the current request ran
    QHash<int, QPair<QString, QString>> prepared_;  // handle -> (declarations, statement)
    int nextHandle_ = 1;
    std::atomic<bool> closed_{false};

    enum class Encryption { Off, LoginOnly, Full, Refused };
    Encryption encryption_ = Encryption::Off;
    std::unique_ptr<TlsSession> tls_;  // set while TLS carries the traffic
    QByteArray plainIn_;               // decrypted bytes not yet read
};

// Replaces @name parameters of a statement (outside strings, comments and quoted names) by literals.
QString substituteParameters(const QString& statement, const QHash<QString, QString>& literals);
// The parameter names of a declaration list "@P1 int, @P2 nvarchar(10) OUTPUT", in order.
QStringList declaredParameterNames(const QString& declarations);

}  // namespace standin::tds
