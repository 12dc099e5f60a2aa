// The entries of a vector instruction set's kernels, written once: each
// kernel file opens its namespace, built with its own code generation, and
// names its widths here.
#pragma once

#include "BitTallyBody.h"
#include "RowTallyBody.h"

// Bit rows counted in the vector type given (a BitVec of some width).
#define QV_BIT_TALLY_ENTRY(...)                                                                       \
  QV_KERNEL_ENTRY void BitTally(const uint64_t* const* rows, size_t words, uint32_t pairWords, uint32_t levels, \
                                uint32_t* counts) {                                                   \
    BitTallyEntry<__VA_ARGS__>(rows, words, pairWords, levels, counts);                                  \
  }                                                                                                   \
  QV_KERNEL_ENTRY uint32_t BitCodes(const uint64_t* bits, const uint32_t* rowOffset, const char* candidate,      \
                                    size_t words, uint32_t pairWords, uint32_t levels, uint32_t padding,          \
                                    const uint16_t* code, size_t stride) {                                         \
    return BitCodesEntry<__VA_ARGS__>(bits, rowOffset, candidate, words, pairWords, levels, padding, code, stride); \
  }

// Tables of one word per row, in general-purpose registers.
#define QV_WORD_TALLY_ENTRY                                                                                \
  QV_KERNEL_ENTRY void WordTally(const uint64_t* table, const char* candidate, uint32_t planes, uint64_t live, \
                                 uint32_t levels, uint32_t* counts) {                                     \
    WordTallyEntry<std::conditional_t<sizeof(void*) >= 8, uint64_t, uint32_t>>(table, candidate, planes, live,  \
                                                                               levels, counts);           \
  }

// Byte rows and bit rows, both LANES bytes a step.
#define QV_VECTOR_KERNEL_ENTRIES(LANES)                                                      \
  QV_KERNEL_ENTRY void RowTally(const uint8_t* const* rows, size_t lanes, uint32_t* counts) { \
    RowTallyBody<LANES>(rows, lanes, counts);                                                \
  }                                                                                          \
  QV_BIT_TALLY_ENTRY(BitVec<LANES>)                                                          \
  QV_WORD_TALLY_ENTRY                                                                        \
  QV_KERNEL_ENTRY void SmallTally(const uint8_t* table, const size_t* rowOffset, const char* candidate, \
                                  size_t lanes, uint32_t padding, uint32_t levels, uint32_t* counts) {  \
    SmallRowTallyBody<LANES>(table, rowOffset, candidate, lanes, padding, levels, counts);           \
  }                                                                                                   \
  QV_KERNEL_ENTRY uint32_t SmallCodes(const uint8_t* table, const size_t* rowOffset, const char* candidate,      \
                                      size_t lanes, uint32_t padding, uint32_t levels, const uint16_t* code,    \
                                      size_t stride) {                                                           \
    return SmallCodeBody<LANES>(table, rowOffset, candidate, lanes, padding, levels, code, stride);             \
  }
