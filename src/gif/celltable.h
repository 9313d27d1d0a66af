// Tables of one 32-bit value per 6-6-6 colour cell (262144 of them), zeroed,
// lent to the optimised palette's choice and lookup. Allocating and zeroing
// a fresh megabyte for every frame costs more than the frame's own work
// (every page is faulted in and cleared by the system), so tables are kept
// for the next borrower. A borrower gives its table back zeroed: it clears
// the cells it set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace orugif::gif {

class CellTable {
public:
    static constexpr std::size_t kCells = std::size_t(1) << 18;

    CellTable();
    ~CellTable();
    CellTable(const CellTable&) = delete;
    CellTable& operator=(const CellTable&) = delete;

    std::uint32_t& operator[](std::size_t cell) { return cells_[cell]; }
    std::uint32_t operator[](std::size_t cell) const { return cells_[cell]; }

private:
    std::unique_ptr<std::uint32_t[]> cells_;
};

} // namespace orugif::gif
