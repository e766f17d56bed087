#include "appkit/text_format.h"

namespace {

// Collects the output: counts every character, stores those that fit.
class Output {
public:
    Output(char* out, size_t capacity) : out_(out), capacity_(capacity) {}
    void Put(char c) {
        if (length_ + 1 < capacity_)
            out_[length_] = c;
        ++length_;
    }
    void Repeat(char c, size_t count) {
        for (; count > 0; --count)
            Put(c);
    }
    // Terminates the text; its length, or -1 when it passed what an int counts.
    int Finish() {
        if (capacity_ > 0)
            out_[length_ < capacity_ ? length_ : capacity_ - 1] = '\0';
        return length_ <= 0x7FFFFFFF ? static_cast<int>(length_) : -1;
    }

private:
    char* out_;
    size_t capacity_;
    size_t length_ = 0;
};

struct Conversion {
    bool left = false; // '-': pad on the right
    bool zero = false; // '0': pad numbers with zeros
    size_t width = 0;
    int precision = -1; // none
};

size_t ReadCount(const char*& at, va_list& args, bool* negative) {
    *negative = false;
    if (*at == '*') {
        ++at;
        int value = va_arg(args, int);
        *negative = value < 0;
        return value < 0 ? 0u - static_cast<size_t>(value) : static_cast<size_t>(value);
    }
    size_t value = 0;
    for (; *at >= '0' && *at <= '9'; ++at)
        value = value * 10 + static_cast<size_t>(*at - '0');
    return value;
}

void PutText(Output& out, const Conversion& conversion, const char* text) {
    if (text == nullptr)
        text = "(null)";
    size_t length = 0;
    while ((conversion.precision < 0 || length < static_cast<size_t>(conversion.precision)) &&
           text[length] != '\0')
        ++length;
    size_t pad = conversion.width > length ? conversion.width - length : 0;
    if (!conversion.left)
        out.Repeat(' ', pad);
    for (size_t i = 0; i < length; ++i)
        out.Put(text[i]);
    if (conversion.left)
        out.Repeat(' ', pad);
}

void PutNumber(Output& out, const Conversion& conversion, unsigned long magnitude, bool negative,
               unsigned base, bool upper) {
    char digits[24];
    size_t count = 0;
    const char* symbols = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    for (; magnitude != 0; magnitude /= base)
        digits[count++] = symbols[magnitude % base];
    // A precision is the least number of digits (and 0 with precision 0 shows none).
    size_t least = conversion.precision < 0 ? 1 : static_cast<size_t>(conversion.precision);
    size_t zeros = least > count ? least - count : 0;
    size_t length = (negative ? 1 : 0) + zeros + count;
    size_t pad = conversion.width > length ? conversion.width - length : 0;
    bool padZeros = conversion.zero && !conversion.left && conversion.precision < 0;
    if (!conversion.left && !padZeros)
        out.Repeat(' ', pad);
    if (negative)
        out.Put('-');
    if (padZeros)
        out.Repeat('0', pad);
    out.Repeat('0', zeros);
    while (count > 0)
        out.Put(digits[--count]);
    if (conversion.left)
        out.Repeat(' ', pad);
}

} // namespace

int FormatText(char* out, size_t capacity, const char* pattern, va_list args) {
    va_list rest;
    va_copy(rest, args);
    Output text(out, capacity);
    bool known = true;
    for (const char* at = pattern; known && *at != '\0'; ++at) {
        if (*at != '%') {
            text.Put(*at);
            continue;
        }
        ++at;
        Conversion conversion;
        for (;; ++at) {
            if (*at == '-')
                conversion.left = true;
            else if (*at == '0')
                conversion.zero = true;
            else
                break;
        }
        bool negative = false;
        conversion.width = ReadCount(at, rest, &negative);
        conversion.left = conversion.left || negative;
        if (*at == '.') {
            ++at;
            size_t precision = ReadCount(at, rest, &negative);
            conversion.precision =
                negative ? -1 : static_cast<int>(precision > 0x7FFFFFFF ? 0x7FFFFFFF : precision);
        }
        // A short argument arrives promoted to int; 'h' converts it back, as the C
        // library does (%hd of 65535 is -1).
        bool isShort = false, isLong = false;
        if (*at == 'h') {
            isShort = true;
            ++at;
        } else if (*at == 'l') {
            isLong = true;
            ++at;
        }
        switch (*at) {
        case 'd':
        case 'i': {
            long value = isLong ? va_arg(rest, long) : va_arg(rest, int);
            if (isShort)
                value = static_cast<short>(value);
            unsigned long magnitude = value < 0 ? 0ul - static_cast<unsigned long>(value)
                                                : static_cast<unsigned long>(value);
            PutNumber(text, conversion, magnitude, value < 0, 10, false);
            break;
        }
        case 'u':
        case 'x':
        case 'X': {
            unsigned long value = isLong ? va_arg(rest, unsigned long) : va_arg(rest, unsigned);
            if (isShort)
                value = static_cast<unsigned short>(value);
            PutNumber(text, conversion, value, false, *at == 'u' ? 10 : 16, *at == 'X');
            break;
        }
        case 'c': {
            size_t pad = conversion.width > 1 ? conversion.width - 1 : 0;
            if (!conversion.left)
                text.Repeat(' ', pad);
            text.Put(static_cast<char>(va_arg(rest, int)));
            if (conversion.left)
                text.Repeat(' ', pad);
            break;
        }
        case 's':
            PutText(text, conversion, va_arg(rest, const char*));
            break;
        case '%':
            text.Put('%');
            break;
        default:
            known = false;
        }
    }
    va_end(rest);
    int length = text.Finish();
    return known ? length : -1;
}
