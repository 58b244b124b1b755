#pragma once
#include "crashreport/base/TmyObject.h"

#include <cstddef>
#include <cstdint>

namespace errvane {

class TmyList;

// A binary search tree keyed by pointer value. Inserting splays the new node to the root, so
// recently registered keys are found quickly and the depth stays modest.
class TmyBinaryTree : public TmyObject {
public:
    TmyBinaryTree();
    ~TmyBinaryTree() override;

    bool Find(const void* key, std::uintptr_t* value) const;
    // Inserts or replaces; false when no node could be allocated.
    bool Insert(const void* key, std::uintptr_t value);
    std::size_t Count() const { return count_; }
    std::size_t Depth() const;
    std::size_t InnerNodes() const;
    // Appends the values in key order.
    void AppendValues(TmyList& list) const;

private:
    struct Node {
        const void* key;
        Node* left;
        Node* right;
        Node* parent;
        std::uintptr_t value;
    };
    void Rotate(Node* node);
    void Splay(Node* node);
    static std::size_t DepthOf(const Node* node);
    static std::size_t InnerOf(const Node* node);
    static void AppendOf(const Node* node, TmyList& list);
    static void FreeOf(Node* node);

    Node* root_ = nullptr;
    std::size_t count_ = 0;
};

}  // namespace errvane
