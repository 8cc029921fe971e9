//===- tests/utilities/strings/ListTest.cpp -------------------------------===//
#include "utilities/strings/List.h"

#include "utilities/strings/Pool.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> contents(const List<int>& list) {
    return std::vector<int>(list.items(), list.items() + list.count());
}

TEST(ListTest, SingleAppendsDoubleTheCapacityFromEight) {
    List<int> list;
    EXPECT_EQ(list.capacity(), 0u);
    EXPECT_EQ(list.items(), nullptr);
    const unsigned int expected[] = {8, 8, 8, 8, 8, 8, 8, 8, 16, 16, 16, 16, 16, 16, 16, 16, 32};
    for (unsigned int i = 0; i < 17; ++i) {
        list.append(static_cast<int>(i));
        EXPECT_EQ(list.capacity(), expected[i]) << "after append " << i + 1;
    }
    for (unsigned int i = 0; i < 17; ++i)
        EXPECT_EQ(list[i], static_cast<int>(i));
}

TEST(ListTest, MultipleAppendGrowsToExactlyTheSizeNeeded) {
    List<int> list;
    const int items[] = {1, 2, 3};
    list.append(items, 3);
    EXPECT_EQ(list.capacity(), 3u);
    list.append(items, 2);
    EXPECT_EQ(list.capacity(), 5u);
    list.append(items, 0);
    EXPECT_EQ(list.capacity(), 5u);
    EXPECT_EQ(contents(list), (std::vector<int>{1, 2, 3, 1, 2}));
}

TEST(ListTest, ExtendGrowsOnlyWhenTheRoomIsShort) {
    List<int> list;
    for (int i = 0; i < 5; ++i)
        list.append(i);
    ASSERT_EQ(list.capacity(), 8u);
    int* before = list.items();
    list.extend(2);
    EXPECT_EQ(list.capacity(), 8u);
    EXPECT_EQ(list.items(), before);
    list.extend(4);
    EXPECT_EQ(list.capacity(), 9u);
    EXPECT_EQ(contents(list), (std::vector<int>{0, 1, 2, 3, 4}));
    List<int> empty;
    empty.extend(3);
    EXPECT_EQ(empty.capacity(), 3u);
}

TEST(ListTest, RemoveAndInsertShiftTheOtherItems) {
    List<int> list;
    for (int i = 1; i <= 4; ++i)
        list.append(i);
    list.remove(1);
    EXPECT_EQ(contents(list), (std::vector<int>{1, 3, 4}));
    list.remove(3); // index == count: nothing
    list.remove(100);
    EXPECT_EQ(contents(list), (std::vector<int>{1, 3, 4}));
    list.insert(0, 9);
    list.insert(2, 8);
    list.insert(100, 7); // past the end: appended
    EXPECT_EQ(contents(list), (std::vector<int>{9, 1, 8, 3, 4, 7}));
    list.remove(5);
    EXPECT_EQ(contents(list), (std::vector<int>{9, 1, 8, 3, 4}));
}

TEST(ListTest, InsertIntoAnEmptyOrFullListExtendsByOne) {
    List<int> list;
    list.insert(0, 5);
    EXPECT_EQ(list.capacity(), 1u);
    list.insert(0, 4);
    EXPECT_EQ(list.capacity(), 2u);
    EXPECT_EQ(contents(list), (std::vector<int>{4, 5}));
}

TEST(ListTest, FindReportsOneBasedPositionsOfEqualBytes) {
    List<const char*> list;
    const char* a = "a";
    const char* b = "b";
    const char* c = "c";
    list.append(a);
    list.append(b);
    list.append(a);
    EXPECT_EQ(list.find(a), 1u);
    EXPECT_EQ(list.find(b), 2u);
    EXPECT_EQ(list.find(c), 0u);
}

TEST(ListTest, PooledListGrowsInsideThePoolAndNeverFreesTheOldArray) {
    Pool pool(64, 100);
    List<long> list(&pool);
    for (long i = 0; i < 8; ++i)
        list.append(i);
    long* first = list.items();
    for (long i = 8; i < 40; ++i)
        list.append(i);
    EXPECT_NE(list.items(), first);
    EXPECT_EQ(first[7], 7) << "old array still intact: the list did not free pool memory";
    bool inPool = false;
    for (PoolArea* area = pool.firstArea(); area != nullptr; area = area->next()) {
        const char* p = reinterpret_cast<const char*>(list.items());
        inPool = inPool || (p >= area->data() && p < area->data() + area->size());
    }
    EXPECT_TRUE(inPool);
    for (long i = 0; i < 40; ++i)
        ASSERT_EQ(list[static_cast<unsigned int>(i)], i);
}

} // namespace
