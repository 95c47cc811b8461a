#include "capture/KeyNames.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include <string>
#include <utility>

namespace tarnix {

namespace {

// Shift, Control, Caps Lock, Alt, Super, AltGr and the like: keys that change others.
bool isModifierKey(xkb_keysym_t sym)
{
    return (sym >= XKB_KEY_Shift_L && sym <= XKB_KEY_Hyper_R) ||
           (sym >= XKB_KEY_ISO_Lock && sym <= XKB_KEY_ISO_Last_Group_Lock) ||
           sym == XKB_KEY_Mode_switch || sym == XKB_KEY_Num_Lock;
}

std::string keyName(xkb_keysym_t sym)
{
    const xkb_keysym_t upper = xkb_keysym_to_upper(sym);
    const std::uint32_t character = xkb_keysym_to_utf32(upper);
    char text[64] = {};
    if (character > 0x20 && !(character >= 0x7f && character <= 0x9f)) {
        if (xkb_keysym_to_utf8(upper, text, sizeof text) > 0)
            return text;
    }
    if (xkb_keysym_get_name(sym, text, sizeof text) > 0)
        return text;
    return {};
}

} // namespace

std::optional<KeyPress> keyPressOf(xkb_keymap* keymap, xkb_state* state, xkb_keycode_t keycode)
{
    const xkb_layout_index_t layout = xkb_state_key_get_layout(state, keycode);
    if (layout == XKB_LAYOUT_INVALID)
        return std::nullopt;
    const xkb_keysym_t* syms = nullptr;
    if (xkb_keymap_key_get_syms_by_level(keymap, keycode, layout, 0, &syms) < 1 || isModifierKey(syms[0]))
        return std::nullopt;
    KeyPress pressed{keyName(syms[0]), {}};
    if (pressed.key.empty())
        return std::nullopt;
    const std::pair<const char*, KeyModifier> modifiers[] = {{XKB_MOD_NAME_CTRL, KeyModifier::ctrl},
                                                             {XKB_MOD_NAME_ALT, KeyModifier::alt},
                                                             {XKB_MOD_NAME_SHIFT, KeyModifier::shift},
                                                             {XKB_MOD_NAME_LOGO, KeyModifier::super}};
    for (const auto& [name, modifier] : modifiers)
        if (xkb_state_mod_name_is_active(state, name, XKB_STATE_MODS_EFFECTIVE) > 0)
            pressed.modifiers.push_back(modifier);
    return pressed;
}

} // namespace tarnix
