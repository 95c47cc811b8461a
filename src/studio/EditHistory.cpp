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
    if (undo_.empty())
        return std::nullopt;
    redo_.push_back(std::move(current_));
    current_ = std::move(undo_.back());
    undo_.pop_back();
    return current_;
}

std::optional<StudioEditState> EditHistory::redo()
{
    if (redo_.empty())
        return std::nullopt;
    undo_.push_back(std::move(current_));
    current_ = std::move(redo_.back());
    redo_.pop_back();
    return current_;
}

} // namespace tarnix
