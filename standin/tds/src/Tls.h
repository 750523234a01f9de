// TLS for TDS connections. SQL Server carries the TLS handshake inside PRELOGIN packets and,
// once it is done, sends TLS records straight over the socket; the TDS packets travel inside
// them. The session works on memory buffers so that the connection decides what goes where.
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;
typedef struct bio_st BIO;

namespace standin::tds {

// The server's certificate and private key, loaded once and shared by every connection.
class TlsContext {
public:
    // Loads a PEM certificate (chain) and its PEM private key. nullptr with `error` set when the
    // files cannot be read or do not belong together.
    static std::shared_ptr<TlsContext> load(const QString& certificateFile, const QString& keyFile, QString* error);
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    SSL_CTX* handle() const { return ctx_; }

private:
    TlsContext() = default;
    SSL_CTX* ctx_ = nullptr;
};

// One connection's TLS state (server side).
class TlsSession {
public:
    explicit TlsSession(const TlsContext& context);
    ~TlsSession();
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    // Feeds handshake bytes from the client and advances the handshake. Whatever the server has
    // to answer is appended to `reply`. Returns false when the handshake failed (`error` says why).
    bool handshake(const QByteArray& fromClient, QByteArray* reply, QString* error);
    bool established() const { return established_; }

    // Encrypts application data into TLS records.
    QByteArray seal(const QByteArray& plain);
    // Feeds TLS records from the client; returns the application data they carried (possibly
    // nothing while a record is incomplete). Throws ProtocolError on a corrupt or closing stream.
    QByteArray open(const QByteArray& records);

private:
    QByteArray drainOutput();

    SSL* ssl_ = nullptr;
    BIO* in_ = nullptr;  // owned by ssl_
    BIO* out_ = nullptr;  // owned by ssl_
    bool established_ = false;
};

}  // namespace standin::tds
