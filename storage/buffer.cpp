#include "storage/buffer.h"

#include <cstring>

namespace {
const char sharedEmpty[1] = {0};
}

tavroBuffer::tavroBuffer() : current_(&first_) {
    first_.data = std::make_unique<char[]>(firstBlockSize);
    first_.size = firstBlockSize;
}

tavroBuffer::~tavroBuffer() {
    // Unlink iteratively so a long chain cannot overflow the stack.
    std::unique_ptr<Block> next = std::move(first_.next);
    while (next)
        next = std::move(next->next);
}

const char* tavroBuffer::emptyString() {
    return sharedEmpty;
}

const char* tavroBuffer::store(const char* text) {
    if (text == nullptr || *text == 0)
        return sharedEmpty;
    const std::size_t n = std::strlen(text);
    while (offset_ + n + 1 >= current_->size) {
        if (current_->next) {
            current_ = current_->next.get();
            offset_ = 0;
        } else {
            auto block = std::make_unique<Block>();
            block->size = offset_ + n + 2;
            block->data = std::make_unique<char[]>(block->size);
            current_->next = std::move(block);
            current_ = current_->next.get();
        }
    }
    char* dest = current_->data.get() + offset_;
    std::memcpy(dest, text, n + 1);
    offset_ += n + 1;
    return dest;
}

void tavroBuffer::reset() {
    current_ = &first_;
    offset_ = 0;
}

std::size_t tavroBuffer::blockCount() const {
    std::size_t count = 0;
    for (const Block* b = &first_; b; b = b->next.get())
        ++count;
    return count;
}

namespace {
template <class B> const B* nth(const B* b, std::size_t i) {
    while (b && i--)
        b = b->next.get();
    return b;
}
} // namespace

std::size_t tavroBuffer::blockSize(std::size_t i) const {
    const Block* b = nth(&first_, i);
    return b ? b->size : 0;
}

const char* tavroBuffer::blockData(std::size_t i) const {
    const Block* b = nth(&first_, i);
    return b ? b->data.get() : nullptr;
}

std::size_t tavroBuffer::currentBlockIndex() const {
    std::size_t i = 0;
    for (const Block* b = &first_; b != current_; b = b->next.get())
        ++i;
    return i;
}
