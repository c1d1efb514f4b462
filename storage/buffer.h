#pragma once

#include <cstddef>
#include <memory>

// String arena: keeps the texts of records alive until reset or destruction, so record
// fields can be plain `char const*` without one allocation per text.
class tavroBuffer {
public:
    static constexpr std::size_t firstBlockSize = 512;

    tavroBuffer();
    ~tavroBuffer();
    tavroBuffer(const tavroBuffer&) = delete;
    tavroBuffer& operator=(const tavroBuffer&) = delete;

    // A copy of text valid until reset(); null or empty gives the shared empty string.
    const char* store(const char* text);
    void reset();

    // Inspection, for tests of the block growth rule.
    std::size_t blockCount() const;
    std::size_t blockSize(std::size_t i) const;
    const char* blockData(std::size_t i) const;
    std::size_t currentBlockIndex() const;
    std::size_t offset() const { return offset_; }

    static const char* emptyString();

private:
    struct Block {
        std::unique_ptr<char[]> data;
        std::size_t size;
        std::unique_ptr<Block> next;
    };
    Block first_;
    Block* current_;
    std::size_t offset_ = 0;
};
