// Display names of the controller assignments.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/ControllerNames.h"

using lumdel::controllerName;

TEST(ControllerNames, NamedControllers) {
    EXPECT_STREQ(controllerName(0), "bank sel MSB");
    EXPECT_STREQ(controllerName(1), "modulation");
    EXPECT_STREQ(controllerName(7), "main volume");
    EXPECT_STREQ(controllerName(33), "modul. LSB");
    EXPECT_STREQ(controllerName(43), "express. LSB");
    EXPECT_STREQ(controllerName(65), "porta on/off");
    EXPECT_STREQ(controllerName(74), "brightness");
    EXPECT_STREQ(controllerName(84), "porta ctrl");
    EXPECT_STREQ(controllerName(91), "ext FX");
    EXPECT_STREQ(controllerName(101), "RPN MSB");
    EXPECT_STREQ(controllerName(120), "all snd off");
    EXPECT_STREQ(controllerName(127), "poly mode on");
}

TEST(ControllerNames, EveryOtherControllerIsNumbered) {
    const std::set<int> named{0,  1,  2,  4,  5,  6,  7,  8,  10, 11, 16, 17, 18, 19, 32,
                              33, 34, 36, 37, 38, 39, 40, 42, 43, 64, 65, 66, 67, 68, 69,
                              70, 71, 72, 73, 74, 80, 81, 82, 83, 84, 91, 92, 93, 94, 95,
                              96, 97, 98, 99, 100, 101, 120, 121, 122, 123, 124, 125, 126, 127};
    EXPECT_EQ(named.size(), 59u);
    for (int c = 0; c < 128; ++c) {
        const std::string name = controllerName(c);
        if (named.count(c)) {
            EXPECT_EQ(name.rfind("control ", 0), std::string::npos) << c;
        } else {
            EXPECT_EQ(name, "control " + std::to_string(c));
        }
    }
}

TEST(ControllerNames, TheTwoLastEntriesAndOutOfRange) {
    EXPECT_STREQ(controllerName(128), "not assigned");
    EXPECT_STREQ(controllerName(129), "");
    EXPECT_STREQ(controllerName(130), "");
    EXPECT_STREQ(controllerName(-1), "");
    EXPECT_EQ(lumdel::kNumControllerNames, 130);
}
