#include "studio/EditHistory.h"

namespace tarnix {

EditHistory::EditHistory(StudioEditState initial)
    : current_(std::move(initial))
{
}

bool EditHistory::commit(StudioEditState state)
{
    if (state == current_)
        return false;
    undo_.push_back(std::move(current_));
    if (undo_.size() > kMaxSteps)
        undo_.erase(undo_.begin());
    current_ = std::move(state);
    redo_.clear();
    return true;
}

std::optional<StudioEditState> EditHistory::undo()
{
    return step(undo_, redo_);
}

std::optional<StudioEditState> EditHistory::redo()
{
    return step(redo_, undo_);
}

std::optional<StudioEditState> EditHistory::step(std::vector<StudioEditState>& from,
                                                 std::vector<StudioEditState>& to)
{
    if (from.empty())
        return std::nullopt;
    to.push_back(std::move(current_));
    current_ = std::move(from.back());
    from.pop_back();
    return current_;
}

} // namespace tarnix
