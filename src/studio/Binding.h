#pragma once

#include <functional>
#include <utility>

// Read/write access to a value that another object owns (the editor's edit state). A view reads
// through it whenever it draws and writes through it while a gesture runs, so it never holds a
// second copy that could drift from the owner's. Copyable; GUI thread only.

namespace tarnix {

template <class T>
class Binding {
public:
    using Getter = std::function<T()>;
    using Setter = std::function<void(const T&)>;
    // The owner's value itself, where the owner keeps one: reading a long list then costs no copy.
    using Viewer = std::function<const T&()>;

    Binding() = default;
    Binding(Getter get, Setter set) : get_(std::move(get)), set_(std::move(set)) {}
    // Access through the owner's own value.
    static Binding viewing(Viewer view, Setter set)
    {
        Binding binding([view] { return view(); }, std::move(set));
        binding.view_ = std::move(view);
        return binding;
    }

    // Access to a variable that outlives the binding; `changed` runs after every write.
    static Binding to(T* storage, std::function<void()> changed = {})
    {
        return viewing([storage]() -> const T& { return *storage; },
                       [storage, changed](const T& value) {
                           *storage = value;
                           if (changed)
                               changed();
                       });
    }

    bool isBound() const { return bool(get_); }
    T get() const { return get_ ? get_() : T{}; }
    // The value without a copy where the owner keeps one; valid until the next write or the next
    // view() of a binding without a viewer.
    const T& view() const
    {
        if (view_)
            return view_();
        viewed_ = get();
        return viewed_;
    }
    void set(const T& value) const
    {
        if (set_)
            set_(value);
    }

    // Reads, changes and writes back in one step.
    template <class F>
    void modify(F&& change) const
    {
        T value = get();
        change(value);
        set(value);
    }

private:
    Getter get_;
    Viewer view_;
    Setter set_;
    mutable T viewed_{};
};

} // namespace tarnix
