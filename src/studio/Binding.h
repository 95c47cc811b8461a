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

    Binding() = default;
    Binding(Getter get, Setter set) : get_(std::move(get)), set_(std::move(set)) {}

    // Access to a variable that outlives the binding; `changed` runs after every write.
    static Binding to(T* storage, std::function<void()> changed = {})
    {
        return Binding([storage] { return *storage; },
                       [storage, changed](const T& value) {
                           *storage = value;
                           if (changed)
                               changed();
                       });
    }

    bool isBound() const { return bool(get_); }
    T get() const { return get_ ? get_() : T{}; }
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
    Setter set_;
};

} // namespace tarnix
