#include "server/portable/placeholders.h"

#include <cstdio>

namespace cvx::portable {
namespace {

// Appends to out while room remains; counts every character either way.
class Sink {
public:
    Sink(char *out, size_t size) : out_(out), size_(size) {}
    void Put(char c)
    {
        if (out_ && length_ + 1 < size_) out_[length_] = c;
        ++length_;
    }
    void Put(const char *text)
    {
        for (; text && *text; ++text) Put(*text);
    }
    size_t Finish()
    {
        if (out_ && size_) out_[length_ < size_ ? length_ : size_ - 1] = '\0';
        return length_;
    }

private:
    char *out_;
    size_t size_;
    size_t length_ = 0;
};

}  // namespace

size_t FillFormat(const char *format, const char *text, uint32_t number, char *out, size_t size)
{
    Sink sink(out, size);
    bool textDone = false, numberDone = false;
    for (const char *p = format; p && *p; ++p) {
        if (*p != '%') {
            sink.Put(*p);
            continue;
        }
        char next = p[1];
        if (next == '%') {
            sink.Put('%');
            ++p;
        } else if (next == 's' && !textDone) {
            sink.Put(text);
            textDone = true;
            ++p;
        } else if (next == 'u' && !numberDone) {
            char digits[12];
            std::snprintf(digits, sizeof digits, "%lu", static_cast<unsigned long>(number));
            sink.Put(digits);
            numberDone = true;
            ++p;
        } else {
            sink.Put('%');
        }
    }
    return sink.Finish();
}

}  // namespace cvx::portable
