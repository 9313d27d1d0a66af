#include "document/framestore.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

using orugif::FrameStore;
using testsupport::solid;

TEST(FrameStore, theFirstPictureSetsTheSizeOfANewStore)
{
    FrameStore store;
    EXPECT_EQ(store.frameSize(), QSize(16, 16));
    EXPECT_FALSE(store.frameSizeSet());
    store.add(solid(30, 20, 0xff0000));
    EXPECT_EQ(store.frameSize(), QSize(30, 20));
    // Later pictures are fitted: cut at the right and bottom, white beyond.
    store.add(solid(40, 10, 0x0000ff));
    const QImage second = store.frame(1);
    EXPECT_EQ(second.size(), QSize(30, 20));
    EXPECT_EQ(second.pixel(29, 9), qRgb(0, 0, 255));
    EXPECT_EQ(second.pixel(0, 10), qRgb(255, 255, 255));
}

TEST(FrameStore, clearingKeepsTheSizeAndASetSizeHoldsForLaterPictures)
{
    FrameStore store;
    store.setFrameSize({8, 8});
    store.add(solid(3, 3, 0));
    EXPECT_EQ(store.frame(0).size(), QSize(8, 8));
    store.clear();
    EXPECT_EQ(store.frameSize(), QSize(8, 8));
    store.setFrameSize({5, 5});  // allowed again once empty
    EXPECT_EQ(store.frameSize(), QSize(5, 5));
    store.add(solid(5, 5, 0));
    store.setFrameSize({9, 9});  // refused while frames are held
    EXPECT_EQ(store.frameSize(), QSize(5, 5));
}

TEST(FrameStore, insertRemoveAndReverseMoveFramesWithoutCopyingThem)
{
    FrameStore store;
    for (unsigned c : {0x000001u, 0x000002u, 0x000003u})
        store.add(solid(2, 2, c));
    const qint64 key = store.frame(2).cacheKey();
    store.insert(0, solid(2, 2, 0x000009));
    store.insert(99, solid(2, 2, 0x000008));  // past the end: appended
    store.remove(1);
    store.remove(-1);  // nothing
    store.reverse();
    ASSERT_EQ(store.count(), 4);
    EXPECT_EQ(store.frame(0).pixel(0, 0) & 0xff, 8u);
    EXPECT_EQ(store.frame(1).pixel(0, 0) & 0xff, 3u);
    EXPECT_EQ(store.frame(1).cacheKey(), key);  // the same pixels, not a copy
    EXPECT_EQ(store.frame(3).pixel(0, 0) & 0xff, 9u);
    EXPECT_TRUE(store.frame(4).isNull());
}
