// KORUTIL string and list operations.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "korutil/portable/korstr.h"

namespace {

std::string Flatten(const char *list, size_t size)
{
    return std::string(list, size);
}

TEST(KorStrings, CopyingCutsAndTerminates)
{
    char out[5];
    kor::CopyStringLimited("ABCDEFG", out, sizeof out);
    EXPECT_STREQ("ABCD", out);
    kor::CopySubstring("ABCDEFG", 2, out, sizeof out);
    EXPECT_STREQ("AB", out);
    kor::CopySubstring(nullptr, 2, out, sizeof out);
    EXPECT_STREQ("", out);
    EXPECT_EQ(8u, kor::StringSize("ABCDEFG"));
    EXPECT_EQ(0u, kor::StringSize(nullptr));
    EXPECT_TRUE(kor::IsEmptyString(nullptr));
    EXPECT_TRUE(kor::IsEmptyString(""));
    EXPECT_FALSE(kor::IsEmptyString(" "));

    char text[] = "a,b,c";
    char *comma = kor::FindChar(text, ',');
    ASSERT_EQ(text + 1, comma);
    kor::RemoveChar(comma);
    EXPECT_STREQ("ab,c", text);
    EXPECT_EQ(nullptr, kor::FindChar(text, 'x'));
    EXPECT_EQ(text + 1, kor::NextChar(text));
}

TEST(KorLists, BuildFindRemoveCount)
{
    char list[16];
    ASSERT_TRUE(kor::MultiSzInit(list, sizeof list));
    EXPECT_EQ(0u, kor::MultiSzCount(list));
    EXPECT_TRUE(kor::MultiSzAppend("one", list, sizeof list));
    EXPECT_TRUE(kor::MultiSzAppend("two", list, sizeof list));
    EXPECT_TRUE(kor::MultiSzAppend("three", list, sizeof list));
    EXPECT_EQ(std::string("one\0two\0three\0\0", 15), Flatten(list, 15));
    // 15 bytes used; "x" needs two more, so the list stays as it was.
    EXPECT_FALSE(kor::MultiSzAppend("x", list, sizeof list));
    EXPECT_EQ(15u, kor::MultiSzSize(list));
    EXPECT_EQ(3u, kor::MultiSzCount(list));

    char *two = kor::MultiSzFind("TWO", list);
    ASSERT_EQ(list + 4, two);
    EXPECT_STREQ("three", kor::MultiSzNext(two));
    kor::MultiSzRemove(two);
    EXPECT_EQ(std::string("one\0three\0\0", 11), Flatten(list, 11));
    kor::MultiSzRemove(kor::MultiSzFind("three", list));
    kor::MultiSzRemove(list);
    EXPECT_EQ(0u, kor::MultiSzCount(list));
    EXPECT_EQ('\0', list[0]);

    EXPECT_FALSE(kor::MultiSzInit(list, 1));
    EXPECT_FALSE(kor::MultiSzInit(nullptr, 10));
}

TEST(KorLists, CursorAndArray)
{
    char list[12];
    char *cursor = list;
    size_t remaining = sizeof list;
    ASSERT_TRUE(kor::MultiSzPut(nullptr, &cursor, &remaining));
    ASSERT_TRUE(kor::MultiSzPut("ab", &cursor, &remaining));
    ASSERT_TRUE(kor::MultiSzPut("cde", &cursor, &remaining));
    EXPECT_EQ(5u, remaining);
    EXPECT_FALSE(kor::MultiSzPut("fghij", &cursor, &remaining));
    EXPECT_EQ(std::string("ab\0cde\0\0", 8), Flatten(list, 8));

    char *array[3];
    ASSERT_TRUE(kor::MultiSzToArray(list, array, sizeof array));
    EXPECT_STREQ("ab", array[0]);
    EXPECT_STREQ("cde", array[1]);
    EXPECT_EQ(nullptr, array[2]);
    EXPECT_FALSE(kor::MultiSzToArray(list, array, 2 * sizeof(char *)));
}

}  // namespace
