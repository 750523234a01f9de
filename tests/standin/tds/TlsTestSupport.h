// Test certificates made at test time, and a loopback relay that records what crosses it.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

// A certificate authority and server certificates signed by it, generated with the openssl
// program into a temporary directory (no key ever leaves it).
class TestCertificates {
public:
    // Throws std::runtime_error when openssl fails.
    TestCertificates();
    QString caFile() const { return dir_.filePath(QStringLiteral("ca.pem")); }
    // For 127.0.0.1 and localhost.
    QString serverCert() const { return dir_.filePath(QStringLiteral("server.pem")); }
    QString serverKey() const { return dir_.filePath(QStringLiteral("server.key")); }
    // Signed by the same authority, for another host name.
    QString otherHostCert() const { return dir_.filePath(QStringLiteral("other.pem")); }
    QString otherHostKey() const { return dir_.filePath(QStringLiteral("other.key")); }

private:
    QTemporaryDir dir_;
};

// Listens on a free loopback port and forwards every connection to `targetPort`, keeping a
// copy of all bytes that cross it, in both directions.
class LoopbackRelay {
public:
    explicit LoopbackRelay(int targetPort);
    ~LoopbackRelay();
    int port() const { return port_; }
    QByteArray seen() const;
    // Whether `text` crossed in the UTF-16LE form TDS uses for names and statements.
    bool sawUtf16(const QString& text) const;

private:
    void acceptLoop();
    void pump(int client);

    int targetPort_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_ {false};
    std::thread acceptor_;
    std::vector<std::thread> pumps_;
    mutable std::mutex mutex_;
    QByteArray seen_;
};
