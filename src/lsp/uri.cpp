#include "lsp/uri.hpp"

#include <cctype>
#include <string_view>

namespace {

int hexvalue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool keptinpath(unsigned char c) {
    return std::isalnum(c) || std::string_view("-._~/!$&'()*+,;=:@").find(static_cast<char>(c)) != std::string_view::npos;
}

}  // namespace

std::optional<std::string> pathofuri(const std::string& uri) {
    constexpr std::string_view scheme = "file://";
    if (!uri.starts_with(scheme)) return std::nullopt;
    std::string_view rest = std::string_view(uri).substr(scheme.size());
    // The authority is empty or names this host.
    if (rest.starts_with("localhost/")) rest.remove_prefix(9);
    if (!rest.starts_with('/')) return std::nullopt;
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && hexvalue(rest[i + 1]) >= 0 && hexvalue(rest[i + 2]) >= 0) {
            path += static_cast<char>(hexvalue(rest[i + 1]) * 16 + hexvalue(rest[i + 2]));
            i += 2;
        } else {
            path += rest[i];
        }
    }
    return path;
}

std::string uriofpath(const std::string& path) {
    constexpr char digits[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (char c : path) {
        auto byte = static_cast<unsigned char>(c);
        if (keptinpath(byte)) {
            uri += c;
        } else {
            uri += '%';
            uri += digits[byte >> 4];
            uri += digits[byte & 15];
        }
    }
    return uri;
}
