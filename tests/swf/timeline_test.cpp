// Display list and timelines: place/move/replace/remove, sprites with their own playheads,
// backward jumps that rebuild the list, looping, per-frame action hooks, and what a move may
// change.
#include <gtest/gtest.h>

#include "swf/player.h"
#include "swf_writer.h"

namespace {

std::shared_ptr<const swf::Movie> load(const std::vector<uint8_t>& bytes) {
    auto r = swf::load_movie(bytes.data(), bytes.size());
    EXPECT_TRUE(r.ok());
    return r.ok() ? r.value() : nullptr;
}

// A PlaceObject3 at depth 1 with only the fields given: a character, a translation, a colour
// transform that halves red, a blend mode.
struct Place3 {
    bool move = false;
    int character = -1;
    int tx = -1;
    bool halve_red = false;
    int blend = -1;
};

void place3(swftest::Movie& m, const Place3& p) {
    swftest::Bits b;
    b.u8(uint8_t((p.move ? 0x01 : 0) | (p.character >= 0 ? 0x02 : 0) | (p.tx >= 0 ? 0x04 : 0) |
                 (p.halve_red ? 0x08 : 0)));
    b.u8(p.blend >= 0 ? 0x02 : 0);
    b.u16(1);
    if (p.character >= 0) b.u16(uint16_t(p.character));
    if (p.tx >= 0) b.matrix(p.tx, 0);
    if (p.halve_red) {
        b.ub(0, 1), b.ub(1, 1), b.ub(10, 4);  // multiply terms only, 10 bits each
        b.sb(128, 10), b.sb(256, 10), b.sb(256, 10), b.sb(256, 10);
    }
    if (p.blend >= 0) b.u8(uint8_t(p.blend));
    m.tag(70, b.bytes);
}

swftest::Movie with_shapes() {
    swftest::Movie m(40, 40);
    m.shape_rgba(1, 255, 0, 0, 255, swftest::Movie::rect_records(0, 0, 200, 200));
    m.shape_rgba(2, 0, 255, 0, 255, swftest::Movie::rect_records(0, 0, 200, 200));
    return m;
}

}  // namespace

TEST(Timeline, PlaceMoveRemoveAndLoop) {
    auto m = with_shapes();
    m.place(1, 1);
    m.show_frame();
    m.move(1, 400, 0);
    m.place(1, 1);  // depth taken: ignored
    m.place(2, 2);
    m.show_frame();
    m.remove(1);
    m.show_frame();
    auto movie = load(m.fws());
    swf::Clip root(*movie, &movie->timeline, 0, nullptr);
    root.goto_frame(0);
    ASSERT_EQ(root.display_list().size(), 1u);
    root.tick();
    ASSERT_EQ(root.display_list().size(), 2u);
    EXPECT_DOUBLE_EQ(root.display_list().at(1).matrix.tx, 400);
    root.tick();
    EXPECT_EQ(root.display_list().size(), 1u);
    EXPECT_EQ(root.display_list().count(2), 1u);
    root.tick();  // past the end: back to frame 1
    EXPECT_EQ(root.current_frame(), 0);
    ASSERT_EQ(root.display_list().size(), 1u);
    EXPECT_DOUBLE_EQ(root.display_list().at(1).matrix.tx, 0);
}

TEST(Timeline, BackwardJumpKeepsMatchingInstancesAndRebuildsOthers) {
    auto m = with_shapes();
    m.begin_sprite(10, 3);
    m.place(1, 1);
    m.show_frame();
    m.show_frame();
    m.show_frame();
    m.end_sprite();
    m.place(10, 1, 0, 0, 0, 0);
    m.place(2, 2);
    m.show_frame();
    m.move(1, 100, 100);
    m.remove(2);
    m.show_frame();
    m.show_frame();
    auto movie = load(m.fws());
    swf::Clip root(*movie, &movie->timeline, 0, nullptr);
    root.goto_frame(0);
    root.tick();
    root.tick();
    const swf::Clip* child = root.display_list().at(1).clip.get();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->current_frame(), 2);  // the sprite ran its own frames
    root.goto_frame(0);
    // Same character and ratio at depth 1: the very same sprite instance, reset transform.
    EXPECT_EQ(root.display_list().at(1).clip.get(), child);
    EXPECT_DOUBLE_EQ(root.display_list().at(1).matrix.tx, 0);
    EXPECT_EQ(root.display_list().count(2), 1u);  // removed one comes back
}

TEST(Timeline, NewSpritesStartOnTheirFirstFrameAndHooksSeeActions) {
    auto m = with_shapes();
    m.begin_sprite(10, 2);
    m.tag(12, {0x07, 0x00});  // DoAction: stop, end
    m.show_frame();
    m.show_frame();
    m.end_sprite();
    m.show_frame();
    m.place(10, 1);
    m.show_frame();
    auto movie = load(m.fws());
    struct Counter : swf::ClipEvents {
        int with_actions = 0, placements = 0;
        void actions(swf::Clip&, const swf::ActionBlock&) override { ++with_actions; }
        void placed(swf::Clip&, swf::Instance&) override { ++placements; }
    } counter;
    swf::World world;
    world.events = &counter;
    swf::Clip root(*movie, &movie->timeline, 0, &world);
    root.goto_frame(0);
    root.tick();
    const swf::Clip* child = root.display_list().at(1).clip.get();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->current_frame(), 0);  // placed this tick: shows frame 1 now
    EXPECT_EQ(counter.with_actions, 1);
    EXPECT_EQ(counter.placements, 1);
    root.tick();                           // root loops back; the sprite is not kept
    EXPECT_EQ(root.display_list().size(), 0u);
}

TEST(Timeline, SelfNestingSpritesAreCapped) {
    // Sprite 10 places itself: nesting must stop, not recurse forever.
    swftest::Movie m(10, 10);
    m.begin_sprite(10, 1);
    m.show_frame();
    m.end_sprite();
    auto bytes = m.fws(false);
    // Patch: a second sprite that contains a PlaceObject2 of itself.
    swftest::Bits inner;
    inner.u8(0x02);
    inner.u16(1);
    inner.u16(11);
    swftest::Movie s(10, 10);
    s.begin_sprite(11, 1);
    s.tag(26, inner.bytes);
    s.show_frame();
    s.end_sprite();
    s.place(11, 1);
    s.show_frame();
    swf::Player p;
    auto b2 = s.fws();
    ASSERT_TRUE(p.load(b2.data(), b2.size()).ok());
    for (int i = 0; i < 3; ++i) p.advance();
    std::vector<uint32_t> px(100);
    p.render({px.data(), 10, 10, 40, swf::PixelFormat::BgraPremultiplied});
}

// What the loader works around is said on the player's error channel: tags it does not know
// (once per code), and a file cut short.
TEST(Timeline, LoaderWarningsReachTheErrorChannel) {
    auto m = with_shapes();
    m.tag(250, {1, 2, 3});
    m.tag(250, {4});
    m.place(1, 1);
    m.show_frame();
    std::vector<uint8_t> bytes = m.fws();
    bytes.resize(bytes.size() - 6);  // cut inside the placement; its frame and the End tag are lost
    bytes[4] = uint8_t(bytes.size());  // a header that agrees, as a cut download would not
    std::vector<std::string> errors;
    swf::Player player;
    player.set_error_handler([&](const std::string& e) { errors.push_back(e); });
    ASSERT_TRUE(player.load(bytes.data(), bytes.size()).ok());
    const std::vector<std::string> expected = {
        "unknown tag skipped in tag 250 (Unknown)",
        "length past end of data in tag 26 (PlaceObject2)",
        "tag data cut short in tag 26 (PlaceObject2)",
        "the file ends before the movie does: what is missing is not shown",
    };
    EXPECT_EQ(errors, expected);
}

TEST(Timeline, MovesChangeOnlyWhatTheyCarry) {
    const int multiply = int(swf::BlendMode::Multiply), screen = int(swf::BlendMode::Screen);
    auto m = with_shapes();
    place3(m, {.character = 1, .tx = 100, .blend = multiply});
    m.show_frame();
    place3(m, {.move = true, .character = 2, .halve_red = true});  // replaces the character
    m.show_frame();
    place3(m, {.move = true, .tx = 300});
    m.show_frame();
    place3(m, {.move = true, .blend = screen});
    m.show_frame();
    auto movie = load(m.fws());
    swf::Clip root(*movie, &movie->timeline, 0, nullptr);
    root.goto_frame(1);
    const swf::Instance* inst = &root.display_list().at(1);
    // The new character keeps the old one's transform and blend mode and takes the colour.
    EXPECT_EQ(inst->character_id, 2);
    EXPECT_DOUBLE_EQ(inst->matrix.tx, 100);
    EXPECT_EQ(inst->blend, multiply);
    EXPECT_EQ(inst->cxform.rm, 128);
    root.goto_frame(2);
    EXPECT_DOUBLE_EQ(inst->matrix.tx, 300);
    EXPECT_EQ(inst->cxform.rm, 128);
    EXPECT_EQ(inst->blend, multiply);

    // Once a script moved it, the timeline's moves and rewinds leave its transform alone but
    // still set the rest.
    root.display_list().at(1).scripted = true;
    root.display_list().at(1).matrix.tx = 5;
    root.goto_frame(3);
    EXPECT_DOUBLE_EQ(inst->matrix.tx, 5);
    EXPECT_EQ(inst->blend, screen);
    const uint64_t serial = inst->serial;
    root.goto_frame(1);
    ASSERT_EQ(root.display_list().at(1).serial, serial);  // same character and ratio: kept
    EXPECT_DOUBLE_EQ(inst->matrix.tx, 5);
    EXPECT_EQ(inst->blend, multiply);

    // Back before the replacement the first character is placed anew, as the tags left it.
    root.goto_frame(0);
    inst = &root.display_list().at(1);
    EXPECT_NE(inst->serial, serial);
    EXPECT_EQ(inst->character_id, 1);
    EXPECT_DOUBLE_EQ(inst->matrix.tx, 100);
    EXPECT_EQ(inst->cxform.rm, 256);
    EXPECT_EQ(inst->blend, multiply);
}
