#include "crashreport/base/TypeRegistry.h"

#include "crashreport/base/TmyBinaryTree.h"

#include <atomic>

namespace errvane {
namespace {
std::atomic<TmyBinaryTree*> g_tree{nullptr};
}

void TypeRegistry::Attach(TmyBinaryTree* tree) { g_tree.store(tree); }

TmyBinaryTree* TypeRegistry::Detach() { return g_tree.exchange(nullptr); }

void TypeRegistry::Register(const void* classIdentity, std::uint32_t id) {
    TmyBinaryTree* tree = g_tree.load();
    if (tree == nullptr) return;
    std::uintptr_t value = 0;
    if (!tree->Find(classIdentity, &value)) tree->Insert(classIdentity, id);
}

std::uint32_t TypeRegistry::Find(const void* classIdentity) {
    TmyBinaryTree* tree = g_tree.load();
    std::uintptr_t value = 0;
    if (tree == nullptr || !tree->Find(classIdentity, &value)) return 0;
    return static_cast<std::uint32_t>(value);
}

}  // namespace errvane
