#pragma once

#include <optional>
#include <string>

// Documents are named by URIs; modules are found by path. Only file URIs have a path.

// The path of a "file://" URI, its escapes decoded; none for any other URI.
std::optional<std::string> pathofuri(const std::string& uri);

// The file URI of an absolute path, escaping what a URI's path may not hold.
std::string uriofpath(const std::string& path);
