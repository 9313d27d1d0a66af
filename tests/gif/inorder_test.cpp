// Frames coded side by side and written in order.
#include "gif/inorder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace orugif::gif;

TEST(CodeInOrder, everyItemIsPutOnceInOrderOnTheCallingThread)
{
    for (const int count : {1, 2, 7, 200}) {
        std::vector<int> put;
        std::atomic<int> coded{0};
        const std::thread::id caller = std::this_thread::get_id();
        CodeInOrder(
            count,
            [&](int i, ByteWriter& out) {
                ++coded;
                // Uneven work, so helpers finish out of order.
                for (int k = 0; k < (i % 5) * 200; ++k)
                    out.byte(std::uint8_t(k));
                out.word(std::uint16_t(i));
            },
            [&](int i, const ByteWriter& out) {
                EXPECT_EQ(std::this_thread::get_id(), caller);
                const auto& bytes = out.data();
                ASSERT_EQ(bytes.size(), std::size_t((i % 5) * 200 + 2));
                EXPECT_EQ(bytes[bytes.size() - 2] | bytes.back() << 8, i);
                put.push_back(i);
            },
            3);
        EXPECT_EQ(coded, count);
        ASSERT_EQ(int(put.size()), count);
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(put[std::size_t(i)], i);
    }
}

TEST(CodeInOrder, aFailureStopsThePuttingAndReachesTheCaller)
{
    // From the coding (on whichever thread coded it), and from the putting.
    std::vector<int> put;
    EXPECT_THROW(CodeInOrder(
                     50,
                     [](int i, ByteWriter& out) {
                         if (i == 23)
                             throw std::runtime_error("disque plein");
                         out.byte(std::uint8_t(i));
                     },
                     [&](int i, const ByteWriter&) { put.push_back(i); }),
                 std::runtime_error);
    ASSERT_EQ(put.size(), 23u);
    EXPECT_EQ(put.back(), 22);
    put.clear();
    EXPECT_THROW(CodeInOrder(
                     50, [](int, ByteWriter& out) { out.byte(1); },
                     [&](int i, const ByteWriter&) {
                         if (i == 5)
                             throw std::runtime_error("annulé");
                         put.push_back(i);
                     }),
                 std::runtime_error);
    EXPECT_EQ(put.size(), 5u);
}
