#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "capture/CaptureBackend.h"
#include "capture/CaptureMessages.h"
#include "capture/FocusedElementTracker.h"
#include "capture/KeyFilter.h"
#include "capture/KeyTracker.h"
#include "capture/atspi/AtspiFocusMonitor.h"
#include "document/EnumNames.h"
#include "support/ServiceHelpers.h"

using namespace tarnix;

namespace {

using M = KeyModifier;

bool kept(const KeyPress& press, KeyCaptureScope scope = KeyCaptureScope::shortcuts, KeyboardContext context = {})
{
    return keepsKey(press, scope, context);
}

bool hasKey(const KeyTracker& tracker, const std::string& key, std::vector<KeyModifier> modifiers)
{
    for (const auto& event : tracker.keys())
        if (event.key == key && event.modifiers == modifiers)
            return true;
    return false;
}

std::string listed(const KeyTracker& tracker)
{
    std::string text;
    for (const auto& event : tracker.keys()) {
        for (KeyModifier m : event.modifiers)
            text += std::string(rawValue(m)) + "+";
        text += event.key + " ";
    }
    return text;
}

void activate(const std::string& id)
{
    test::shell("xdotool windowactivate --sync " + id + " 2>/dev/null; xdotool windowfocus --sync " + id);
}

} // namespace

TEST(KeyFilter, byDefaultOnlyShortcutsAndCommandKeysAreKept)
{
    EXPECT_TRUE(kept({"S", {M::ctrl}}));
    EXPECT_TRUE(kept({"F", {M::alt}}));
    EXPECT_TRUE(kept({"L", {M::super}}));
    EXPECT_TRUE(kept({"Z", {M::ctrl, M::shift}}));
    for (const char* key : {"F1", "F5", "F12", "F35", "Escape", "Return", "KP_Enter", "Tab", "ISO_Left_Tab", "Left",
                            "Right", "Up", "Down"})
        EXPECT_TRUE(kept({key, {}})) << key;

    // Typing, Shift included, stays private; "F" alone is a letter, not a function key.
    for (const char* key : {"S", "F", "1", "space", "BackSpace", "Delete", "F0", "F36", "F1x", "Ü", ""})
        EXPECT_FALSE(kept({key, {}})) << key;
    EXPECT_FALSE(kept({"S", {M::shift}}));
    EXPECT_FALSE(kept({"", {M::ctrl}}));
}

TEST(KeyFilter, everyKeyOnlyWhereTheFocusCanBeCheckedAndNeverIntoPasswordsOrTheLocker)
{
    EXPECT_TRUE(kept({"S", {}}, KeyCaptureScope::everyKey));
    EXPECT_TRUE(kept({"space", {M::shift}}, KeyCaptureScope::everyKey));

    // Without the accessibility bus a password field can't be recognised: typing is not kept.
    const KeyboardContext unknown{false, false, false};
    EXPECT_FALSE(kept({"S", {}}, KeyCaptureScope::everyKey, unknown));
    EXPECT_TRUE(kept({"S", {M::ctrl}}, KeyCaptureScope::everyKey, unknown));

    for (const KeyboardContext closed : {KeyboardContext{true, true, false}, KeyboardContext{true, false, true},
                                         KeyboardContext{false, true, true}}) {
        for (auto scope : {KeyCaptureScope::shortcuts, KeyCaptureScope::everyKey}) {
            EXPECT_FALSE(kept({"S", {M::ctrl}}, scope, closed));
            EXPECT_FALSE(kept({"Return", {}}, scope, closed));
            EXPECT_FALSE(kept({"A", {}}, scope, closed));
        }
    }
}

// The X server's keyboard, driven through XTEST as a user's keys would be.
TEST(KeyTracker, shortcutsAreKeptWithTheLayoutsNamesAndTypingIsDropped)
{
    if (!test::requireDisplay())
        return;
    test::ensureApplication();
    KeyTracker tracker;
    tracker.start(KeyCaptureScope::shortcuts);
    ASSERT_FALSE(tracker.monitorError()) << *tracker.monitorError();
    ASSERT_TRUE(tracker.startTime());

    test::shell("xdotool key a shift+b ctrl+s");
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return hasKey(tracker, "S", {M::ctrl}); })) << listed(tracker);
    test::shell("xdotool key ctrl+shift+z super+Left F5 Return 1");
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return hasKey(tracker, "Return", {}); })) << listed(tracker);
    tracker.stop();
    EXPECT_EQ(listed(tracker), "ctrl+S ctrl+shift+Z super+Left F5 Return ");
    for (std::size_t i = 0; i < tracker.keys().size(); ++i) {
        EXPECT_GE(tracker.keys()[i].timestamp, 0);
        if (i > 0) {
            EXPECT_GE(tracker.keys()[i].timestamp, tracker.keys()[i - 1].timestamp);
        }
    }
    EXPECT_FALSE(tracker.startTime());

    // Every key, on request; without a focus watcher typing stays out, shortcuts still come.
    auto role = std::make_shared<FocusRole>();
    role->known = true;
    tracker.setFocusRole(role);
    tracker.start(KeyCaptureScope::everyKey);
    EXPECT_TRUE(tracker.keys().empty());
    test::shell("xdotool key a shift+b space");
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return hasKey(tracker, "space", {}); })) << listed(tracker);
    EXPECT_EQ(listed(tracker), "A shift+B space ");
    role->known = false;
    test::shell("xdotool key c ctrl+c");
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return hasKey(tracker, "C", {M::ctrl}); })) << listed(tracker);
    EXPECT_EQ(listed(tracker), "A shift+B space ctrl+C ");
}

// A real password field (Qt's, exported over AT-SPI as password text) has the focus: nothing
// typed there is kept, shortcuts included; once the focus moves on, keys are kept again.
TEST(KeyTracker, nothingIsKeptWhileAPasswordFieldHasTheFocus)
{
    if (!test::requireDisplay() || !test::requireAccessibilityBus())
        return;
    test::ensureApplication();
    atspi::isTrusted(true);
    ASSERT_TRUE(atspi::isTrusted(false));
    test::TestWindow window("Tarnix password window", "e0e0e0", QRect(150, 120, 400, 300), 2, false, 1);
    ASSERT_TRUE(window.isReady());
    activate(window.xdotoolID());

    FocusedElementTracker focus;
    focus.start();
    ASSERT_TRUE(focus.isRunning());
    const auto role = focus.focusRole();
    KeyTracker tracker;
    tracker.setFocusRole(role);
    tracker.start(KeyCaptureScope::everyKey);
    ASSERT_FALSE(tracker.monitorError()) << *tracker.monitorError();
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return role->known && role->passwordFocused; }))
        << "the password field never had the focus";

    test::shell("xdotool key h u n t e r ctrl+a Return");
    test::shell("xdotool key Tab");
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return !role->passwordFocused; }));
    test::shell("xdotool key x ctrl+s");
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return hasKey(tracker, "S", {M::ctrl}); })) << listed(tracker);
    tracker.stop();
    focus.stop();
    // The Tab that left the field was pressed in it, so it is not kept either.
    EXPECT_EQ(listed(tracker), "X ctrl+S ");
}

// A Wayland desktop shares no keys; without a readable keyboard under /dev/input (no input group,
// or none at all, as in a container) the recording says so rather than listing no keys.
TEST(InputDeviceKeys, withoutAReadableKeyboardTheUserIsToldKeysArentShared)
{
    std::error_code missing;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/input", missing))
        if (entry.path().filename().string().starts_with("event") && access(entry.path().c_str(), R_OK) == 0)
            GTEST_SKIP() << "this machine's input devices are readable";
    KeyTracker tracker;
    tracker.setKeySourceFactory(keySourceFactory(CaptureBackend::portal));
    tracker.start(KeyCaptureScope::shortcuts);
    ASSERT_TRUE(tracker.monitorError());
    EXPECT_NE(tracker.monitorError()->find("keys aren't shared"), std::string::npos) << *tracker.monitorError();
    EXPECT_NE(tracker.monitorError()->find("input group"), std::string::npos) << *tracker.monitorError();
    EXPECT_EQ(CaptureMessages::keysNotRecorded(*tracker.monitorError()).rfind("Keys pressed aren't recorded: keys aren't shared", 0), 0u);
    tracker.stop();
}
