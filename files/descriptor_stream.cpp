#include "files/descriptor_stream.h"

#include <cerrno>

#ifdef _WIN32
#include <io.h>
#define VELMAR_WRITE ::_write
#define VELMAR_CLOSE ::_close
#else
#include <unistd.h>
#define VELMAR_WRITE ::write
#define VELMAR_CLOSE ::close
#endif

namespace velmar {

DescriptorBuffer::DescriptorBuffer(int fd) : fd_(fd) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

DescriptorBuffer::~DescriptorBuffer() {
    drain();
    if (fd_ >= 0) VELMAR_CLOSE(fd_);
}

bool DescriptorBuffer::drain() {
    const char* next = pbase();
    while (next < pptr()) {
        const auto wrote = VELMAR_WRITE(fd_, next, static_cast<unsigned>(pptr() - next));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            if (wrote == 0) errno = ENOSPC;
            setp(buffer_.data(), buffer_.data() + buffer_.size());  // what failed is dropped
            return false;
        }
        next += wrote;
    }
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return true;
}

DescriptorBuffer::int_type DescriptorBuffer::overflow(int_type c) {
    if (!drain()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

int DescriptorBuffer::sync() {
    return drain() ? 0 : -1;
}

}  // namespace velmar
