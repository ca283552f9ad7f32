// JSON text of a value, with no white space. Strings and keys are escaped and
// non-finite floats become null, so the output always parses as JSON; "<",
// ">" and "&" are escaped too, so the text is also safe inside an HTML page.
#pragma once

#include <string>

#include "interpreter/value.h"

namespace wexlin::http {

std::string to_json(const Value& value);

// Appends the JSON text of value to out.
void append_json(std::string& out, const Value& value);

// Appends text as a JSON string literal, quotes included.
void append_json_string(std::string& out, std::string_view text);

} // namespace wexlin::http
