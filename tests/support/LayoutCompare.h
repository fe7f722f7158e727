#pragma once

#include "platform/ReportLayout.h"

#include <gtest/gtest.h>

/** Checks that two layouts of a report place the same texts in the same
 *  rectangles on the same pages. Call it in ASSERT_NO_FATAL_FAILURE to stop
 *  the test at the first page or item count that differs. */
inline void ExpectSameLayout(const ReportLayout& a, const ReportLayout& b)
{
    ASSERT_EQ(a.pages.size(), b.pages.size());
    for (int p = 0; p < a.pages.size(); ++p) {
        ASSERT_EQ(a.pages[p].items.size(), b.pages[p].items.size());
        for (int i = 0; i < a.pages[p].items.size(); ++i) {
            EXPECT_EQ(a.pages[p].items[i].text, b.pages[p].items[i].text);
            EXPECT_EQ(a.pages[p].items[i].rect, b.pages[p].items[i].rect);
        }
    }
}
