// The position queue against std::deque: the same operations leave the same elements in the same order, through
// the ring's wrap and growth, with the front held apart; a queue that keeps its length stops allocating; copies are
// deep and a moved-from queue is empty.
#include "records/position_queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <numeric>
#include <random>
#include <vector>

namespace hlw {
namespace {

PositionRecord lf_position(int32_t due)
{
    PositionRecord position;
    position.dueTick = due;
    position.latitude = due * 0.001;
    position.bankRad = due % 3 == 0 ? std::optional<double>(due * 0.01) : std::nullopt;
    return position;
}

template <typename Positions> std::vector<int32_t> lf_dues(const Positions& positions)
{
    std::vector<int32_t> dues;
    for (const PositionRecord& position : positions) {
        dues.push_back(position.dueTick);
    }
    return dues;
}

TEST(PositionQueue, EveryOperationLeavesWhatADequeLeaves)
{
    std::mt19937 random(30);
    PositionQueue queue;
    std::deque<PositionRecord> model;
    int32_t next = 0;
    for (int step = 0; step < 20000; ++step) {
        const auto size = static_cast<int>(model.size());
        const auto index = [&](int extra) { return std::uniform_int_distribution<int>(0, size - 1 + extra)(random); };
        const int operation = std::uniform_int_distribution<int>(0, 11)(random);
        if (operation <= 3) {
            // Streams grow and shrink: appends come more often than the other operations while the queue is short.
            const PositionRecord position = lf_position(next++);
            queue.push_back(position);
            model.push_back(position);
        } else if (operation == 4) {
            const PositionRecord position = lf_position(next++);
            queue.push_front(position);
            model.push_front(position);
        } else if (model.empty()) {
            continue;
        } else if (operation <= 6) {
            queue.pop_front();
            model.pop_front();
        } else if (operation == 7) {
            queue.pop_back();
            model.pop_back();
        } else if (operation == 8) {
            const int at = index(1);
            const PositionRecord position = lf_position(next++);
            const auto inserted = queue.insert(queue.begin() + at, position);
            model.insert(model.begin() + at, position);
            EXPECT_EQ(inserted - queue.begin(), at);
        } else if (operation == 9) {
            const int first = index(0);
            const int last = std::uniform_int_distribution<int>(first, std::min(size, first + 3))(random);
            const auto after = queue.erase(queue.begin() + first, queue.begin() + last);
            model.erase(model.begin() + first, model.begin() + last);
            EXPECT_EQ(after - queue.begin(), first);
        } else if (operation == 10) {
            const auto keep = static_cast<std::size_t>(index(0));
            queue.resize(keep);
            model.resize(keep);
        } else {
            // An element of the queue itself appended, as a made-up position copies the front.
            queue.push_back(queue.back());
            model.push_back(model.back());
        }
        ASSERT_EQ(lf_dues(queue), lf_dues(model)) << "after step " << step << ", operation " << operation;
        if (!model.empty()) {
            ASSERT_EQ(queue.front().bankRad, model.front().bankRad);
            ASSERT_EQ(queue[model.size() - 1].latitude, model.back().latitude);
        }
    }
}

TEST(PositionQueue, AStreamThatKeepsItsLengthStopsGrowing)
{
    PositionQueue queue;
    int32_t due = 0;
    for (; due < 12; ++due) {
        queue.push_back(lf_position(due));
    }
    const std::size_t capacity = queue.capacity();
    EXPECT_EQ(capacity, PositionQueue::firstRingCapacity + 1);
    // A leg flown and a position received, over and over: the ring wraps many times.
    for (int leg = 0; leg < 1000; ++leg) {
        queue.pop_front();
        queue.push_back(lf_position(due++));
        ASSERT_EQ(queue.front().dueTick, due - 12);
    }
    EXPECT_EQ(queue.capacity(), capacity);
    EXPECT_EQ(queue.size(), 12U);
    std::vector<int32_t> expected(12);
    std::iota(expected.begin(), expected.end(), due - 12);
    EXPECT_EQ(lf_dues(queue), expected);
}

TEST(PositionQueue, GrowingAWrappedRingKeepsTheOrder)
{
    PositionQueue queue;
    int32_t due = 0;
    for (; due < 12; ++due) {
        queue.push_back(lf_position(due));
    }
    // Eight legs flown: element 1 now sits in the ring's ninth slot, and the next appends wrap to its start.
    for (int leg = 0; leg < 8; ++leg) {
        queue.pop_front();
    }
    while (queue.size() < queue.capacity()) {
        queue.push_back(lf_position(due++));
    }
    ASSERT_EQ(queue.capacity(), PositionQueue::firstRingCapacity + 1);
    queue.push_back(lf_position(due++));
    queue.push_front(lf_position(-1));
    EXPECT_EQ(queue.capacity(), 2 * PositionQueue::firstRingCapacity + 1);
    std::vector<int32_t> expected(queue.size());
    std::iota(expected.begin() + 1, expected.end(), 8);
    expected.front() = -1;
    EXPECT_EQ(lf_dues(queue), expected);
}

// The front lives apart from the ring: it is handed over whenever an element moves into or out of place 0.
TEST(PositionQueue, TheFrontIsHandedOverToAndFromTheRing)
{
    PositionQueue queue;
    queue.push_back(lf_position(1));
    queue.push_back(lf_position(2));
    queue.pop_front();
    EXPECT_EQ(lf_dues(queue), std::vector<int32_t>{2});
    queue.pop_front();
    EXPECT_TRUE(queue.empty());
    queue.push_front(lf_position(5));
    queue.push_front(lf_position(3));
    queue.insert(queue.begin(), lf_position(4));
    EXPECT_EQ(lf_dues(queue), (std::vector<int32_t>{4, 3, 5}));
    EXPECT_EQ(queue.erase(queue.begin()), queue.begin());
    EXPECT_EQ(queue.front().dueTick, 3);
    EXPECT_EQ(queue.front().bankRad, lf_position(3).bankRad);
    queue.resize(1);
    queue.push_back(queue.front());
    EXPECT_EQ(lf_dues(queue), (std::vector<int32_t>{3, 3}));
}

TEST(PositionQueue, CopiesAreDeepAndAMovedFromQueueIsEmpty)
{
    PositionQueue queue;
    for (int32_t due = 0; due < 40; ++due) {
        queue.push_back(lf_position(due));
    }
    PositionQueue copy = queue;
    copy.pop_front();
    copy.back().dueTick = -1;
    EXPECT_EQ(queue.size(), 40U);
    EXPECT_EQ(queue.front().dueTick, 0);
    EXPECT_EQ(queue.back().dueTick, 39);

    PositionQueue assigned;
    assigned.push_back(lf_position(7));
    assigned = copy;
    EXPECT_EQ(lf_dues(assigned), lf_dues(copy));

    PositionQueue moved = std::move(copy);
    EXPECT_EQ(moved.size(), 39U);
    EXPECT_EQ(moved.front().dueTick, 1);
    // A moved-from queue is empty and usable.
    EXPECT_TRUE(copy.empty());
    copy.push_back(lf_position(3));
    EXPECT_EQ(lf_dues(copy), std::vector<int32_t>{3});
}

} // namespace
} // namespace hlw
