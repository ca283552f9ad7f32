// Where runtimes come from: the download server's address, and the cache under
// .wexlin/cache/<platform>/ that keeps each platform's runtime between builds.
#pragma once

#include <string>

#include "builder/targets.h"

namespace wexlin::builder {

// Scheme, host and port of the runtime server, without a trailing "/": the
// value of WEXLIN_RUNTIME_URL when set, else the address compiled in.
std::string runtime_server();
// The archive's full address: server, "/wexlin/", version, "/", archive name.
std::string runtime_url(const Target& target);

struct CachedRuntime {
    std::string folder; // .wexlin/cache/<platform name>
    std::string path;   // the runtime file inside it
};

CachedRuntime cache_location(const Target& target);

// Makes sure the target's runtime is in the cache, downloading and unpacking
// it when it is not. Build errors end the process. When the target is the
// host's and the download fails, this executable itself is cached instead.
CachedRuntime obtain_runtime(const Target& target, bool target_is_host);

} // namespace wexlin::builder
