#include "stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

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

void TMemoryStream::Clear()
{
    data_.clear();
    position_ = 0;
}

TFileStream::TFileStream(const std::string& path, Mode mode)
{
    file_ = std::fopen(path.c_str(), mode == Mode::Read ? "rb" : "wb");
    if (file_ == nullptr)
        throw std::runtime_error("Impossible d'ouvrir le fichier " + path + " : " + std::strerror(errno));
}

TFileStream::~TFileStream()
{
    if (file_ != nullptr)
        std::fclose(file_);
}

std::int64_t TFileStream::Size() const
{
    const long here = std::ftell(file_);
    std::fseek(file_, 0, SEEK_END);
    const long size = std::ftell(file_);
    std::fseek(file_, here, SEEK_SET);
    return size;
}

std::int32_t TFileStream::Read(void* buffer, std::int32_t count)
{
    if (count <= 0 || position_ < 0)
        return 0;
    if (std::fseek(file_, static_cast<long>(position_), SEEK_SET) != 0)
        return 0;
    const auto n = static_cast<std::int32_t>(std::fread(buffer, 1, static_cast<std::size_t>(count), file_));
    position_ += n;
    return n;
}

std::int32_t TFileStream::Write(const void* buffer, std::int32_t count)
{
    if (count <= 0 || position_ < 0)
        return 0;
    if (std::fseek(file_, static_cast<long>(position_), SEEK_SET) != 0)
        return 0;
    const auto n = static_cast<std::int32_t>(std::fwrite(buffer, 1, static_cast<std::size_t>(count), file_));
    position_ += n;
    return n;
}

} // namespace nubra
