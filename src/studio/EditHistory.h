#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "studio/StudioEditState.h"

// Undo and redo over committed edit states. Each commit that changes the state is one step; the
// history keeps whole states (they are small: a few dozen regions at most), so undoing never has
// to know what kind of edit a step was. GUI thread only.

namespace tarnix {

class EditHistory {
public:
    static constexpr std::size_t kMaxSteps = 500;

    explicit EditHistory(StudioEditState initial);

    const StudioEditState& current() const { return current_; }

    // Records a new committed state; returns false (and records nothing) when it equals the
    // current one. A new step drops whatever could be redone.
    bool commit(StudioEditState state);

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }

    // The state to show after stepping, or nothing when there is no step that way.
    std::optional<StudioEditState> undo();
    std::optional<StudioEditState> redo();

private:
    // Makes the last state of `from` current, the current one going onto `to`.
    std::optional<StudioEditState> step(std::vector<StudioEditState>& from,
                                        std::vector<StudioEditState>& to);

    StudioEditState current_;
    std::vector<StudioEditState> undo_;
    std::vector<StudioEditState> redo_;
};

} // namespace tarnix
