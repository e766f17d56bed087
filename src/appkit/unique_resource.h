// UniqueResource: the one owner of a platform resource (a global block, a heap
// buffer, a printer or enumeration handle), which gives it back on every path.
// `Traits` names the resource's type, whose value-initialised form (a null
// handle or pointer) means "none", and the call that gives it back:
//   struct PrinterTraits {
//       using Type = HANDLE;
//       static void Close(HANDLE printer) { ClosePrinter(printer); }
//   };
#pragma once

#include <utility>

template <typename Traits> class UniqueResource {
public:
    using Type = typename Traits::Type;

    UniqueResource() = default;
    explicit UniqueResource(Type adopted) : value_(adopted) {}
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.Release()) {}
    // The resource held so far is given back at once.
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    ~UniqueResource() { Reset(); }

    explicit operator bool() const { return value_ != Type(); }
    Type get() const { return value_; }

    // Hands the resource over to the caller, who gives it back.
    Type Release() { return std::exchange(value_, Type()); }
    // Gives back the resource held (if any) and takes over `adopted`.
    void Reset(Type adopted = Type()) {
        Type old = std::exchange(value_, adopted);
        if (old != Type())
            Traits::Close(old);
    }

private:
    Type value_ = Type();
};
