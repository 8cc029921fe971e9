//===- tests/utilities/strings/StringBufferTest.cpp -----------------------===//
//
// Every operation is run on all three instantiations: the wide one scales each copy and
// pool request by four, which is where off-by-a-factor faults hide.
//
//===----------------------------------------------------------------------------===//
#include "utilities/strings/StringBuffer.h"

#include "utilities/strings/StringPoolManager.h"

#include <gtest/gtest.h>

#include <string>

namespace {

/// A buffer holding the ASCII text `text`, one element per character.
template <typename T>
StringBuffer<T> make(const std::string& text) {
    std::basic_string<T> elements;
    for (unsigned char c : text)
        elements.push_back(static_cast<T>(c));
    return StringBuffer<T>(elements.data(), static_cast<unsigned int>(elements.size()));
}

/// The buffer's elements as ASCII text, for readable comparisons.
template <typename T>
std::string text(const StringBuffer<T>& buffer) {
    std::string result;
    for (unsigned int i = 1; i <= buffer.length(); ++i)
        result.push_back(static_cast<char>(buffer[i]));
    return result;
}

/// Checks the terminator and the empty-buffer invariant.
template <typename T>
void expectSound(const StringBuffer<T>& buffer) {
    EXPECT_EQ(buffer.buffer()[buffer.length()], T()) << "terminator missing";
    EXPECT_EQ(buffer.length() == 0, buffer.buffer() == StringBuffer<T>::nullString());
}

/// Free blocks of every size class of the process-wide manager.
std::vector<unsigned int> poolCounts() {
    std::vector<unsigned int> counts;
    for (unsigned int size : {4u, 16u, 24u, 32u, 48u, 64u})
        counts.push_back(StringPoolManager::instance().freeBlockCount(size));
    return counts;
}

template <typename T>
class StringBufferTest : public ::testing::Test {};
using ElementTypes = ::testing::Types<char, unsigned char, wchar_t>;
TYPED_TEST_SUITE(StringBufferTest, ElementTypes);

TYPED_TEST(StringBufferTest, EmptyBufferIsTheNullStringAndOwnsNoBlock) {
    StringPoolManager::instance(); // created before the counts are taken
    const auto before = poolCounts();
    {
        StringBuffer<TypeParam> empty;
        EXPECT_EQ(empty.length(), 0u);
        EXPECT_EQ(empty.buffer(), StringBuffer<TypeParam>::nullString());
        EXPECT_EQ(empty.buffer()[0], TypeParam());
        StringBuffer<TypeParam> alsoEmpty(empty.buffer(), 0);
        EXPECT_EQ(alsoEmpty.buffer(), StringBuffer<TypeParam>::nullString());
    }
    EXPECT_EQ(poolCounts(), before);
}

TYPED_TEST(StringBufferTest, BlockIsExactlyLengthPlusTerminatorAndGoesBackOnDestruction) {
    // 3 elements and the terminator: 4 bytes (smallest class) or 16 bytes (wide).
    const unsigned int bytes = 4 * sizeof(TypeParam);
    StringPoolManager& pools = StringPoolManager::instance();
    {
        auto probe = make<TypeParam>("abc"); // leaves at least one block of the class free
    }
    const unsigned int before = pools.freeBlockCount(bytes);
    {
        auto buffer = make<TypeParam>("abc");
        expectSound(buffer);
        EXPECT_EQ(pools.freeBlockCount(bytes), before - 1);
    }
    EXPECT_EQ(pools.freeBlockCount(bytes), before);
}

TYPED_TEST(StringBufferTest, ZerosInsideTheLengthAreElements) {
    const TypeParam data[] = {'a', 0, 'b'};
    StringBuffer<TypeParam> buffer(data, 3);
    EXPECT_EQ(buffer.length(), 3u);
    EXPECT_EQ(buffer.indexOf(TypeParam('b'), 1), 3u);
    EXPECT_EQ(buffer.indexOf(TypeParam(0), 1), 2u);
}

TYPED_TEST(StringBufferTest, MakeBufferKeepsContentsOnlyAtTheSameLength) {
    auto buffer = make<TypeParam>("abcd");
    TypeParam* block = buffer.buffer();
    buffer.makeBuffer(4);
    EXPECT_EQ(buffer.buffer(), block);
    EXPECT_EQ(text(buffer), "abcd");
    buffer.makeBuffer(7);
    EXPECT_EQ(buffer.length(), 7u);
    expectSound(buffer);
    buffer.makeBuffer(0);
    expectSound(buffer);
}

TYPED_TEST(StringBufferTest, TakingConstructorMovesTheBlockAndEmptiesTheSource) {
    auto source = make<TypeParam>("abc");
    TypeParam* block = source.buffer();
    StringBuffer<TypeParam> taken(source);
    EXPECT_EQ(taken.buffer(), block);
    EXPECT_EQ(text(taken), "abc");
    EXPECT_EQ(source.length(), 0u);
    expectSound(source);
}

TYPED_TEST(StringBufferTest, TailConstructorTakesPositionsFromOneAndZeroAsOne) {
    const auto source = make<TypeParam>("abcdef");
    EXPECT_EQ(text(StringBuffer<TypeParam>(source, 3)), "cdef");
    EXPECT_EQ(text(StringBuffer<TypeParam>(source, 1)), "abcdef");
    EXPECT_EQ(text(StringBuffer<TypeParam>(source, 0)), "abcdef");
    EXPECT_EQ(text(StringBuffer<TypeParam>(source, 6)), "f");
    StringBuffer<TypeParam> past(source, 7);
    EXPECT_EQ(past.length(), 0u);
    expectSound(past);
}

TYPED_TEST(StringBufferTest, PaddingConstructorCopiesWhatThereIsAndPadsTheRest) {
    const auto source = make<TypeParam>("abc");
    const TypeParam star = '*';
    EXPECT_EQ(text(StringBuffer<TypeParam>(source, 2, 5, star)), "bc***");
    EXPECT_EQ(text(StringBuffer<TypeParam>(source, 4, 5, star)), "*****");
    EXPECT_EQ(text(StringBuffer<TypeParam>(source, 1, 2, star)), "ab");
    EXPECT_EQ(text(StringBuffer<TypeParam>(source, 0, 2, star)), "ab");
    StringBuffer<TypeParam> none(source, 1, 0, star);
    expectSound(none);
    EXPECT_EQ(none.length(), 0u);
}

TYPED_TEST(StringBufferTest, RemoveCutsOrClosesTheGapAndIgnoresBadPositions) {
    struct Case {
        unsigned int position;
        unsigned int count;
        const char* expected;
    };
    const Case cases[] = {
        {3, 2, "abef"},
        {3, 0xFFFFFFFF, "ab"},
        {3, 100, "ab"},
        {3, 4, "ab"},
        {0, 1, "abcdef"},
        {7, 1, "abcdef"},
        {1, 6, ""},
        {6, 1, "abcde"},
        {3, 0, "abcdef"},
        {1, 1, "bcdef"},
        {3, 0xFFFFFFFE, "ab"}, // position - 1 + count wraps: still a removal
                               // to the end
        {2, 0xFFFFFFFB, "a"},
    };
    for (const Case& c : cases) {
        auto buffer = make<TypeParam>("abcdef");
        buffer.remove(c.position, c.count);
        EXPECT_EQ(text(buffer), c.expected) << "remove(" << c.position << ", " << c.count << ")";
        expectSound(buffer);
    }
}

TYPED_TEST(StringBufferTest, CharacterSearchesUseOneBasedPositions) {
    const auto buffer = make<TypeParam>("abcabc");
    const TypeParam a = 'a', c = 'c', z = 'z';
    EXPECT_EQ(buffer.indexOf(c, 0), 3u);
    EXPECT_EQ(buffer.indexOf(c, 1), 3u);
    EXPECT_EQ(buffer.indexOf(c, 4), 6u);
    EXPECT_EQ(buffer.indexOf(c, 7), 0u);
    EXPECT_EQ(buffer.indexOf(z, 1), 0u);
    EXPECT_EQ(buffer.indexOfNot(a, 1), 2u);
    EXPECT_EQ(buffer.indexOfNot(a, 4), 5u);
    EXPECT_EQ(buffer.lastIndexOf(a, 0xFFFFFFFF), 4u);
    EXPECT_EQ(buffer.lastIndexOf(a, 3), 1u);
    EXPECT_EQ(buffer.lastIndexOf(a, 0), 0u);
    EXPECT_EQ(buffer.lastIndexOf(z, 6), 0u);
    EXPECT_EQ(buffer.lastIndexOfNot(c, 6), 5u);
    EXPECT_EQ(buffer.lastIndexOfNot(c, 0), 0u);
    EXPECT_EQ(make<TypeParam>("/x").lastIndexOf(TypeParam('/'), 2), 1u);
    EXPECT_EQ(make<TypeParam>("cccc").lastIndexOfNot(c, 4), 0u);
    EXPECT_EQ(StringBuffer<TypeParam>().indexOf(c, 0), 0u);
}

TYPED_TEST(StringBufferTest, PatternSearchFindsTheFirstMatchAtOrAfterStart) {
    const auto buffer = make<TypeParam>("abcabc");
    EXPECT_EQ(buffer.indexOf(make<TypeParam>("bc"), 0), 2u);
    EXPECT_EQ(buffer.indexOf(make<TypeParam>("bc"), 3), 5u);
    EXPECT_EQ(buffer.indexOf(make<TypeParam>("abc"), 4), 4u);
    EXPECT_EQ(buffer.indexOf(make<TypeParam>("abc"), 5), 0u);
    EXPECT_EQ(buffer.indexOf(make<TypeParam>("abcabcd"), 1), 0u);
    EXPECT_EQ(buffer.indexOf(make<TypeParam>("cab"), 1), 3u);
    // An empty pattern is found at the start position, up to just past the end.
    const StringBuffer<TypeParam> empty;
    EXPECT_EQ(buffer.indexOf(empty, 0), 1u);
    EXPECT_EQ(buffer.indexOf(empty, 4), 4u);
    EXPECT_EQ(buffer.indexOf(empty, 7), 7u);
    EXPECT_EQ(buffer.indexOf(empty, 8), 0u);
}

TYPED_TEST(StringBufferTest, OccurrencesAreCountedWithoutOverlap) {
    const auto buffer = make<TypeParam>("aaaa");
    EXPECT_EQ(buffer.occurrencesOf(make<TypeParam>("aa"), 1), 2u);
    EXPECT_EQ(buffer.occurrencesOf(make<TypeParam>("aa"), 0), 2u);
    EXPECT_EQ(buffer.occurrencesOf(make<TypeParam>("aa"), 2), 1u);
    EXPECT_EQ(buffer.occurrencesOf(make<TypeParam>("a"), 4), 1u);
    EXPECT_EQ(buffer.occurrencesOf(make<TypeParam>("a"), 5), 0u);
    EXPECT_EQ(buffer.occurrencesOf(make<TypeParam>("aaaaa"), 1), 0u);
    EXPECT_EQ(make<TypeParam>("abab").occurrencesOf(make<TypeParam>("ab"), 1), 2u);
    // An empty pattern would never advance the scan; it is counted as occurring 0 times.
    EXPECT_EQ(buffer.occurrencesOf(StringBuffer<TypeParam>(), 1), 0u);
}

TYPED_TEST(StringBufferTest, ChangeReplacesOnlyTheFirstOccurrence) {
    struct Case {
        const char* original;
        const char* from;
        const char* to;
        unsigned int start;
        const char* expected;
    };
    const Case cases[] = {
        {"abcb", "b", "XY", 1, "aXYcb"},     {"abcb", "b", "XY", 3, "abcXY"},
        {"abcb", "b", "", 1, "acb"},         {"abcb", "z", "XY", 1, "abcb"},
        {"abcb", "b", "XY", 5, "abcb"},      {"abcb", "abcb", "", 1, ""},
        {"ab", "ab", "xyzxyz", 0, "xyzxyz"},
    };
    for (const Case& c : cases) {
        auto buffer = make<TypeParam>(c.original);
        buffer.change(make<TypeParam>(c.from), make<TypeParam>(c.to), c.start);
        EXPECT_EQ(text(buffer), c.expected) << c.original << ": " << c.from << " -> " << c.to;
        expectSound(buffer);
    }
}

TYPED_TEST(StringBufferTest, ChangeWithItselfAsReplacementUsesTheFormerContents) {
    auto buffer = make<TypeParam>("abc");
    buffer.change(make<TypeParam>("b"), buffer, 1);
    EXPECT_EQ(text(buffer), "aabcc");
    buffer.change(buffer, make<TypeParam>("z"), 1);
    EXPECT_EQ(text(buffer), "z");
}

TYPED_TEST(StringBufferTest, RightJustifyPadsOnlyWhenWider) {
    auto buffer = make<TypeParam>("42");
    buffer.rightJustify(2, TypeParam('0'));
    EXPECT_EQ(text(buffer), "42");
    buffer.rightJustify(5, TypeParam('0'));
    EXPECT_EQ(text(buffer), "00042");
    expectSound(buffer);
    StringBuffer<TypeParam> empty;
    empty.rightJustify(3, TypeParam(' '));
    EXPECT_EQ(text(empty), "   ");
}

TYPED_TEST(StringBufferTest, AppendConcatenatesAlsoOntoItself) {
    auto buffer = make<TypeParam>("abc");
    buffer += make<TypeParam>("de");
    EXPECT_EQ(text(buffer), "abcde");
    buffer += StringBuffer<TypeParam>();
    EXPECT_EQ(text(buffer), "abcde");
    buffer += buffer;
    EXPECT_EQ(text(buffer), "abcdeabcde");
    expectSound(buffer);
    StringBuffer<TypeParam> empty;
    empty += empty;
    expectSound(empty);
}

TYPED_TEST(StringBufferTest, AssignmentCopiesAndSelfAssignmentKeepsTheContents) {
    auto target = make<TypeParam>("xy");
    const auto source = make<TypeParam>("hello");
    target = source;
    EXPECT_EQ(text(target), "hello");
    EXPECT_NE(target.buffer(), source.buffer());
    auto& alias = target;
    target = alias;
    EXPECT_EQ(text(target), "hello");
    target = StringBuffer<TypeParam>();
    expectSound(target);
}

TYPED_TEST(StringBufferTest, ComparisonsLookAtTheCommonPrefixForOrder) {
    const auto ab = make<TypeParam>("ab");
    const auto abc = make<TypeParam>("abc");
    EXPECT_EQ(ab == abc, 0);
    EXPECT_EQ(ab != abc, 1);
    EXPECT_EQ(ab < abc, 0);
    EXPECT_EQ(ab > abc, 0);
    EXPECT_EQ(ab == make<TypeParam>("ab"), 1);
    EXPECT_EQ(ab != make<TypeParam>("ab"), 0);
    EXPECT_EQ(make<TypeParam>("abd") < abc, 0);
    EXPECT_EQ(make<TypeParam>("abd") > abc, 1);
    EXPECT_GT(make<TypeParam>("abd") != abc, 0);
    EXPECT_LT(abc != make<TypeParam>("abd"), 0);
}

TYPED_TEST(StringBufferTest, ElementsOrderAsUnsignedValues) {
    // 0x80 and above must sort after ASCII, whether plain char is signed or not.
    const TypeParam high[] = {static_cast<TypeParam>(0xE9)};
    const TypeParam low[] = {static_cast<TypeParam>(0x41)};
    const StringBuffer<TypeParam> e(high, 1), a(low, 1);
    EXPECT_EQ(e > a, 1);
    EXPECT_EQ(a < e, 1);
    EXPECT_GT(e != a, 0);
}

TEST(StringBufferWideTest, CodeUnitsOrderByValueNotByByteLayout) {
    // 0x100 and 0x01 differ in their lowest byte first on a little-endian host.
    const wchar_t big[] = {0x100};
    const wchar_t small[] = {0x01};
    const StringBuffer<wchar_t> b(big, 1), s(small, 1);
    EXPECT_EQ(b > s, 1);
    EXPECT_EQ(s < b, 1);
}

TEST(StringBufferHashTest, BytesHashAsBigEndianWordsWithTheTailHigh) {
    const unsigned char bytes[] = {1, 2, 3, 4, 5};
    EXPECT_EQ(StringBuffer<unsigned char>(bytes, 5).hashValue(), 0x06020304u);
    const char chars[] = {1, 2, 3, 4, 5};
    EXPECT_EQ(StringBuffer<char>(chars, 5).hashValue(), 0x06020304u);
    const unsigned char high[] = {0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0x01};
    EXPECT_EQ(StringBuffer<unsigned char>(high, 6).hashValue(), 0xFFFFFFFFu + 0x80010000u);
    EXPECT_EQ(StringBuffer<char>().hashValue(), 0u);
}

TEST(StringBufferHashTest, WideHashIsTheWrappingSumOfCodeUnits) {
    const wchar_t units[] = {0x41, 0x10FFFF, 0x7FFFFFFF, 0x7FFFFFFF};
    EXPECT_EQ(StringBuffer<wchar_t>(units, 4).hashValue(),
              static_cast<unsigned int>(0x41u + 0x10FFFFu + 0x7FFFFFFFu + 0x7FFFFFFFu));
    EXPECT_EQ(StringBuffer<wchar_t>().hashValue(), 0u);
}

} // namespace
