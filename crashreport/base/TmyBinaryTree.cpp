#include "crashreport/base/TmyBinaryTree.h"

#include "crashreport/base/ReportHeap.h"
#include "crashreport/base/TmyList.h"

namespace errvane {

TmyBinaryTree::TmyBinaryTree() = default;

TmyBinaryTree::~TmyBinaryTree() { FreeOf(root_); }

bool TmyBinaryTree::Find(const void* key, std::uintptr_t* value) const {
    const Node* node = root_;
    while (node != nullptr) {
        if (key == node->key) {
            *value = node->value;
            return true;
        }
        node = key < node->key ? node->left : node->right;
    }
    return false;
}

bool TmyBinaryTree::Insert(const void* key, std::uintptr_t value) {
    Node* parent = nullptr;
    Node** link = &root_;
    while (*link != nullptr) {
        if (key == (*link)->key) {
            (*link)->value = value;
            return true;
        }
        parent = *link;
        link = key < parent->key ? &parent->left : &parent->right;
    }
    Node* node = static_cast<Node*>(ReportHeap::Allocate(sizeof(Node)));
    if (node == nullptr) return false;
    *node = Node{key, nullptr, nullptr, parent, value};
    *link = node;
    ++count_;
    Splay(node);
    return true;
}

void TmyBinaryTree::Rotate(Node* node) {
    Node* parent = node->parent;
    Node* grand = parent->parent;
    if (parent->left == node) {
        parent->left = node->right;
        if (node->right != nullptr) node->right->parent = parent;
        node->right = parent;
    } else {
        parent->right = node->left;
        if (node->left != nullptr) node->left->parent = parent;
        node->left = parent;
    }
    parent->parent = node;
    node->parent = grand;
    if (grand == nullptr)
        root_ = node;
    else if (grand->left == parent)
        grand->left = node;
    else
        grand->right = node;
}

void TmyBinaryTree::Splay(Node* node) {
    while (node->parent != nullptr) {
        Node* parent = node->parent;
        Node* grand = parent->parent;
        if (grand != nullptr) Rotate((grand->left == parent) == (parent->left == node) ? parent : node);
        Rotate(node);
    }
}

std::size_t TmyBinaryTree::Depth() const { return DepthOf(root_); }

std::size_t TmyBinaryTree::InnerNodes() const { return InnerOf(root_); }

void TmyBinaryTree::AppendValues(TmyList& list) const { AppendOf(root_, list); }

std::size_t TmyBinaryTree::DepthOf(const Node* node) {
    if (node == nullptr) return 0;
    const std::size_t l = DepthOf(node->left), r = DepthOf(node->right);
    return 1 + (l > r ? l : r);
}

std::size_t TmyBinaryTree::InnerOf(const Node* node) {
    if (node == nullptr || (node->left == nullptr && node->right == nullptr)) return 0;
    return 1 + InnerOf(node->left) + InnerOf(node->right);
}

void TmyBinaryTree::AppendOf(const Node* node, TmyList& list) {
    if (node == nullptr) return;
    AppendOf(node->left, list);
    list.Insert(node->value, -1);
    AppendOf(node->right, list);
}

void TmyBinaryTree::FreeOf(Node* node) {
    if (node == nullptr) return;
    FreeOf(node->left);
    FreeOf(node->right);
    ReportHeap::Release(node);
}

}  // namespace errvane
