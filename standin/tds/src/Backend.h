// What the protocol layer needs from whatever runs the batches: sessions and batch execution.
// The server adapts the real engine to it (EngineBackend); protocol tests may use a small double.
#pragma once

#include "standin/Engine.h"

#include <memory>

namespace standin::tds {

class Backend {
public:
    virtual ~Backend() = default;
    // Opens a session for an authenticated login. An empty database means the login's default.
    // Returns nullptr with `error` set (4060) when the database does not exist.
    virtual std::unique_ptr<Session> openSession(const QString& login, const QString& hostName,
                                                 const QString& appName, const QString& database,
                                                 ServerMessage* error) = 0;
    // Runs one batch for the session (serialized with every other session's batches).
    virtual BatchResult execute(Session& session, const QString& batch) = 0;
    // Ends a session when its connection closes (serialized with the batches, since ending a
    // session may undo its open work).
    virtual void closeSession(std::unique_ptr<Session> session) { session.reset(); }
};

}  // namespace standin::tds
