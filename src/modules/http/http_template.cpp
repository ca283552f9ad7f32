#include "modules/http/http_template.h"

#include "platform/file_system.h"
#include "support/utf8.h"

namespace wexlin::http {

TemplateResult read_template(std::string_view path) {
    TemplateResult result;
    auto read = platform::read_file(path);
    if (!read.ok) {
        result.text = "Failed to read template: " + read.error;
    } else if (!utf8::is_valid(read.bytes)) {
        result.text = "Failed to read template: stream did not contain valid UTF-8";
    } else {
        result.ok = true;
        result.text = std::move(read.bytes);
    }
    return result;
}

} // namespace wexlin::http
