// Text field, option menu and parameter display.
#include "ToolkitTestSupport.h"

namespace lumdel::test {
namespace {

CKeyCode character(char c) {
    CKeyCode k{};
    k.character = static_cast<unsigned char>(c);
    return k;
}

CKeyCode virtualKey(unsigned char v) {
    CKeyCode k{};
    k.virt = v;
    return k;
}

void type(CFrame* frame, const std::string& text) {
    for (char c : text) {
        CKeyCode k = character(c);
        frame->onKeyDown(k);
    }
}

class TextControlsTest : public ::testing::Test {
protected:
    RecordingListener listener;  // outlives the frame
    TestFrame frame{300, 171};
};

TEST_F(TextControlsTest, TextEditTypesAndCommitsWithEnter) {
    auto* edit = new CTextEdit(CRect(10, 10, 120, 23), &listener, 98, "Init");
    frame->addView(edit);
    CKeyCode stray = character('x');
    EXPECT_EQ(frame->onKeyDown(stray), -1);  // not editing: keys are not taken

    EXPECT_EQ(down(frame.frame, 20, 15), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    ASSERT_TRUE(edit->isEditing());
    EXPECT_EQ(frame->getFocusView(), edit);
    CKeyCode back = virtualKey(VKEY_BACK);
    frame->onKeyDown(back);
    type(frame.frame, "tial Lead");
    EXPECT_EQ(edit->getEditText(), "Initial Lead");
    EXPECT_EQ(edit->getTextString(), "Init");  // not yet committed
    EXPECT_TRUE(listener.events.empty());
    CKeyCode enter = virtualKey(VKEY_RETURN);
    EXPECT_EQ(frame->onKeyDown(enter), 1);
    EXPECT_FALSE(edit->isEditing());
    EXPECT_EQ(edit->getTextString(), "Initial Lead");
    EXPECT_EQ(listener.kinds(), "bve");
    char text[CTextEdit::kMaxLength + 1];
    edit->getText(text);
    EXPECT_STREQ(text, "Initial Lead");
    EXPECT_EQ(frame->getFocusView(), nullptr);
}

TEST_F(TextControlsTest, EscapeCancelsAndClickElsewhereCommits) {
    auto* edit = new CTextEdit(CRect(10, 10, 120, 23), &listener, 98, "Keep");
    frame->addView(edit);
    down(frame.frame, 20, 15);
    type(frame.frame, " me not");
    CKeyCode escape = virtualKey(VKEY_ESCAPE);
    frame->onKeyDown(escape);
    EXPECT_FALSE(edit->isEditing());
    EXPECT_EQ(edit->getTextString(), "Keep");
    EXPECT_TRUE(listener.events.empty());

    down(frame.frame, 20, 15);
    CKeyCode home = virtualKey(VKEY_HOME);
    frame->onKeyDown(home);
    type(frame.frame, "A ");
    down(frame.frame, 200, 100);  // elsewhere
    EXPECT_FALSE(edit->isEditing());
    EXPECT_EQ(edit->getTextString(), "A Keep");
    EXPECT_EQ(listener.kinds(), "bve");
}

TEST_F(TextControlsTest, TextIsLimitedInLength) {
    auto* edit = new CTextEdit(CRect(0, 0, 100, 13), &listener, 1, std::string(300, 'a').c_str());
    frame->addView(edit);
    EXPECT_EQ(edit->getTextString().size(), CTextEdit::kMaxLength);
    down(frame.frame, 5, 5);
    type(frame.frame, "bbb");
    EXPECT_EQ(edit->getEditText().size(), CTextEdit::kMaxLength);
}

TEST_F(TextControlsTest, OptionMenuOpensColumnsOf16AndChoosesAnEntry) {
    auto* menu = new COptionMenu(CRect(150, 150, 163, 162), &listener, 110, nullptr, nullptr,
                                 kCheckStyle | kPopupStyle | kNoTextStyle | kNoFrame);
    for (int i = 0; i < 40; ++i) menu->addEntry(("Preset " + std::to_string(i)).c_str());
    menu->setNbItemsPerColumn(16);
    menu->setCurrent(3);
    frame->addView(menu);
    EXPECT_EQ(menu->getValue(), 3.0f);
    EXPECT_EQ(menu->getMax(), 39.0f);

    EXPECT_EQ(down(frame.frame, 155, 155), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    ASSERT_TRUE(menu->isPopupOpen());
    ASSERT_NE(frame->getModalView(), nullptr);
    // Entry 17 sits in the second column on the second row, level with entry 1.
    const CRect e1 = menu->getEntryRect(1), e17 = menu->getEntryRect(17), e33 = menu->getEntryRect(33);
    EXPECT_EQ(e17.top, e1.top);
    EXPECT_GT(e17.left, e1.left);
    EXPECT_GT(e33.left, e17.left);
    // The whole list stays inside the frame.
    const CRect popup = frame->getModalView()->getViewSize();
    EXPECT_GE(popup.left, 0);
    EXPECT_GE(popup.top, 0);
    EXPECT_LE(popup.right, 300);
    EXPECT_LE(popup.bottom, 171);
    frame->idle();  // draws the list

    const CRect e20 = menu->getEntryRect(20);
    EXPECT_EQ(down(frame.frame, e20.left + 3, e20.top + 2),
              kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_FALSE(menu->isPopupOpen());
    EXPECT_EQ(frame->getModalView(), nullptr);
    EXPECT_EQ(menu->getCurrentIndex(), 20);
    EXPECT_EQ(menu->getValue(), 20.0f);
    EXPECT_EQ(listener.kinds(), "bve");
    EXPECT_STREQ(menu->getCurrent()->getTitle(), "Preset 20");

    // Renaming an entry.
    menu->getEntry(20)->setTitle("Renamed");
    EXPECT_STREQ(menu->getCurrent()->getTitle(), "Renamed");
}

TEST_F(TextControlsTest, OptionMenuClosesUnchangedOnOutsideClickOrEscape) {
    auto* menu = new COptionMenu(CRect(10, 10, 60, 22), &listener, 110);
    menu->addEntry("one");
    menu->addEntry("two");
    frame->addView(menu);
    down(frame.frame, 20, 15);
    ASSERT_TRUE(menu->isPopupOpen());
    down(frame.frame, 290, 160);
    EXPECT_FALSE(menu->isPopupOpen());
    down(frame.frame, 20, 15);
    ASSERT_TRUE(menu->isPopupOpen());
    CKeyCode escape = virtualKey(VKEY_ESCAPE);
    frame->onKeyDown(escape);
    EXPECT_FALSE(menu->isPopupOpen());
    EXPECT_TRUE(listener.events.empty());
    EXPECT_EQ(menu->getCurrentIndex(), 0);
    // The menu can go away while its list is open.
    down(frame.frame, 20, 15);
    ASSERT_TRUE(menu->isPopupOpen());
    frame->removeView(menu);
    EXPECT_EQ(frame->getModalView(), nullptr);
}

TEST_F(TextControlsTest, ParamDisplayConvertsValueAndCentresText) {
    auto* display = new CParamDisplay(CRect(0, 0, 100, 13));
    display->setValueToStringProc(
        [](float v, char* s, void*) { std::snprintf(s, 256, "%s", v > 0.5f ? "W" : ""); });
    display->setBackColor(CColor{189, 207, 218, 255});
    display->setFontColor(CColor{36, 36, 32, 255});
    display->setFrameColor(CColor{36, 36, 32, 255});
    display->setFont(kNormalFontVerySmall);
    frame->addView(display);
    display->setValue(1.0f);
    EXPECT_EQ(display->valueText(1.0f), "W");
    cairo_surface_t* s = frame->renderToSurface();
    // Dark ink near the middle, none near the ends (inside the frame line).
    int middle = 0, sides = 0;
    for (int y = 2; y < 11; ++y) {
        for (int x = 40; x < 60; ++x) middle += (pixel(s, x, y) & 0xFF) < 120;
        for (int x = 3; x < 20; ++x) sides += (pixel(s, x, y) & 0xFF) < 120;
    }
    EXPECT_GT(middle, 5);
    EXPECT_EQ(sides, 0);
    EXPECT_EQ(pixel(s, 0, 5), 0xFF242420u);  // frame colour
    cairo_surface_destroy(s);
    display->setValueToString([](float v) { return std::to_string(static_cast<int>(v * 10)); });
    display->setValueToStringProc(nullptr);
    EXPECT_EQ(display->valueText(0.5f), "5");
}

}  // namespace
}  // namespace lumdel::test

namespace lumdel::test {
namespace {

TEST(TextEditClose, ClosingTheFrameDropsUnfinishedTyping) {
    RecordingListener listener;
    auto* frame = new CFrame(CRect(0, 0, 100, 20), nullptr, nullptr);
    auto* edit = new CTextEdit(CRect(0, 0, 100, 20), &listener, 98, "name");
    frame->addView(edit);
    down(frame, 5, 5);
    type(frame, "xyz");
    frame->close();
    EXPECT_TRUE(listener.events.empty());
}

}  // namespace
}  // namespace lumdel::test

namespace lumdel::test {
namespace {

// Names may hold bytes that are not UTF-8 (files from other systems); drawing them
// must not stop the rest of the drawing.
TEST(TextDrawing, BytesThatAreNotUtf8DoNotSpoilTheContext) {
    cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 60, 20);
    {
        CDrawContext context(target);
        context.setFontColor(kBlackCColor);
        context.drawString("caf\xE9 \xFF\xC3", CRect(0, 0, 40, 20));
        EXPECT_GT(context.getStringWidth("\xE9t\xE9"), 0);
        context.setFillColor(CColor{10, 200, 30, 255});
        context.fillRect(CRect(50, 0, 60, 20));
        EXPECT_EQ(cairo_status(context.getCairo()), CAIRO_STATUS_SUCCESS);
    }
    EXPECT_EQ(pixel(target, 55, 10), 0xFF0AC81Eu);
    cairo_surface_destroy(target);
}

}  // namespace
}  // namespace lumdel::test
