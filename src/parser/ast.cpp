#include "parser/ast.h"

namespace wexlin {

// Long left-leaning chains (a + b + c + ...) are taken apart iteratively so
// that releasing a deep tree cannot exhaust the stack.
Expression::~Expression() {
    std::vector<ExprPtr> pending;
    auto take = [&](ExprPtr& child) {
        if (child && (child->left || child->right || !child->items.empty() || !child->entries.empty()))
            pending.push_back(std::move(child));
    };
    take(left);
    take(right);
    while (!pending.empty()) {
        ExprPtr node = std::move(pending.back());
        pending.pop_back();
        take(node->left);
        take(node->right);
        // node is released here with its chains already detached
    }
}

} // namespace wexlin
