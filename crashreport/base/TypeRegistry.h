#pragma once
#include <cstdint>

namespace errvane {

class TmyBinaryTree;

// Class identity -> type id, kept in the application's binary tree. Without an application
// (before load finishes, or in tests) registrations are dropped and every class reads as id 0.
class TypeRegistry {
public:
    static void Attach(TmyBinaryTree* tree);
    static TmyBinaryTree* Detach();
    static void Register(const void* classIdentity, std::uint32_t id);
    static std::uint32_t Find(const void* classIdentity);
};

}  // namespace errvane
