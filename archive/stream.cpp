#include "stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nubra {

void TStream::ReadBuffer(void* buffer, std::int32_t count)
{
    if (count < 0 || Read(buffer, count) != count)
        throw EReadError();
}

std::int32_t TSpanStream::Read(void* buffer, std::int32_t count)
{
    const auto size = Size();
    if (count <= 0 || position_ < 0 || position_ >= size)
        return 0;
    const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(count, size - position_));
    std::memcpy(buffer, bytes_.data() + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
}

std::int32_t TMemoryStream::Read(void* buffer, std::int32_t count)
{
    const auto size = Size();
    if (count <= 0 || position_ < 0 || position_ >= size)
        return 0;
    const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(count, size - position_));
    std::memcpy(buffer, data_.data() + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
}

std::int32_t TMemoryStream::Write(const void* buffer, std::int32_t count)
{
    if (count <= 0 || position_ < 0 || position_ >= limit_)
        return 0;
    const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(count, limit_ - position_));
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    const auto at = static_cast<std::size_t>(position_);
    const auto end = at + static_cast<std::size_t>(n);
    if (end > data_.capacity())
        data_.reserve(std::max(end, data_.capacity() * 2));
    if (at > data_.size())
        data_.resize(at);  // a gap left by a seek past the end reads as zeros
    // Overwrite what the stream holds, append the rest: appending copies
    // once, where growing first would clear the new bytes before the copy.
    const std::size_t inside = std::min(end, data_.size()) - at;
    std::memcpy(data_.data() + at, bytes, inside);
    data_.insert(data_.end(), bytes + inside, bytes + n);
    position_ += n;
    return n;
}

void TMemoryStream::Expect(std::int64_t bytes)
{
    if (bytes <= 0 || position_ < 0 || position_ >= limit_)
        return;
    const std::int64_t end = position_ + std::min(bytes, limit_ - position_);
    if (static_cast<std::uint64_t>(end) > data_.capacity())
        data_.reserve(static_cast<std::size_t>(end));
}

void TMemoryStream::Clear()
{
    data_.clear();
    position_ = 0;
}

std::vector<std::uint8_t> TMemoryStream::TakeBytes()
{
    std::vector<std::uint8_t> bytes = std::exchange(data_, {});
    position_ = 0;
    return bytes;
}

TFileStream::TFileStream(const std::string& path, Mode mode)
{
    fd_ = mode == Mode::Read ? ::open(path.c_str(), O_RDONLY | O_CLOEXEC)
                             : ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0)
        throw std::runtime_error("Impossible d'ouvrir le fichier " + path + " : " + std::strerror(errno));
}

TFileStream::~TFileStream()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::int64_t TFileStream::Size() const
{
    struct stat st {};
    return ::fstat(fd_, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : 0;
}

namespace {

// pread until `count` bytes came, the file ended or it failed; how many came.
std::int64_t readAt(int fd, std::uint8_t* into, std::int64_t count, std::int64_t at)
{
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd, into + done, static_cast<std::size_t>(count - done), at + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

} // namespace

std::int32_t TFileStream::Read(void* buffer, std::int32_t count)
{
    if (count <= 0 || position_ < 0)
        return 0;
    auto* into = static_cast<std::uint8_t*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const std::int64_t at = position_ + done;
        const std::int64_t left = count - done;
        if (at >= bufferStart_ && at < bufferStart_ + bufferLength_) {
            const std::int64_t n = std::min(left, bufferStart_ + bufferLength_ - at);
            std::memcpy(into + done, buffer_.get() + (at - bufferStart_), static_cast<std::size_t>(n));
            done += n;
            continue;
        }
        if (left >= kBufferSize) {
            // As large as the buffer: straight into the caller's memory.
            const std::int64_t n = readAt(fd_, into + done, left, at);
            done += n;
            break;
        }
        if (!buffer_)
            buffer_ = std::make_unique_for_overwrite<std::uint8_t[]>(kBufferSize);
        bufferStart_ = at;
        bufferLength_ = readAt(fd_, buffer_.get(), kBufferSize, at);
        if (bufferLength_ == 0)
            break;
    }
    position_ += done;
    return static_cast<std::int32_t>(done);
}

std::int32_t TFileStream::Write(const void* buffer, std::int32_t count)
{
    if (count <= 0 || position_ < 0)
        return 0;
    bufferLength_ = 0; // what the buffer held may be overwritten
    const auto* from = static_cast<const std::uint8_t*>(buffer);
    std::int32_t done = 0;
    while (done < count) {
        const ssize_t n = ::pwrite(fd_, from + done, static_cast<std::size_t>(count - done), position_ + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::int32_t>(n);
    }
    position_ += done;
    return done;
}

} // namespace nubra
