// RAII owners for what the shell hands out: a reference to its allocator, and
// item lists, which go back to that allocator. Declare the allocator before the
// lists, so that the lists are freed while the allocator's reference is still
// held.
#pragma once

#include "printer_browser/shell_library.h"

#include <win32.h>

#include <utility>

class ShellAllocator {
public:
    explicit ShellAllocator(const ShellFunctions& shell) {
        if (FAILED(shell.getMalloc(&allocator_)))
            allocator_ = nullptr;
    }
    ShellAllocator(const ShellAllocator&) = delete;
    ShellAllocator& operator=(const ShellAllocator&) = delete;
    ~ShellAllocator() {
        if (allocator_ != nullptr)
            allocator_->Release();
    }

    explicit operator bool() const { return allocator_ != nullptr; }
    IMalloc* get() const { return allocator_; }

private:
    IMalloc* allocator_ = nullptr;
};

class ItemList {
public:
    explicit ItemList(const ShellAllocator& allocator, LPITEMIDLIST adopted = nullptr)
        : allocator_(allocator.get()), list_(adopted) {}
    ItemList(const ItemList&) = delete;
    ItemList& operator=(const ItemList&) = delete;
    ~ItemList() {
        if (list_ != nullptr)
            allocator_->Free(list_);
    }

    explicit operator bool() const { return list_ != nullptr; }
    LPITEMIDLIST get() const { return list_; }
    // Where a shell call stores a new list; the owner must be empty.
    LPITEMIDLIST* Receive() { return &list_; }

private:
    IMalloc* allocator_;
    LPITEMIDLIST list_;
};
