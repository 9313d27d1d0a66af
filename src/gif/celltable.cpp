#include "gif/celltable.h"

#include <mutex>
#include <vector>

namespace orugif::gif {

namespace {

// The tables given back, at most a few (one per thread that reduces at once).
struct Kept {
    std::mutex lock;
    std::vector<std::unique_ptr<std::uint32_t[]>> tables;
};

Kept& kept()
{
    static Kept k;
    return k;
}

constexpr std::size_t kMostKept = 8;

} // namespace

CellTable::CellTable()
{
    {
        Kept& k = kept();
        const std::lock_guard<std::mutex> hold(k.lock);
        if (!k.tables.empty()) {
            cells_ = std::move(k.tables.back());
            k.tables.pop_back();
            return;
        }
    }
    cells_ = std::make_unique<std::uint32_t[]>(kCells);  // zeroed
}

CellTable::~CellTable()
{
    Kept& k = kept();
    const std::lock_guard<std::mutex> hold(k.lock);
    if (k.tables.size() < kMostKept)
        k.tables.push_back(std::move(cells_));
}

} // namespace orugif::gif
