#pragma once

// Inside orv only: the HTTP side of talking to the application server, shared by the module's
// connection and the login.

#include "orv/ServerSession.h"

#include <httplib.h>

#include <memory>
#include <string>

namespace orv::detail {

// A client of the server with what every call needs: keep-alive, no Nagle delay, timeouts and,
// over https, a verified certificate (name and authority).
std::unique_ptr<httplib::Client> MakeServerClient(const ServerEndpoint& at, int timeoutSeconds);

// Why a request did not get an answer, in Portuguese.
QString Describe(httplib::Error error);

// The message of a JSON-RPC error answer; empty when the body is no such answer.
QString ErrorMessage(const std::string& body);

}  // namespace orv::detail
