// Page texts kept in files: read whole and returned unchanged (no
// placeholder is filled in).
#pragma once

#include <string>
#include <string_view>

namespace wexlin::http {

struct TemplateResult {
    bool ok{false};
    std::string text; // the file's text, or the failure message
};

TemplateResult read_template(std::string_view path);

} // namespace wexlin::http
