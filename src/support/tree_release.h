// Releasing deep expression trees without deep recursion: long chains
// (a + b + c + ...) are taken apart iteratively, so that dropping a deep
// program cannot exhaust the stack. Serves any node type with `left`,
// `right`, `items` and `entries` children.
#pragma once

#include <memory>
#include <utility>
#include <vector>

namespace wexlin {

template <class NodeType>
void release_chains(std::unique_ptr<NodeType>& left, std::unique_ptr<NodeType>& right) {
    std::vector<std::unique_ptr<NodeType>> pending;
    auto take = [&](std::unique_ptr<NodeType>& child) {
        if (child && (child->left || child->right || !child->items.empty() || !child->entries.empty()))
            pending.push_back(std::move(child));
    };
    take(left);
    take(right);
    while (!pending.empty()) {
        std::unique_ptr<NodeType> node = std::move(pending.back());
        pending.pop_back();
        take(node->left);
        take(node->right);
        // node is released here with its chains already detached
    }
}

} // namespace wexlin
