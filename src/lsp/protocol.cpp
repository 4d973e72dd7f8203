#include "lsp/protocol.hpp"

json result(const json& id, json value) { return {{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(value)}}; }

json failure(const json& id, int code, const std::string& message) {
    return {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

json notification(const std::string& method, json params) {
    return {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

std::string serialised(const json& message) { return message.dump(-1, ' ', false, json::error_handler_t::replace); }

json positionjson(const lineposition& at) { return {{"line", at.line}, {"character", at.character}}; }

json rangejson(const linerange& range) { return {{"start", positionjson(range.start)}, {"end", positionjson(range.end)}}; }

lineposition positionfrom(const json& at) {
    return {at.at("line").get<std::size_t>(), at.at("character").get<std::size_t>()};
}
