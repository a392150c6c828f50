#include "ui/info_form_layout.h"

#include <gtest/gtest.h>

namespace {
// A font where every character is 5 pixels wide, underscores included.
int FiveEach(std::string_view text) { return static_cast<int>(text.size()) * 5; }

TEST(InfoFormLayout, NarrowTextKeepsTheButtonWidth) {
    EXPECT_EQ(InfoFormClientSize("OK", FiveEach, 13), (ClientSize{75 + 6, 41 + 13 + 6}));
}

TEST(InfoFormLayout, WidestLineDecidesAndEveryLineAddsHeight) {
    const std::string text = "short\r\n" + std::string(40, 'x') + "\r\nmid line";
    EXPECT_EQ(InfoFormClientSize(text, FiveEach, 13), (ClientSize{200 + 6, 41 + 3 * 13 + 6}));
}

TEST(InfoFormLayout, EachTabCountsEightUnderscoresOnTopOfTheLine) {
    // "\t\tab" measures 4 characters = 20 by the font, plus two tabs of 40 each.
    const ClientSize size = InfoFormClientSize(std::string(20, 'y') + "\r\n\t\tab", FiveEach, 10);
    EXPECT_EQ(size.Width, 20 + 2 * 40 + 6);
    EXPECT_EQ(size.Height, 41 + 2 * 10 + 6);
}

TEST(InfoFormLayout, FinalLineBreakAddsNoLine) {
    EXPECT_EQ(InfoFormClientSize("a\r\nb\r\n", FiveEach, 10).Height, 41 + 20 + 6);
    EXPECT_EQ(InfoFormClientSize("a\r\n\r\nb", FiveEach, 10).Height, 41 + 30 + 6) << "an empty line counts";
}
}  // namespace
