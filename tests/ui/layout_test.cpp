// The windows' layout tables that both front ends build from: conversion of
// twips, and tables that hold together (names, numbers, containers, focus).
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/layout.h"

namespace tq {
namespace {

namespace layout = ui::layout;

TEST(UiLayout, TwipsToPixels) {
    struct Case {
        layout::Rect twips;
        double dpi;
        layout::PixelRect pixels;
    };
    const Case cases[] = {
        {{0, 0, 15, 15}, 96, {0, 0, 1, 1}},
        {{120, 120, 1335, 375}, 96, {8, 8, 89, 25}},
        {{120, 120, 1335, 375}, 144, {12, 12, 134, 38}},  // 150 %: edges at 12 and 146, 12 and 50
        // Edges are rounded, not sizes: two neighbours that touch in twips
        // touch in pixels, whatever each one's width rounds to.
        {{7, 0, 7, 7}, 96, {0, 0, 1, 0}},
        {{14, 0, 7, 7}, 96, {1, 0, 0, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(layout::toPixels(c.twips, c.dpi, c.dpi), c.pixels) << &c - cases;
    EXPECT_EQ(layout::toPixels(11970, 96), 798);
}

// The order of the keys that other code relies on; the controls' places
// and captions are the tables' own, checked against the windows built
// from them.
TEST(UiLayout, FocusOrders) {
    using Names = std::vector<std::string_view>;
    EXPECT_EQ(layout::frmMain().focus, (Names{"btnMotherboard", "btnVGA", "btnMultiMedia", "chkVGA", "chkAudio",
                                              "chkLan", "txtPnP", "btnEnde", "btnCreateReport"}));
    EXPECT_EQ(layout::frmCuz().focus, (Names{"T_cuz", "bb_cuzokay", "bb_cuzabbrechen"}));
    EXPECT_EQ(layout::frmAbout().focus.front(), "cmdOK");
    EXPECT_THROW(layout::frmMain().control("btnNothing"), std::out_of_range);
}

TEST(UiLayout, EveryTableHoldsTogether) {
    for (const layout::Window* w : layout::allWindows()) {
        SCOPED_TRACE(std::string(w->name));
        std::set<std::string_view> names;
        std::set<int> ids;
        int defaults = 0, cancels = 0;
        for (const layout::Control& c : w->controls) {
            SCOPED_TRACE(std::string(c.name));
            defaults += c.has(layout::kDefault);
            cancels += c.has(layout::kCancel);
            EXPECT_TRUE(names.insert(c.name).second) << "name twice";
            EXPECT_TRUE(ids.insert(c.id).second) << "number twice";
            EXPECT_GE(c.id, 100);  // clear of the system's IDOK and IDCANCEL
            EXPECT_EQ(w->find(c.id), &c);
            // A container is listed before what it holds, and holds things.
            int width = w->width;
            if (!c.parent.empty()) {
                const layout::Control* p = w->find(c.parent);
                ASSERT_TRUE(p && names.count(p->name));
                EXPECT_TRUE(p->kind == layout::Kind::Frame || p->kind == layout::Kind::Container);
                width = p->at.width;
            }
            // Inside its container from the left and the top, and not past its right edge.
            EXPECT_GE(c.at.left, 0);
            EXPECT_GE(c.at.top, 0);
            EXPECT_LE(c.at.left + c.at.width, width);
        }
        for (std::string_view f : w->focus) EXPECT_TRUE(w->find(f)) << f;
        EXPECT_LE(defaults, 1);
        EXPECT_LE(cancels, 1);
    }
}

}  // namespace
}  // namespace tq
