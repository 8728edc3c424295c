#pragma once
// An output stream over a file descriptor the caller opened (openFileForWriting), so a trace
// is written to exactly the file that was checked. A failed write leaves the stream bad and
// errno set to the system's reason, as a file stream does.

#include <array>
#include <ostream>
#include <streambuf>

namespace velmar {

class DescriptorBuffer final : public std::streambuf {
  public:
    explicit DescriptorBuffer(int fd);
    ~DescriptorBuffer() override;
    DescriptorBuffer(const DescriptorBuffer&) = delete;
    DescriptorBuffer& operator=(const DescriptorBuffer&) = delete;

  protected:
    int_type overflow(int_type c) override;
    int sync() override;

  private:
    bool drain();

    int fd_;
    std::array<char, 8192> buffer_{};
};

// Owns `fd` and closes it at the end.
class DescriptorStream final : public std::ostream {
  public:
    explicit DescriptorStream(int fd) : std::ostream(nullptr), buffer_(fd) { rdbuf(&buffer_); }

  private:
    DescriptorBuffer buffer_;
};

}  // namespace velmar
