/* SPDX-License-Identifier: MIT */
// A doubly linked list through the nodes' own prev and next pointers. Plain pointers with
// nothing to construct or destroy at load and exit, while a detached receive thread may
// still run; the caller guards it.
#pragma once

namespace qxipc {

template <typename Node> struct List {
    Node *head = nullptr;
    Node *tail = nullptr;

    void push_back(Node *node) {
        node->prev = tail;
        node->next = nullptr;
        if (tail != nullptr)
            tail->next = node;
        else
            head = node;
        tail = node;
    }

    void remove(Node *node) {
        if (node->prev != nullptr)
            node->prev->next = node->next;
        else
            head = node->next;
        if (node->next != nullptr)
            node->next->prev = node->prev;
        else
            tail = node->prev;
        node->prev = node->next = nullptr;
    }
};

} // namespace qxipc
