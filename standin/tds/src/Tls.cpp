#include "Tls.h"

#include "TdsWire.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

namespace standin::tds {

namespace {

QString lastSslError()
{
    QString text;
    while (const unsigned long e = ERR_get_error()) {
        char buf[256];
        ERR_error_string_n(e, buf, sizeof buf);
        if (!text.isEmpty())
            text += QStringLiteral("; ");
        text += QString::fromLatin1(buf);
    }
    return text.isEmpty() ? QStringLiteral("TLS failure") : text;
}

}  // namespace

std::shared_ptr<TlsContext> TlsContext::load(const QString& certificateFile, const QString& keyFile, QString* error)
{
    std::shared_ptr<TlsContext> c(new TlsContext);
    c->ctx_ = SSL_CTX_new(TLS_server_method());
    if (!c->ctx_) {
        *error = lastSslError();
        return nullptr;
    }
    // TDS 7.x runs TLS up to 1.2 inside PRELOGIN; 1.3 belongs to TDS 8, which starts with TLS.
    SSL_CTX_set_min_proto_version(c->ctx_, TLS1_2_VERSION);
    SSL_CTX_set_max_proto_version(c->ctx_, TLS1_2_VERSION);
    SSL_CTX_set_session_cache_mode(c->ctx_, SSL_SESS_CACHE_OFF);
    SSL_CTX_set_options(c->ctx_, SSL_OP_NO_TICKET);
    const QByteArray cert = certificateFile.toLocal8Bit(), key = keyFile.toLocal8Bit();
    if (SSL_CTX_use_certificate_chain_file(c->ctx_, cert.constData()) != 1) {
        *error = QStringLiteral("cannot use the certificate %1: %2").arg(certificateFile, lastSslError());
        return nullptr;
    }
    if (SSL_CTX_use_PrivateKey_file(c->ctx_, key.constData(), SSL_FILETYPE_PEM) != 1
        || SSL_CTX_check_private_key(c->ctx_) != 1) {
        *error = QStringLiteral("cannot use the private key %1: %2").arg(keyFile, lastSslError());
        return nullptr;
    }
    return c;
}

TlsContext::~TlsContext() { SSL_CTX_free(ctx_); }

TlsSession::TlsSession(const TlsContext& context)
{
    ssl_ = SSL_new(context.handle());
    in_ = BIO_new(BIO_s_mem());
    out_ = BIO_new(BIO_s_mem());
    BIO_set_mem_eof_return(in_, -1);  // an empty input means "wait for more", not end of stream
    SSL_set_bio(ssl_, in_, out_);
    SSL_set_accept_state(ssl_);
}

TlsSession::~TlsSession() { SSL_free(ssl_); }

QByteArray TlsSession::drainOutput()
{
    QByteArray out;
    char buf[16384];
    int n;
    while ((n = BIO_read(out_, buf, int(sizeof buf))) > 0)
        out.append(buf, n);
    return out;
}

bool TlsSession::handshake(const QByteArray& fromClient, QByteArray* reply, QString* error)
{
    ERR_clear_error();
    if (!fromClient.isEmpty())
        BIO_write(in_, fromClient.constData(), int(fromClient.size()));
    const int r = SSL_do_handshake(ssl_);
    reply->append(drainOutput());
    if (r == 1) {
        established_ = true;
        return true;
    }
    const int e = SSL_get_error(ssl_, r);
    if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE)
        return true;
    *error = lastSslError();
    return false;
}

QByteArray TlsSession::seal(const QByteArray& plain)
{
    ERR_clear_error();
    if (!plain.isEmpty() && SSL_write(ssl_, plain.constData(), int(plain.size())) <= 0)
        throw ProtocolError("TLS write failed");
    return drainOutput();
}

QByteArray TlsSession::open(const QByteArray& records)
{
    ERR_clear_error();
    if (!records.isEmpty())
        BIO_write(in_, records.constData(), int(records.size()));
    QByteArray plain;
    char buf[16384];
    for (;;) {
        const int n = SSL_read(ssl_, buf, int(sizeof buf));
        if (n > 0) {
            plain.append(buf, n);
            continue;
        }
        const int e = SSL_get_error(ssl_, n);
        if (e == SSL_ERROR_WANT_READ)
            break;
        throw ProtocolError("TLS stream ended or is corrupt");
    }
    return plain;
}

}  // namespace standin::tds
