// Failures read in the user's words, running out of memory included.
#include "common/error.h"

#include <gtest/gtest.h>

using orugif::messageOf;

TEST(FailureMessage, memoryRunningOutIsSaidInWordsAndOtherMessagesPassAsTheyAre)
{
    EXPECT_TRUE(messageOf(std::bad_alloc()).startsWith("Mémoire insuffisante"));
    EXPECT_TRUE(messageOf(std::bad_array_new_length()).startsWith("Mémoire insuffisante"));
    EXPECT_EQ(messageOf(orugif::Error("Aucune image à exporter.")), "Aucune image à exporter.");
    EXPECT_EQ(messageOf(std::runtime_error("Invalid GIF signature")), "Invalid GIF signature");
}
