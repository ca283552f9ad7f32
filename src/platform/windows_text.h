// UTF-8 on the program's side, UTF-16 on the Windows side: every "W" call of
// the Windows platform code goes through these, and system messages come back
// as UTF-8 text.
#pragma once

#include <string>
#include <string_view>

namespace wexlin::platform::windows {

// Invalid UTF-8 becomes U+FFFD rather than cutting the text short.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);

// The system's message for an error code of GetLastError or WSAGetLastError,
// without the trailing line end (and full stop) the system adds.
std::string error_text(unsigned long code);

} // namespace wexlin::platform::windows
