// Builds Wexlin scripts from fuzz input bytes. The bytes are a stream of
// choices: which statement, which operator, which literal, which builtin. A
// mutation of the bytes becomes a different but still well-formed script, so
// the fuzzer explores the interpreter rather than the parser's recovery.
//
// Every generated script stops by itself: each loop iteration and each call
// of a generated function first counts one step on a global counter and
// leaves once the script's step budget is spent. Nothing reaches the
// network, starts a program or opens a window; file functions get only
// relative paths from a fixed set, so they stay inside the working folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class FuzzedDataProvider;

namespace wexlin::fuzz {

// Name of the script module the interpreter target writes into its working
// folder, and its source.
inline constexpr const char* module_name = "gm";
extern const char* const module_source;

std::string generate_script(FuzzedDataProvider& input);

} // namespace wexlin::fuzz
