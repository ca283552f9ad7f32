// The http. entry point: checks each function's arguments and hands the work
// to the server, client and page utilities.
#include "interpreter/module_entry.h"
#include "modules/http/http_client.h"
#include "modules/http/http_json.h"
#include "modules/http/http_server.h"
#include "modules/http/http_status.h"
#include "modules/http/http_template.h"
#include "modules/http/http_text.h"
#include "modules/http/route_table.h"
#include "support/limits.h"

namespace wexlin {

namespace {

using Arguments = std::vector<Value>;

Value page(Arguments& args) {
    if (args.size() < 2) return Value::error("page requires a path and content");
    http::RouteTable::the().add(args[0].display_text(), args[1].display_text());
    return Value::null();
}

Value serve(Arguments& args) {
    if (args.empty()) return Value::error("serve requires a port number");
    std::int64_t port = 0;
    if (!numeric_argument(args[0], port)) return Value::error("Port must be a number");
    // Only the low 16 bits count: 70000 serves on 4464, -1 on 65535.
    auto error = http::serve(static_cast<std::uint16_t>(port));
    return Value::error("Failed to bind to port: " + error);
}

Value template_(Arguments& args) {
    if (args.empty()) return Value::error("template requires a filepath");
    auto read = http::read_template(args[0].display_text());
    return read.ok ? Value::string(std::move(read.text)) : Value::error(std::move(read.text));
}

Value json(Arguments& args) {
    if (args.empty()) return Value::error("json requires an argument");
    try {
        return Value::string(http::to_json(args[0]));
    } catch (const limits::LimitExceeded& e) {
        return Value::error(e.what());
    }
}

Value status(Arguments& args) {
    if (args.empty()) return Value::error("status requires a status code");
    std::int64_t code = 0;
    if (!numeric_argument(args[0], code)) return Value::error("Status code must be a number");
    if (args.size() == 1) return Value::string(http::status_line(code, http::reason_phrase(code)));
    return Value::string(http::status_line(code, args[1].display_text()));
}

Value request(std::string_view url, std::string_view method, std::string_view body) {
    auto result = http::http_request(url, method, body);
    return result.ok ? Value::string(std::move(result.text)) : Value::error(std::move(result.text));
}

Value get(Arguments& args) {
    if (args.empty()) return Value::error("get requires a url");
    return request(args[0].display_text(), "GET", "");
}

Value post(Arguments& args) {
    if (args.size() < 2) return Value::error("post requires a url and body");
    return request(args[0].display_text(), "POST", args[1].display_text());
}

Value send(Arguments& args) {
    if (args.size() < 2) return Value::error("send requires url, method, and optionally body");
    std::string body = args.size() > 2 ? args[2].display_text() : std::string();
    return request(args[0].display_text(), http::to_upper(args[1].display_text()), body);
}

constexpr NativeFunction functions[] = {
    {"page", without_state<page>}, {"serve", without_state<serve>},   {"template", without_state<template_>},
    {"json", without_state<json>}, {"status", without_state<status>}, {"send", without_state<send>},
    {"get", without_state<get>},   {"post", without_state<post>},
};

} // namespace

std::span<const NativeFunction> http_functions() {
    return functions;
}

std::optional<Value> http_call(std::string_view name, std::vector<Value>& args) {
    if (!name.starts_with("http.")) return std::nullopt;
    for (const NativeFunction& function : functions)
        if (function.name == name.substr(5)) return function.run(args, nullptr);
    return std::nullopt;
}

} // namespace wexlin
