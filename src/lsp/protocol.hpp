#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "lsp/textlines.hpp"

// JSON-RPC 2.0 as the protocol uses it, and its shapes of positions and ranges.

using json = nlohmann::json;

namespace rpcerror {
inline constexpr int parse = -32700;
inline constexpr int invalidrequest = -32600;
inline constexpr int methodnotfound = -32601;
inline constexpr int invalidparams = -32602;
inline constexpr int notinitialized = -32002;
}  // namespace rpcerror

json result(const json& id, json value);
json failure(const json& id, int code, const std::string& message);
json notification(const std::string& method, json params);

// The text of a message. Text from a file on disk may hold bytes that are not UTF-8: they are sent
// as U+FFFD rather than stopping the reply.
std::string serialised(const json& message);

json positionjson(const lineposition& at);
json rangejson(const linerange& range);
// A position the client sent; a malformed one throws json::exception.
lineposition positionfrom(const json& at);
