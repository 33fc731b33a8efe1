#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <QString>
#include <utility>
#include <vector>

// Owns one CoreFoundation reference: released when the holder goes. References are never retained
// or released by hand anywhere else.
template <typename Ref> class CFRef {
public:
    CFRef() = default;
    // Takes over a reference the caller owns: the result of a Create or Copy function.
    static CFRef adopt(Ref ref)
    {
        CFRef holder;
        holder.m_ref = ref;
        return holder;
    }
    // Keeps a reference the caller does not own: one got from a container or a Get function.
    static CFRef retain(Ref ref)
    {
        if (ref)
            CFRetain(ref);
        return adopt(ref);
    }
    CFRef(const CFRef& other) : m_ref(other.m_ref)
    {
        if (m_ref)
            CFRetain(m_ref);
    }
    CFRef(CFRef&& other) noexcept : m_ref(std::exchange(other.m_ref, nullptr)) {}
    CFRef& operator=(CFRef other) noexcept
    {
        std::swap(m_ref, other.m_ref);
        return *this;
    }
    ~CFRef()
    {
        if (m_ref)
            CFRelease(m_ref);
    }

    Ref get() const { return m_ref; }
    explicit operator bool() const { return m_ref != nullptr; }
    // Where a Copy function writes the reference it hands over; the holder then owns it.
    Ref* out()
    {
        *this = CFRef();
        return &m_ref;
    }

private:
    Ref m_ref = nullptr;
};

inline CFRef<CFStringRef> toCFString(const QString& text)
{
    return CFRef<CFStringRef>::adopt(CFStringCreateWithCharacters(
        kCFAllocatorDefault, reinterpret_cast<const UniChar*>(text.utf16()), text.size()));
}

inline QString fromCFString(CFStringRef text)
{
    if (!text)
        return {};
    const CFIndex length = CFStringGetLength(text);
    std::vector<UniChar> characters(static_cast<size_t>(length));
    CFStringGetCharacters(text, CFRange{0, length}, characters.data());
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(characters.data()), length);
}
