// The listening socket and one thread per client connection.
#pragma once

#include "Connection.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>

namespace standin::tds {

// Parses "HOST:PORT"; localhost means 127.0.0.1. Returns false with a message on bad input.
bool parseListenAddress(const QString& text, QString* host, uint16_t* port, QString* error);
bool isLoopbackAddress(const QString& host);

class Server {
public:
    Server(Backend& backend, ServerConfig config);
    ~Server();

    // Binds and listens. Port 0 picks a free port (see port()).
    bool listen(const QString& host, uint16_t port, QString* error);
    uint16_t port() const { return port_; }
    // Accepts clients until stop() is called (from another thread or a signal-safe path).
    void serve();
    // Stops accepting, closes every connection and waits for their threads.
    void stop();

    int maxConnections = 256;

private:
    Backend& backend_;
    ServerConfig config_;
    int listenFd_ = -1;
    uint16_t port_ = 0;
    int nextSpid_ = 51;
    std::mutex mutex_;
    std::condition_variable idle_;
    std::set<std::shared_ptr<Connection>> active_;
    bool stopping_ = false;
};

}  // namespace standin::tds
