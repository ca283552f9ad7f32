#include "parser/ast.h"

#include "support/tree_release.h"

namespace wexlin {

Expression::~Expression() {
    release_chains(left, right);
}

} // namespace wexlin
